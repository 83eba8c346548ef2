#pragma once
// History records: the writer, the reading windows and the chart points.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QDate>

// One record: t1..t4 in 14-column print zones, then the date and CR LF.
QByteArray ScriviRecord(const QString &ora, const QString &chiusura,
                        const QString &variazione, const QString &valore,
                        const QString &data);

// The date text of a record: dd/MM/yyyy.
QString TestoData(const QDate &giorno);

// Reading windows of a record line (1-based columns, trimmed).
QString FinestraData(const QString &riga);       // 55-69
QString FinestraVariazione(const QString &riga); // 28-37
QString FinestraValore(const QString &riga);     // 40-49
QString FinestraChiusura(const QString &riga);   // 10-19

// The chart's value text ("+ 0,52 ") as a number (0.52).
double ValoreVariazione(const QString &testo);

inline constexpr int MassimoPunti = 22000;

struct PuntiGrafico {
    QVector<QString> Righe;   // charted lines, in file order (index 0 = first record)
    QVector<double> Valori;   // their values, parallel to Righe
    int Colore = 0;           // 0: unchanged (no record of today), 1: red, 2: dark green
};

// Today's points of a history file's bytes.
PuntiGrafico CalcolaPunti(const QByteArray &contenuto, const QString &oggi);
