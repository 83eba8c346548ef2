// Spoken announcements of the main window.
#include <QCheckBox>
#include <QLineEdit>

#include "platform/Desktop.h"
#include "ui/Form1.h"
#include "voice/Voce.h"

void Form1::TimerVoce_Timer()
{
    if (!Check3->isChecked())
        return;
    desktop_.speak(FraseVoce(Text1->text(), NomeIndice, Text3->text()));
}

void Form1::Check3_Click()
{
    desktop_.speak(Check3->isChecked() ? QStringLiteral("Voce attivata")
                                       : QStringLiteral("Voce disattivata"));
}
