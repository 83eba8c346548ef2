#pragma once
#include <QString>
#include <QByteArray>

inline const QString PercorsoFutures = QStringLiteral("/browser/fut.txt");

// The published code: the body of the answer with trailing CR and LF removed.
QString EstraiCodice(const QString &risposta);

// True when the code is to be offered: it starts with "C" and differs from the code in use.
bool CodiceNuovo(const QString &codice, const QString &simbolo);

// The bytes of fut.txt for a code: the code unchanged, then CR LF.
QByteArray ContenutoFut(const QString &codice);
