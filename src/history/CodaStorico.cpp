#include "history/CodaStorico.h"

#include "platform/FileSistema.h"

namespace {
constexpr int IntervalloRiprova = 10;  // ms between tries while the lock is taken
constexpr qint64 AttesaMassima = 100;  // ms, then the record goes out without it
} // namespace

CodaStorico::CodaStorico(QObject *parent) : QObject(parent)
{
    riprova_.setSingleShot(true);
    riprova_.setInterval(IntervalloRiprova);
    connect(&riprova_, &QTimer::timeout, this, [this] { Svuota(true, false); });
}

CodaStorico::~CodaStorico()
{
    Svuota(true, true);
}

void CodaStorico::Accoda(const QString &percorso, const QByteArray &record)
{
    coda_.enqueue({percorso, record});
    // While older records wait, this one waits behind them.
    if (!riprova_.isActive())
        Svuota(false, false);
}

void CodaStorico::Svuota(bool rinviato, bool finale)
{
    while (!coda_.isEmpty()) {
        const bool forza = finale || (attesa_.isValid() && attesa_.hasExpired(AttesaMassima));
        bool occupato = false;
        QString errore;
        const Voce &voce = coda_.head();
        const bool scritto =
            platform::appendRecord(voce.Percorso, voce.Record, &errore, 0, forza ? nullptr : &occupato);
        if (occupato) {
            if (!attesa_.isValid())
                attesa_.start();
            riprova_.start();
            return;
        }
        coda_.dequeue();
        attesa_.invalidate();
        if (!finale)
            emit Esito(scritto, errore, rinviato);
    }
}
