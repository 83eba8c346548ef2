#pragma once
// The history file on disk: its name, the append of one record, reading and emptying.
#include <QByteArray>
#include <QString>

// The file name of an index's history: the index name with every "/" turned into "_"
// (a name is one file, never a folder), followed by ".txt".
QString NomeFileStorico(const QString &nomeIndice);

// Appends the record at the end of the file, creating the file when missing. The record
// goes out in one write, so records of several instances never mix within a line; when
// the write fails half-way the file is cut back so that no partial line remains.
// On failure *errore (when given) says why.
bool AccodaRecord(const QString &percorso, const QByteArray &record, QString *errore);

// The whole file; false when it is missing or unreadable.
bool LeggiFile(const QString &percorso, QByteArray *contenuto);

// Deletes the file and creates it again empty. A missing file is simply created.
// On failure *errore (when given) says why.
bool SvuotaFile(const QString &percorso, QString *errore);
