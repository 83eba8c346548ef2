#include "ui/Controlli.h"

#include <QAccessibleObject>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QRegularExpression>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

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

void EtichettaCliccabile::keyPressEvent(QKeyEvent *event)
{
    const int tasto = event->key();
    if (tasto == Qt::Key_Space || tasto == Qt::Key_Return || tasto == Qt::Key_Enter)
        emit clicked();
    else
        QLabel::keyPressEvent(event);
}

void EtichettaCliccabile::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QStylePainter pittore(this);
    QStyleOptionFocusRect opzione;
    opzione.initFrom(this);
    pittore.drawPrimitive(QStyle::PE_FrameFocusRect, opzione);
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

// The text colour of a control: dark grey while it shows stale values (its italic
// font says so), black otherwise.
static QColor ColoreTesto(const QWidget *controllo)
{
    return controllo->font().italic() ? QColor(0x50, 0x50, 0x50) : QColor(Qt::black);
}

// A fixed background gets the black text the windows were designed with, whatever the
// desktop's colours: light text of a dark scheme would vanish on the light backgrounds.
void ImpostaSfondoCasella(QWidget *controllo, const QColor &colore)
{
    QPalette palette = controllo->palette();
    palette.setColor(controllo->backgroundRole(), colore);
    // The tick square keeps the desktop's colours, its mark with it.
    palette.setColor(QPalette::WindowText, Qt::black);
    controllo->setPalette(palette);
    controllo->setAutoFillBackground(true);
}

void ImpostaSfondo(QWidget *controllo, const QColor &colore)
{
    QPalette palette = controllo->palette();
    for (const QPalette::ColorRole sfondo : {QPalette::Base, QPalette::Window, QPalette::Button})
        palette.setColor(sfondo, colore);
    for (const QPalette::ColorRole testo : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        palette.setColor(testo, ColoreTesto(controllo));
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

void NominaColonne(std::initializer_list<QWidget *> caselle)
{
    const char *const nomi[] = {"Ora di New York", "Chiusura", "Variazione", "Valore attuale"};
    const char *const *nome = nomi;
    for (QWidget *casella : caselle)
        casella->setAccessibleName(QString::fromUtf8(*nome++));
}

namespace {
const char *const ProprietaSpaziatore = "spaziatore";

// What assistive technology is told of a spacer: an invisible separator, nothing to stop at.
class SpaziatoreAccessibile : public QAccessibleObject {
public:
    SpaziatoreAccessibile(QAction *spaziatore, QWidget *barra) : QAccessibleObject(spaziatore), barra_(barra) {}
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(barra_.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QString text(QAccessible::Text) const override { return QString(); }
    QAccessible::Role role() const override { return QAccessible::Separator; }
    QAccessible::State state() const override
    {
        QAccessible::State stato;
        stato.invisible = stato.disabled = true;
        return stato;
    }
private:
    QPointer<QWidget> barra_;
};

QAccessibleInterface *InterfacciaSpaziatore(const QString &, QObject *oggetto)
{
    auto *azione = qobject_cast<QAction *>(oggetto);
    if (!azione || !azione->property(ProprietaSpaziatore).toBool())
        return nullptr;
    return new SpaziatoreAccessibile(azione, qobject_cast<QWidget *>(azione->parent()));
}
} // namespace

void AggiungiSpaziatore(QMenuBar *barra)
{
    QAccessible::installFactory(InterfacciaSpaziatore); // once: a factory already there is kept
    QAction *vuota = barra->addAction(QString());
    vuota->setEnabled(false);
    vuota->setProperty(ProprietaSpaziatore, true);
}

void MostraTesto(QLineEdit *casella, const QString &testo)
{
    casella->setText(testo);
    casella->setCursorPosition(0);
}

void MostraFermo(QLineEdit *casella, bool fermo)
{
    QFont carattere = casella->font();
    carattere.setItalic(fermo);
    casella->setFont(carattere);
    QPalette palette = casella->palette();
    palette.setColor(QPalette::Text, ColoreTesto(casella));
    casella->setPalette(palette);
}

bool Fermo(const QLineEdit *casella)
{
    return casella->font().italic();
}
