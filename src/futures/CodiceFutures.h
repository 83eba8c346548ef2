#pragma once
#include <QString>
#include <QByteArray>

inline const QString PercorsoFutures = QStringLiteral("/browser/fut.txt");

// The published code out of the body of the answer: the body without its trailing CR
// and LF. Empty, like a failed download, unless that is one line of 1 to 32 printable
// ASCII characters (blank to '~') without ',' or '"' and without a blank at either end,
// so that it can stand as a field of DatiIndex.cfg and a line of fut.txt.
QString EstraiCodice(const QString &corpo);

// True when the code is to be offered: it starts with "C" and differs from the code in
// use (the futures entry's own code; empty without fut.txt).
bool CodiceNuovo(const QString &codice, const QString &codiceInUso);

// The bytes of fut.txt for a code: the code unchanged, then CR LF.
QByteArray ContenutoFut(const QString &codice);
