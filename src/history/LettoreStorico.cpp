#include "history/LettoreStorico.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The file is read a block at a time: a large file never sits in memory whole, and
// the one buffer is faulted in once rather than a page per 4 KiB of file.
constexpr qint64 Blocco = 256 * 1024;
// Bytes before the point reached that must still be the same for an append-only read.
constexpr qsizetype LunghezzaControllo = 256;

ssize_t LeggiA(int fd, char *destinazione, qint64 quanti, qint64 posizione)
{
    ssize_t n;
    do {
        n = ::pread(fd, destinazione, size_t(quanti), off_t(posizione));
    } while (n < 0 && errno == EINTR);
    return n;
}

// End of the complete lines among dati: just after the last line end. A CR as the very
// last byte does not count, since an LF may yet follow and belong to the same line end.
// The bytes before daQui hold no line end (but perhaps a CR as their last byte).
qsizetype FineRigheComplete(const char *dati, qsizetype lunghezza, qsizetype daQui)
{
    qsizetype fine = lunghezza;
    if (fine > 0 && dati[fine - 1] == '\r')
        --fine;
    for (qsizetype i = fine; i > qMax<qsizetype>(0, daQui - 1); --i) {
        if (dati[i - 1] == '\n' || dati[i - 1] == '\r')
            return i;
    }
    return 0;
}

// Points of later lines after those of earlier ones, as one read of both would give.
void Aggiungi(PuntiGrafico *punti, const PuntiGrafico &altri)
{
    const qsizetype posto = qMax<qsizetype>(0, MassimoPunti - punti->Righe.size());
    const qsizetype quanti = qMin(posto, altri.Righe.size());
    for (qsizetype i = 0; i < quanti; ++i) {
        punti->Righe.append(altri.Righe[i]);
        punti->Valori.append(altri.Valori[i]);
    }
    if (altri.Colore != 0)
        punti->Colore = altri.Colore;
}

} // namespace

void LettoreStorico::Dimentica()
{
    percorso_.clear();
    oggi_.clear();
    dimensione_ = -1;
    fine_ = 0;
    controllo_.clear();
    punti_ = PuntiGrafico();
}

bool LettoreStorico::Leggi(const QString &percorso, const QString &oggi, PuntiGrafico *punti)
{
    *punti = PuntiGrafico();
    letturaCompleta_ = false;
    byteLetti_ = 0;

    const QByteArray nome = QFile::encodeName(percorso);
    int fd;
    do {
        fd = ::open(nome.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    struct stat info {};
    // A regular file only: a device in its place may never end, a pipe never answer.
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        Dimentica();
        return false;
    }
    const qint64 modifica = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    const qint64 dimensione = info.st_size;

    // Grown, or untouched: the lines already read are still the file's first lines.
    const bool soloAggiunte = dimensione_ >= 0 && percorso == percorso_ && oggi == oggi_
                              && quint64(info.st_dev) == dispositivo_
                              && quint64(info.st_ino) == inode_ && dimensione >= fine_
                              && (dimensione > dimensione_
                                  || (dimensione == dimensione_ && modifica == modificaNs_));
    PuntiGrafico coda;
    bool letto = soloAggiunte && LeggiDa(fd, dimensione, controllo_, &coda);
    if (!letto) {
        Dimentica();
        percorso_ = percorso;
        oggi_ = oggi;
        letturaCompleta_ = true;
        letto = LeggiDa(fd, dimensione, QByteArray(), &coda);
    }
    ::close(fd);
    if (!letto) {
        Dimentica();
        return false;
    }
    dispositivo_ = quint64(info.st_dev);
    inode_ = quint64(info.st_ino);
    dimensione_ = dimensione;
    modificaNs_ = modifica;

    *punti = punti_;
    // The last line without its line end yet is charted, but read again next time.
    Aggiungi(punti, coda);
    return true;
}

// Reads from fine_ to the end of the file: the complete lines join punti_, the rest
// (a line still being written) gives *coda. False when the bytes before fine_ differ
// from controllo or the file cannot be read.
bool LettoreStorico::LeggiDa(int fd, qint64 dimensione, const QByteArray &controllo,
                             PuntiGrafico *coda)
{
    if (!controllo.isEmpty()) {
        QByteArray prima(controllo.size(), Qt::Uninitialized);
        const ssize_t n = LeggiA(fd, prima.data(), prima.size(), fine_ - controllo.size());
        byteLetti_ += qMax<ssize_t>(n, 0);
        if (n != controllo.size() || prima != controllo)
            return false;
    }

    // Room for what the file holds now, up to one block; a long line grows it.
    const qint64 attesi = qMax<qint64>(dimensione - fine_, 0) + 1;
    QByteArray dati(qsizetype(qBound<qint64>(512, attesi, Blocco)), Qt::Uninitialized);
    qsizetype usati = 0;
    qint64 posizione = fine_;
    for (;;) {
        if (usati == dati.size())
            dati.resize(usati + qsizetype(Blocco));
        const ssize_t n = LeggiA(fd, dati.data() + usati, dati.size() - usati, posizione);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        byteLetti_ += n;
        posizione += n;
        const qsizetype nuovi = usati;
        usati += n;
        const qsizetype confine = FineRigheComplete(dati.constData(), usati, nuovi);
        if (confine == 0)
            continue;
        Aggiungi(&punti_, CalcolaPunti(QByteArray::fromRawData(dati.constData(), confine), oggi_));
        if (confine >= LunghezzaControllo)
            controllo_ = QByteArray(dati.constData() + confine - LunghezzaControllo, LunghezzaControllo);
        else
            controllo_ = (controllo_ + QByteArray(dati.constData(), confine)).right(LunghezzaControllo);
        fine_ += confine;
        std::memmove(dati.data(), dati.constData() + confine, size_t(usati - confine));
        usati -= confine;
    }
    dati.truncate(usati);
    *coda = CalcolaPunti(dati, oggi_);
    return true;
}
