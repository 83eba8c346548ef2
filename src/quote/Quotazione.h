#pragma once
// Quote request path, quote page parser and the rules that read its values.
#include <QString>
#include <optional>

// "/qc/stocks/quotes.aspx?symbols=" followed by the symbol with blanks (spaces alone) around it removed.
// Of the symbol's UTF-8 bytes, the ones a request line cannot carry (controls, blank, DEL,
// '%', '#' and every byte above 127) go out as %XX with upper-case hex digits; all other
// characters, "^" "." "=" "&" "?" among them, go out unchanged.
QString PercorsoQuotazione(const QString &simbolo);

struct Quotazione {
    QString Ora;        // quote time, 24-hour form, e.g. 16:00
    QString Valore;     // last price, comma decimal, e.g. 987,12
    QString Variazione; // change without sign; "0,0" when nothing was read
    QString Chiusura;   // previous close
};

// The four texts cut out of the body of a quote answer (one character per byte).
Quotazione EstraiQuotazione(const QString &pagina);

// A shown price text (" 987,12": leading blank, comma decimal) as a number: empty or
// blanks only count as 0; a text that is not a number (two commas, a lone comma, a
// point) gives nothing.
std::optional<double> LeggiPrezzo(const QString &testo);
// Whether the previous close is greater than the last price (a fall); nothing when
// either text is not a number, so that no rise or fall is shown.
std::optional<bool> InRibasso(const QString &testoChiusura, const QString &testoValore);

// Activity bars: one step of the main window's bar and of the compact window's bar,
// lefts in twips. Returns the new lefts (main, compact).
struct PosizioniBarre { double Barra1; double Barra2; };
PosizioniBarre PassoBarre(double barra1, double barra2);
