#pragma once
// Small pieces shared by the windows: clickable labels, background colours, fonts,
// and placing a control from its twips layout.
#include <QColor>
#include <QFont>
#include <QLabel>
#include <initializer_list>
#include <utility>

class QLineEdit;
class QMenuBar;

class EtichettaCliccabile : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();
protected:
    // Given a keyboard focus, the label shows it and takes Space and Enter as a click.
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    // Taking the press keeps the release (and so the click) on the label.
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};

// A caption of column titles over a row of boxes: its text stays as it is, but each
// title (the words between runs of blanks) is drawn where its box's text begins, so
// the titles sit over their boxes whatever the font's blank width.
class IntestazioneColonne : public EtichettaCliccabile {
    Q_OBJECT
public:
    using EtichettaCliccabile::EtichettaCliccabile;
    // The boxes under the titles, in the caption's order.
    void Allinea(std::initializer_list<const QWidget *> caselle);
protected:
    void paintEvent(QPaintEvent *event) override;
private:
    QList<const QWidget *> caselle_;
};

// Background colour of a check box: its own area, not its tick square; its text black.
void ImpostaSfondoCasella(QWidget *controllo, const QColor &colore);

// Background colour of a control (text boxes, labels, check boxes, shapes), with black text.
void ImpostaSfondo(QWidget *controllo, const QColor &colore);
QColor Sfondo(const QWidget *controllo);

// The desktop's sans-serif font at a point size and weight.
QFont Carattere(double punti, bool grassetto);

// Places a control from its layout in twips.
void Posiziona(QWidget *controllo, double left, double top, double width, double height);
// Left and top of a control in twips, as the platform really placed it.
double SinistraTwips(const QWidget *controllo);
void SpostaSinistra(QWidget *controllo, double leftTwips);

// A read-only text box with the bold value font.
QLineEdit *CreaCasella(QWidget *padre, double punti);
// Keyboard tab order, first to last.
void OrdineTab(std::initializer_list<QWidget *> controlli);

// A filled rectangle.
QWidget *CreaRettangolo(QWidget *padre, const QColor &colore);

// Gives each control its name as object name, so it can be found by it.
void NominaControlli(std::initializer_list<std::pair<QObject *, const char *>> controlli);

// The look of a value box whose reading is stale: dark grey italic text on the same
// background (readable on the rise and fall colours, and not by colour alone); black
// upright text again once fresh. A new background (ImpostaSfondo) keeps the look.
void MostraFermo(QLineEdit *casella, bool fermo);
bool Fermo(const QLineEdit *casella);

// The names a screen reader gives the value boxes: time, close, change and value, in that order.
void NominaColonne(std::initializer_list<QWidget *> caselle);

// A spacer of the menu bar: a disabled empty item that only spreads the others along
// the bar, hidden from assistive technology.
void AggiungiSpaziatore(QMenuBar *barra);

// Shows a text in a value box from its start, so a long value keeps its sign in view.
void MostraTesto(QLineEdit *casella, const QString &testo);
