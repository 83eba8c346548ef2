#include "history/FileStorico.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool Fallisci(QString *errore, const QString &testo)
{
    if (errore)
        *errore = testo;
    return false;
}

QString Motivo(int numeroErrore)
{
    return QString::fromLocal8Bit(std::strerror(numeroErrore));
}

int Apri(const QByteArray &nome, int modo)
{
    int fd;
    do {
        // Non-blocking: a pipe in the file's place must not hold the program up.
        fd = ::open(nome.constData(), modo | O_CLOEXEC | O_NONBLOCK, 0644);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// A large file is read into fresh memory, and faulting it in 4 KiB pages can cost more
// than the read itself (notably on virtual machines): ask for huge pages over the
// aligned middle of the buffer. Only advice; nothing changes when it is refused.
void ChiediPagineGrandi(char *inizio, qsizetype lunghezza)
{
    constexpr quintptr Grande = 2 * 1024 * 1024;
    if (lunghezza < qsizetype(2 * Grande))
        return;
    const quintptr primo = (quintptr(inizio) + Grande - 1) & ~(Grande - 1);
    const quintptr ultimo = (quintptr(inizio) + quintptr(lunghezza)) & ~(Grande - 1);
    if (ultimo > primo)
        ::madvise(reinterpret_cast<void *>(primo), ultimo - primo, MADV_HUGEPAGE);
}

} // namespace

QString NomeFileStorico(const QString &nomeIndice)
{
    QString nome = nomeIndice;
    nome.replace(u'/', u'_');
    return nome + QStringLiteral(".txt");
}

bool AccodaRecord(const QString &percorso, const QByteArray &record, QString *errore)
{
    const int fd = Apri(QFile::encodeName(percorso), O_RDWR | O_APPEND | O_CREAT);
    if (fd < 0)
        return Fallisci(errore, QStringLiteral("Impossibile aprire il file %1: %2")
                                    .arg(percorso, Motivo(errno)));
    // Instances following the same index append to the same file: the lock keeps the
    // look at the last byte and the write together, so no record is taken for a line
    // still being written by another instance.
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    struct stat prima {};
    const bool conDimensione = ::fstat(fd, &prima) == 0;

    // A last line without its line end (a file edited by hand) would take the record
    // into itself, where no reader finds it: end that line first.
    QByteArray testo = record;
    char ultimo = '\n';
    if (conDimensione && prima.st_size > 0 && ::pread(fd, &ultimo, 1, prima.st_size - 1) == 1
        && ultimo != '\n' && ultimo != '\r')
        testo.prepend("\r\n");

    ssize_t scritti;
    do {
        scritti = ::write(fd, testo.constData(), size_t(testo.size()));
    } while (scritti < 0 && errno == EINTR);
    const int erroreScrittura = errno;

    if (scritti == testo.size()) {
        if (::close(fd) != 0)
            return Fallisci(errore, QStringLiteral("Impossibile chiudere il file %1: %2")
                                        .arg(percorso, Motivo(errno)));
        return true;
    }

    if (scritti > 0) {
        // Cut the partial line away. With O_APPEND the offset now ends this write, which
        // locates its start even when another instance appended after our fstat.
        const off_t dopo = ::lseek(fd, 0, SEEK_CUR);
        off_t inizio = dopo >= scritti ? dopo - scritti : -1;
        if (inizio < 0 && conDimensione)
            inizio = prima.st_size;
        if (inizio >= 0) {
            int esito;
            do {
                esito = ::ftruncate(fd, inizio);
            } while (esito != 0 && errno == EINTR);
        }
    }
    // Nothing written means nothing to take back: cutting to the old length here could
    // remove a record that another instance appended in the meantime.
    ::close(fd);
    if (scritti < 0)
        return Fallisci(errore, QStringLiteral("Impossibile scrivere il file %1: %2")
                                    .arg(percorso, Motivo(erroreScrittura)));
    return Fallisci(errore, QStringLiteral("Scrittura incompleta del file %1 (%2 byte di %3)")
                                .arg(percorso).arg(scritti).arg(testo.size()));
}

bool LeggiFile(const QString &percorso, QByteArray *contenuto)
{
    contenuto->clear();
    const int fd = Apri(QFile::encodeName(percorso), O_RDONLY);
    if (fd < 0)
        return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return false;
    }
    // One byte more than the size, so that the end of the file shows without growing.
    QByteArray dati(qsizetype(info.st_size > 0 ? info.st_size : 0) + 1, Qt::Uninitialized);
    ChiediPagineGrandi(dati.data(), dati.size());
    qsizetype letti = 0;
    for (;;) {
        if (letti == dati.size())
            dati.resize(dati.size() + qMax<qsizetype>(dati.size() / 2, 65536));
        const ssize_t n = ::read(fd, dati.data() + letti, size_t(dati.size() - letti));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        letti += n;
    }
    ::close(fd);
    dati.truncate(letti);
    *contenuto = std::move(dati);
    return true;
}

bool SvuotaFile(const QString &percorso, QString *errore)
{
    const QByteArray nome = QFile::encodeName(percorso);
    if (::unlink(nome.constData()) != 0 && errno != ENOENT)
        return Fallisci(errore, QStringLiteral("Impossibile cancellare il file %1: %2")
                                    .arg(percorso, Motivo(errno)));
    // No O_TRUNC: a record that another instance appended after the delete is newer
    // than the command and stays.
    const int fd = Apri(nome, O_WRONLY | O_CREAT);
    if (fd < 0)
        return Fallisci(errore, QStringLiteral("Impossibile creare il file %1: %2")
                                    .arg(percorso, Motivo(errno)));
    ::close(fd);
    return true;
}
