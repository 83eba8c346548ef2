#include "history/LettoreStorico.h"

#include <cstring>

namespace {

// The file is read a block at a time: a large file never sits in memory whole, and
// the one buffer is faulted in once rather than a page per 4 KiB of file.
constexpr qint64 Blocco = 256 * 1024;
// Bytes before the point reached that must still be the same for an append-only read.
constexpr qsizetype LunghezzaControllo = 256;

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
    visto_.reset();
    fine_ = 0;
    controllo_.clear();
    punti_ = PuntiGrafico();
}

// Grown, or untouched: the lines already read are still the file's first lines.
bool LettoreStorico::SoloAggiunte(const QString &percorso, const QString &oggi,
                                  const platform::FileFacts &ora) const
{
    return visto_ && percorso == percorso_ && oggi == oggi_ && ora.device == visto_->device
           && ora.inode == visto_->inode && ora.size >= fine_
           && (ora.size > visto_->size || ora == *visto_);
}

bool LettoreStorico::Leggi(const QString &percorso, const QString &oggi, PuntiGrafico *punti)
{
    *punti = PuntiGrafico();
    letturaCompleta_ = false;
    byteLetti_ = 0;

    // A plain file only: a device in its place may never end, a pipe never answer.
    const platform::ReadOnlyFile file(percorso);
    if (!file.isOpen()) {
        Dimentica();
        return false;
    }
    PuntiGrafico coda;
    bool letto = SoloAggiunte(percorso, oggi, file.facts()) && LeggiDa(file, controllo_, &coda);
    if (!letto) {
        Dimentica();
        percorso_ = percorso;
        oggi_ = oggi;
        letturaCompleta_ = true;
        letto = LeggiDa(file, QByteArray(), &coda);
    }
    if (!letto) {
        Dimentica();
        return false;
    }
    visto_ = file.facts();

    *punti = punti_;
    // The last line without its line end yet is charted, but read again next time.
    Aggiungi(punti, coda);
    return true;
}

// Reads from fine_ to the end of the file: the complete lines join punti_, the rest
// (a line still being written) gives *coda. False when the bytes before fine_ differ
// from controllo or the file cannot be read.
bool LettoreStorico::LeggiDa(const platform::ReadOnlyFile &file, const QByteArray &controllo,
                             PuntiGrafico *coda)
{
    if (!controllo.isEmpty()) {
        QByteArray prima(controllo.size(), Qt::Uninitialized);
        const qint64 n = file.readAt(fine_ - controllo.size(), prima.data(), prima.size());
        byteLetti_ += qMax<qint64>(n, 0);
        if (n != controllo.size() || prima != controllo)
            return false;
    }

    // Room for what the file holds now, up to one block; a long line grows it.
    const qint64 attesi = qMax<qint64>(file.facts().size - fine_, 0) + 1;
    QByteArray dati(qsizetype(qBound<qint64>(512, attesi, Blocco)), Qt::Uninitialized);
    qsizetype usati = 0;
    qint64 posizione = fine_;
    // A line longer than any record is dropped as it is read, keeping its last byte (a CR
    // whose LF may follow): how many bytes went, and the last of them for controllo_.
    qint64 saltati = 0;
    QByteArray ultimiSaltati;
    for (;;) {
        if (usati == dati.size())
            dati.resize(usati + qsizetype(Blocco));
        const qint64 n = file.readAt(posizione, dati.data() + usati, dati.size() - usati);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        byteLetti_ += n;
        posizione += n;
        const qsizetype nuovi = usati;
        usati += n;
        const qsizetype confine = FineRigheComplete(dati.constData(), usati, nuovi);
        if (confine > 0) {
            // The first line ends the one being dropped, if any.
            qsizetype inizio = 0;
            if (saltati > 0) {
                while (dati[inizio] != '\n' && dati[inizio] != '\r')
                    ++inizio;
                inizio += (dati[inizio] == '\r' && inizio + 1 < confine && dati[inizio + 1] == '\n') ? 2 : 1;
            }
            Aggiungi(&punti_, CalcolaPunti(QByteArray::fromRawData(dati.constData() + inizio, confine - inizio), oggi_));
            const QByteArray prima = saltati > 0 ? controllo_ + ultimiSaltati : controllo_;
            if (confine >= LunghezzaControllo)
                controllo_ = QByteArray(dati.constData() + confine - LunghezzaControllo, LunghezzaControllo);
            else
                controllo_ = (prima + QByteArray(dati.constData(), confine)).right(LunghezzaControllo);
            fine_ += saltati + confine;
            saltati = 0;
            std::memmove(dati.data(), dati.constData() + confine, size_t(usati - confine));
            usati -= confine;
        }
        // What is left is a line without its end yet: dropped once it is too long for a record.
        if (usati > 1 && (saltati > 0 || usati - (dati[usati - 1] == '\r' ? 1 : 0) > MassimaRiga)) {
            ultimiSaltati = (ultimiSaltati + QByteArray(dati.constData(), usati - 1)).right(LunghezzaControllo);
            saltati += usati - 1;
            dati[0] = dati[usati - 1];
            usati = 1;
        }
    }
    dati.truncate(usati);
    *coda = saltati > 0 ? PuntiGrafico() : CalcolaPunti(dati, oggi_);
    return true;
}
