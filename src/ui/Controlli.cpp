#include "ui/Controlli.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QRegularExpression>

#include "platform/Finestre.h"

void EtichettaCliccabile::mousePressEvent(QMouseEvent *event)
{
    event->setAccepted(event->button() == Qt::LeftButton);
}

void EtichettaCliccabile::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void IntestazioneColonne::Allinea(std::initializer_list<const QWidget *> caselle)
{
    caselle_ = caselle;
    update();
}

void IntestazioneColonne::paintEvent(QPaintEvent *event)
{
    if (caselle_.isEmpty())
        return QLabel::paintEvent(event);
    QFrame::paintEvent(event);
    QPainter pittore(this);
    pittore.setFont(font());
    const QStringList titoli = text().trimmed().split(QRegularExpression(QStringLiteral(" {2,}")));
    // Each box's text begins after one blank; so does its title.
    const int rientro = fontMetrics().horizontalAdvance(u' ');
    for (qsizetype i = 0; i < titoli.size() && i < caselle_.size(); ++i) {
        const int sinistra = caselle_[i]->x() - x() + rientro;
        pittore.drawText(QRect(sinistra, 0, width() - sinistra, height()), Qt::AlignLeft | Qt::AlignVCenter, titoli[i]);
    }
}

void ImpostaSfondoCasella(QWidget *controllo, const QColor &colore)
{
    QPalette palette = controllo->palette();
    palette.setColor(controllo->backgroundRole(), colore);
    controllo->setPalette(palette);
    controllo->setAutoFillBackground(true);
}

void ImpostaSfondo(QWidget *controllo, const QColor &colore)
{
    QPalette palette = controllo->palette();
    palette.setColor(QPalette::Base, colore);
    palette.setColor(QPalette::Window, colore);
    palette.setColor(QPalette::Button, colore);
    controllo->setPalette(palette);
    controllo->setAutoFillBackground(true);
}

QColor Sfondo(const QWidget *controllo)
{
    return controllo->palette().color(QPalette::Base);
}

QFont Carattere(double punti, bool grassetto)
{
    // Fonts with the metrics of the classic small dialog font, so the captions fit
    // the boxes they were laid out for; any sans-serif font after them.
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica"),
                      QStringLiteral("Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(punti);
    font.setBold(grassetto);
    return font;
}

// The left in twips is kept beside the pixel position, so controls that move in
// steps of twips (the activity bars) do not drift by the rounding to pixels.
static const char *const ProprietaSinistra = "sinistraTwips";

void Posiziona(QWidget *controllo, double left, double top, double width, double height)
{
    controllo->setGeometry(platform::pxRect(left, top, width, height));
    controllo->setProperty(ProprietaSinistra, left);
}

double SinistraTwips(const QWidget *controllo)
{
    const QVariant sinistra = controllo->property(ProprietaSinistra);
    if (sinistra.isValid() && platform::px(sinistra.toDouble()) == controllo->x())
        return sinistra.toDouble();
    return platform::twips(controllo->x());
}

void SpostaSinistra(QWidget *controllo, double leftTwips)
{
    controllo->move(platform::px(leftTwips), controllo->y());
    controllo->setProperty(ProprietaSinistra, leftTwips);
}

QLineEdit *CreaCasella(QWidget *padre, double punti)
{
    auto *casella = new QLineEdit(padre);
    casella->setReadOnly(true);
    casella->setFont(Carattere(punti, true));
    casella->setTextMargins(0, 0, 0, 0);
    casella->setContentsMargins(0, 0, 0, 0);
    return casella;
}

QWidget *CreaRettangolo(QWidget *padre, const QColor &colore)
{
    auto *rettangolo = new QWidget(padre);
    ImpostaSfondo(rettangolo, colore);
    return rettangolo;
}

void OrdineTab(std::initializer_list<QWidget *> controlli)
{
    QWidget *precedente = nullptr;
    for (QWidget *controllo : controlli) {
        if (precedente)
            QWidget::setTabOrder(precedente, controllo);
        precedente = controllo;
    }
}

void NominaControlli(std::initializer_list<std::pair<QObject *, const char *>> controlli)
{
    for (const auto &[controllo, nome] : controlli)
        controllo->setObjectName(QString::fromLatin1(nome));
}

void MostraTesto(QLineEdit *casella, const QString &testo)
{
    casella->setText(testo);
    casella->setCursorPosition(0);
}

void MostraFermo(QLineEdit *casella, bool fermo)
{
    QPalette palette = casella->palette();
    palette.setColor(QPalette::Text, fermo ? QColor(0x50, 0x50, 0x50) : QColor(Qt::black));
    casella->setPalette(palette);
    QFont carattere = casella->font();
    carattere.setItalic(fermo);
    casella->setFont(carattere);
}

bool Fermo(const QLineEdit *casella)
{
    return casella->font().italic();
}
