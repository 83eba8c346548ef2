#pragma once
// History records: the file name, the record layout, the writer and the chart points.
#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QVector>

// The file name of an index's history (in the application folder): the index name
// followed by ".txt", except that
// - every "/" and every NUL becomes "_": a name is one file, never a folder, and the
//   file system sees the whole name (a NUL would end it early: "DatiIndex.cfg\0"
//   would write into the settings file);
// - a file name equal to a settings file's (DatiIndex.cfg, fut.txt; compared
//   case-sensitively, like the file system) gets "_" before ".txt": an index named
//   "fut" has "fut_.txt", and shares it with an index named "fut_".
QString NomeFileStorico(const QString &nomeIndice);

// Columns of a record line, 1-based, both ends included.
struct Colonne {
    qsizetype Prima;
    qsizetype Ultima;
};

// The record layout. The writer puts the five fields in print zones 14 columns wide;
// the reader looks at fixed columns of the line.
inline constexpr qsizetype LarghezzaZona = 14;
inline constexpr Colonne ZonaChiusura{15, 28};        // zone 2: the previous close
inline constexpr Colonne ZonaValore{43, 56};          // zone 4: the last value
inline constexpr Colonne ColonneVariazione{28, 37};  // the change, "+ 0,52 %"
inline constexpr Colonne ColonneData{55, 69};        // end of zone 4 and the date

// One record: the four texts in print zones, then the date and CR LF.
QByteArray ScriviRecord(const QString &ora, const QString &chiusura,
                        const QString &variazione, const QString &valore,
                        const QString &data);

// The date text of a record: dd/MM/yyyy.
QString TestoData(const QDate &giorno);

// The columns of a line, trimmed of blanks: what the line holds of them, empty when it
// ends before the first one.
QByteArrayView Finestra(QByteArrayView riga, Colonne colonne);

// A decimal number with "," as separator ("+ 0,52 ", "9503,34"): an optional sign,
// blanks, digits with at most one comma. False for anything else.
bool LeggiNumero(QByteArrayView testo, double *numero);

inline constexpr int MassimoPunti = 22000;
// A line longer than this (without its line end) is no record: the writer's lines are
// far shorter. It is skipped, and a reader never needs to hold it whole.
inline constexpr qsizetype MassimaRiga = 4096;

struct PuntiGrafico {
    QVector<QString> Righe;   // charted lines, in file order (index 0 = first record)
    QVector<double> Valori;   // their values, parallel to Righe
    int Colore = 0;           // 0: unchanged (no record of today), 1: red, 2: dark green
};

// Today's points of a history file's bytes.
PuntiGrafico CalcolaPunti(const QByteArray &contenuto, const QString &oggi);
