#include "futures/Form3.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "futures/CodiceFutures.h"
#include "platform/Ambiente.h"
#include "platform/Desktop.h"
#include "platform/FileSistema.h"
#include "platform/Finestre.h"
#include "ui/Controlli.h"
#include "ui/Form1.h"

Form3::Form3(Form1 *principale)
    : QWidget(nullptr, Qt::Dialog | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint
                           | Qt::MSWindowsFixedSizeDialogHint),
      principale_(principale)
{
    setWindowTitle(QStringLiteral("Aggiornamento codice Futures"));
    setWindowIcon(QIcon(QStringLiteral(":/icone/quotaro.png")));
    ImpostaSfondo(this, QColor(255, 128, 128));
    setFixedSize(platform::px(5100), platform::px(585));

    Text1 = new QLineEdit(this);
    Posiziona(Text1, 120, 120, 1515, 375);
    Image1 = new QLabel(this);
    Image1->setPixmap(QPixmap(QStringLiteral(":/icone/freccia.png")));
    Image1->setScaledContents(true);
    Posiziona(Image1, 1680, 60, 480, 480);
    Text2 = new QLineEdit(this);
    Posiziona(Text2, 2220, 120, 1455, 375);
    Command1 = new QPushButton(QStringLiteral("Aggiorna"), this);
    Posiziona(Command1, 3780, 120, 1215, 375);
    OrdineTab({Text1, Command1, Text2});
    for (QLineEdit *casella : {Text1, Text2})
        ImpostaSfondo(casella, QColor(255, 255, 255));

    connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
}

void Form3::Form_Activate()
{
    platform::setStaysOnTop(this, true);
}

void Form3::Command1_Click()
{
    const QString percorso = platform::appFile(QStringLiteral("fut.txt"));
    QString errore;
    if (!platform::replaceFile(percorso, ContenutoFut(Text2->text()), &errore)) {
        // Nothing stored: the code in use stays, the window stays open to try again.
        platform::Desktop::instance().showError(
            this, QStringLiteral("Aggiornamento codice Futures"),
            QStringLiteral("Impossibile scrivere il file \"%1\": %2").arg(percorso, errore));
        return;
    }
    hide();
    principale_->CaricaImpostazioni();
}

bool Form3::event(QEvent *event)
{
    if (event->type() == QEvent::Show && !centrata_) {
        centrata_ = true;
        if (QScreen *schermo = QGuiApplication::primaryScreen()) {
            const QRect area = schermo->geometry();
            move(area.center() - rect().center());
        }
    }
    if (event->type() == QEvent::WindowActivate)
        Form_Activate();
    return QWidget::event(event);
}
