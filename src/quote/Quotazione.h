#pragma once
// Quote request text and quote page parser.
#include <QString>

// "/qc/stocks/quotes.aspx?symbols=" followed by the symbol with blanks around it removed.
QString PercorsoQuotazione(const QString &simbolo);

// The five CR LF terminated request lines: GET, Host, Connection, Accept, empty.
QByteArray TestoRichiesta(const QString &percorso, const QString &host);

// The text after the first CR LF CR LF; without one, the text from its 4th character on.
QString CorpoRisposta(const QString &risposta);

struct Quotazione {
    QString Ora;        // quote time, 24-hour form, e.g. 16:00
    QString Valore;     // last price, comma decimal, e.g. 987,12
    QString Variazione; // change without sign; "0,0" when nothing was read
    QString Chiusura;   // previous close
};

// Keeps only digits, ':', 'p', 'a', 'm' ('A','M','P' are read as their lower-case letters).
QString FiltroOra(const QString &finestra);
// Keeps only digits and '.', every '.' becoming ','.
QString FiltroNumero(const QString &finestra);
// 12-hour page time (after the time filter) to the 24-hour quote time.
QString ConvertiOra(const QString &t);

// Replaces the buffer with the body of the answer and cuts the four texts out of it.
Quotazione EstraiQuotazione(QString &bufferRisposta);

// A shown price text (" 987,12", leading blank, comma decimal; empty counts as 0) as a number.
double LeggiPrezzo(const QString &testo);
// True when the previous close is greater than the last price (a fall).
bool InRibasso(const QString &testoChiusura, const QString &testoValore);

// Activity bars: one step of the main window's bar and of the compact window's bar,
// lefts in twips. Returns the new lefts (main, compact).
struct PosizioniBarre { double Barra1; double Barra2; };
PosizioniBarre PassoBarre(double barra1, double barra2);
