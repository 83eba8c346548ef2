#pragma once
#include <QString>

// The minute announcement: "ore " + time text + ", " + index name + ", " + ("meno" when
// the change text starts with "-") + change text.
QString FraseVoce(const QString &testoOra, const QString &nomeIndice, const QString &testoVariazione);
