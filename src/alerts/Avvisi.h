#pragma once
// Alerts: the levels the user sets per index, the crossing rule that decides when a
// reading fires one, and the Avvisi.cfg layout that keeps the levels.
#include <QDate>
#include <QList>
#include <QString>
#include <optional>

// The three levels of one index; an absent level means no alert.
struct LivelliAvviso {
    std::optional<double> Sopra;     // fires when the value rises above it
    std::optional<double> Sotto;     // fires when the value falls below it
    std::optional<double> Variazione; // fires when the change's size (per cent) exceeds it
    bool Vuoti() const { return !Sopra && !Sotto && !Variazione; }
    bool operator==(const LivelliAvviso &) const = default;
};

// A number typed the Italian way: "21500", "21.500" (points between groups of three
// digits), "21500,5", "-1,5". Blanks around it are allowed; anything else gives nothing.
std::optional<double> LeggiNumeroItaliano(const QString &testo);
// A level as the user reads it ("21.500", "21.500,5") and as the voice says it ("21500").
QString NumeroConPunti(double numero);
QString NumeroDaDire(double numero);

// One usable reading: value and change in per cent (signed), and its day.
struct LetturaAvvisi {
    double Valore = 0;
    double Variazione = 0;
    QDate Giorno;
};

// The reading that the value boxes show (" 21512,30", "+ 1,20 %"), on a day; nothing
// when the value is missing or is no number, or the change has no sign (a price that
// could not be read gives none).
std::optional<LetturaAvvisi> LetturaDaTesti(const QString &testoValore, const QString &testoVariazione,
                                            const QDate &giorno);

// Per level: whether it may fire (true until it fires; again once the reading has gone
// back across the level by the margin).
struct ArmatiAvvisi {
    bool Sopra = true;
    bool Sotto = true;
    bool Variazione = true;
    bool operator==(const ArmatiAvvisi &) const = default;
};

struct EsitoAvvisi {
    bool Sopra = false;
    bool Sotto = false;
    bool Variazione = false;
    ArmatiAvvisi Armati;
    bool Nessuno() const { return !Sopra && !Sotto && !Variazione; }
};

// The crossing rule. A level fires when the new reading is beyond it (strictly) while
// the level is armed; being armed means the previous reading was on the other side, or
// there was no previous reading that day (so the first reading of a day already beyond
// a level fires). A fired level re-arms only once a reading is back across it by 0,1 %
// of the level, so a value hovering on the line does not fire again and again.
// No new reading (no value, an unreadable price, stale data): nothing fires, nothing
// changes.
EsitoAvvisi ValutaAvvisi(const LivelliAvviso &livelli, const std::optional<LetturaAvvisi> &precedente,
                         const std::optional<LetturaAvvisi> &nuova, ArmatiAvvisi armati);

// The levels the reading is beyond, one line each ("Nasdaq sopra 21.500"), for the
// value boxes' tooltip; empty when none.
QString DescriviOltrepassati(const QString &nome, const LivelliAvviso &livelli,
                             const std::optional<LetturaAvvisi> &lettura);

// What the user is told when levels fire: the notification line ("Nasdaq sopra 21.500:
// 21.512,30, + 1,20 %, ore 16:05") and the spoken sentence ("Nasdaq sopra 21500"), one per
// fired level.
struct MessaggioAvviso {
    QString Notifica;
    QString Voce;
};
QList<MessaggioAvviso> MessaggiAvvisi(const QString &nome, const LivelliAvviso &livelli, const EsitoAvvisi &esito,
                                      const QString &testoValore, const QString &testoVariazione,
                                      const QString &testoOra);

// Avvisi.cfg: one line per index, fields as in DatiIndex.cfg: "Nasdaq","21500","21000","1,5"
// (name, above, below, change; an empty field is no alert). Every line keeps its own
// text until its index's levels are set again, so hand-written lines stay as written.
struct RigaAvvisi {
    QString Testo;   // the line as it stands in the file
    QString Nome;    // empty when the line could not be read
    LivelliAvviso Livelli;
    int Numero = 0;  // line number in the file, from 1
};
struct FileAvvisi {
    QList<RigaAvvisi> Righe;
    // The lines that could not be read (kept, ignored).
    QList<RigaAvvisi> Illeggibili() const;
    LivelliAvviso Livelli(const QString &nome) const;
    // Replaces the index's line (or adds one); no levels removes it.
    void Imposta(const QString &nome, const LivelliAvviso &livelli);
};
FileAvvisi LeggiAvvisi(const QString &testo);
QByteArray ScriviAvvisi(const FileAvvisi &file);

// What the instances following one index share beside its history file: the last usable
// reading and the armed levels, with the levels they apply to. Whoever changes it fires.
struct StatoAvvisi {
    std::optional<LetturaAvvisi> Precedente;
    ArmatiAvvisi Armati;
    LivelliAvviso Livelli;
};
// A text that cannot be read gives the state of a fresh start (no previous reading).
StatoAvvisi LeggiStatoAvvisi(const QByteArray &testo);
QByteArray ScriviStatoAvvisi(const StatoAvvisi &stato);
// One reading applied to the shared state: what fires, and the state to store. Levels
// other than the stored ones start armed.
EsitoAvvisi AggiornaStatoAvvisi(StatoAvvisi &stato, const LivelliAvviso &livelli,
                                const std::optional<LetturaAvvisi> &nuova);
