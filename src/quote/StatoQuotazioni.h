#pragma once
// What the ticker knows of its quote feed beyond the values it shows: when the feed last
// answered, when the shown quote time last changed, and the run of failed polls since
// the last good one. The windows tell the user from it; the rule that calls the shown
// values stale lives in the market calendar.
#include <QDateTime>
#include <QString>

struct StatoQuotazioni {
    int Fallimenti = 0;       // failed polls in a row
    QString Motivo;           // why the latest one failed
    QDateTime InErroreDal;    // when the run of failures began
    QDateTime UltimaRisposta; // the last answer with values
    QDateTime UltimoCambio;   // when the shown quote time last changed
    QString UltimaOra;        // the shown quote time

    // A poll failed. True at the first failure of a run, the one the user is told of.
    bool Fallita(const QDateTime &adesso, const QString &motivo);
    // A page with values came; ora is the quote time it shows.
    void Riuscita(const QDateTime &adesso, const QString &ora);
};

// The notice of a run of failures: "Nessuna quotazione da 127.0.0.1:41780: connessione rifiutata".
QString AvvisoNessunaQuotazione(const QString &server, const QString &motivo);

// What the value boxes' tooltip says of the feed (local times, HH:MM), one line each:
// while polls fail, the notice and since when; while the values are stale, "Dati fermi
// dalle HH:MM"; while the market is closed, "Mercato chiuso" and the last answer's time.
// Empty while all is well.
QString SuggerimentoQuotazioni(const StatoQuotazioni &stato, bool fermi, bool chiuso, const QString &server);
