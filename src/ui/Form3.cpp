#include "ui/Form3.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "futures/CodiceFutures.h"
#include "platform/Ambiente.h"
#include "platform/Desktop.h"
#include "platform/FileSistema.h"
#include "platform/Finestre.h"
#include "ui/Controlli.h"

Form3::Form3(platform::Desktop &desktop)
    : QWidget(nullptr, Qt::Dialog | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint
                           | Qt::MSWindowsFixedSizeDialogHint),
      desktop_(desktop)
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
    Text1->setAccessibleName(QStringLiteral("Codice in uso"));
    Text2->setAccessibleName(QStringLiteral("Nuovo codice"));

    NominaControlli({{Text1, "Text1"}, {Image1, "Image1"}, {Text2, "Text2"}, {Command1, "Command1"}});
    connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
}

void Form3::Proponi(const QString &codiceInUso, const QString &codiceNuovo)
{
    Text1->setText(codiceInUso);
    Text2->setText(codiceNuovo);
    show();
}

void Form3::Form_Activate()
{
    platform::setStaysOnTop(this, true);
}

void Form3::Command1_Click()
{
    const QString percorso = platform::appFile(platform::FuturesFileName);
    QString errore;
    if (!platform::replaceFile(percorso, ContenutoFut(Text2->text()), &errore)) {
        // Nothing stored: the code in use stays, the window stays open to try again.
        desktop_.showError(
            this, QStringLiteral("Aggiornamento codice Futures"),
            QStringLiteral("Impossibile scrivere il file \"%1\": %2").arg(percorso, errore));
        return;
    }
    hide();
    emit CodiceSalvato(Text2->text());
}

void Form3::keyPressEvent(QKeyEvent *event)
{
    // Enter stores the code, as "Aggiorna" does; Escape closes, as the close box does.
    const int tasto = event->key();
    if (tasto == Qt::Key_Return || tasto == Qt::Key_Enter)
        Command1_Click();
    else if (tasto == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

bool Form3::event(QEvent *event)
{
    // Centred when first shown, and again, frame included, once the window manager has
    // framed it (at the latest when it first activates it).
    if (event->type() == QEvent::Show && !centrata_)
        platform::centreOnScreen(this);
    if (event->type() == QEvent::WindowActivate) {
        if (!centrata_ && frameGeometry().size() != size())
            platform::centreOnScreen(this);
        centrata_ = true;
        Form_Activate();
    }
    return QWidget::event(event);
}
