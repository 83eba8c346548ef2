// Spoken announcements of the main window.
#include <QCheckBox>
#include <QLineEdit>

#include "platform/Desktop.h"
#include "ui/Controlli.h"
#include "ui/Form1.h"
#include "voice/Voce.h"

void Form1::TimerVoce_Timer()
{
    // Once a minute the state of the shown values is looked at again, polls or not:
    // a market opens and closes, a reading grows old.
    MostraStato();
    if (!Check3->isChecked())
        return;
    // A listener cannot see the grey text: stale values are said to be so.
    const QString frase = FraseVoce(Text1->text(), NomeIndice, Text3->text());
    desktop_.speak(Fermo(Text1) ? frase + QStringLiteral(", dati non aggiornati") : frase);
}

void Form1::Check3_Click()
{
    desktop_.speak(Check3->isChecked() ? QStringLiteral("Voce attivata")
                                       : QStringLiteral("Voce disattivata"));
}
