// Spoken announcements of the main window.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>

#include "platform/Desktop.h"
#include "ui/Form1.h"
#include "voice/Voce.h"

void Form1::TimerVoce_Timer()
{
    if (!Check3->isChecked())
        return;
    platform::Desktop::instance().speak(FraseVoce(Text1->text(), Titolo->text(), Text3->text()));
}

void Form1::Check3_Click()
{
    platform::Desktop::instance().speak(Check3->isChecked() ? QStringLiteral("Voce attivata")
                                                            : QStringLiteral("Voce disattivata"));
}
