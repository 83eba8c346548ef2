#pragma once
// The compact window: a borderless, always-on-top strip with the four values.
#include <QWidget>
#include <initializer_list>

class QLineEdit;
class QLabel;
class EtichettaCliccabile;
namespace platform {
class Desktop;
}

class Form2 : public QWidget {
    Q_OBJECT
public:
    // principale: the main window, shown again by the exit label.
    Form2(platform::Desktop &desktop, QWidget *principale);

    // The first three letters of the followed index's name.
    void MostraIndice(const QString &nome);
    // The texts, colours and stale look of the main window's Text1 to Text4, in that order.
    void CopiaValori(std::initializer_list<const QLineEdit *> principali);
    // The program's notes (the state of the data, alerts) in the value boxes' tooltips,
    // after each box's own; empty: the box's own alone.
    void ImpostaSuggerimento(const QString &testo);
    // The activity bar's left, in twips.
    double SinistraBarra() const;
    void SpostaBarra(double sinistra);

    // Position and width in twips, as the platform really uses them.
    double LeftTwips() const;
    double TopTwips() const;
    double WidthTwips() const;
    // Moves the strip; a place past the right edge of its screen becomes the last place
    // where the strip fits whole.
    void MoveTwips(double left, double top);

signals:
    // The user asked for the alert window (context menu of a value box, or Ctrl+L).
    void AvvisiRichiesti();

protected:
    bool event(QEvent *event) override;
    // Closed by the window manager (Alt+F4): the same as " Esci"; the instance goes on.
    void closeEvent(QCloseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void Form_Activate();
    void Label2_Click();
    void Label3_Click();
    void Image1_Click();
    void Text5_KeyPress(int carattere);
    void Label1_Click();

    platform::Desktop &desktop_;
    QWidget *principale_;
    EtichettaCliccabile *Label2 = nullptr;
    QLineEdit *Text1 = nullptr;
    QWidget *Shape2 = nullptr;
    QLineEdit *Text4 = nullptr;
    QLineEdit *Text3 = nullptr;
    QLineEdit *Text2 = nullptr;
    QLineEdit *Text5 = nullptr;
    EtichettaCliccabile *Image1 = nullptr;
    EtichettaCliccabile *Label3 = nullptr;
    EtichettaCliccabile *Label1 = nullptr;
    QWidget *Shape1 = nullptr;

    // The place the last move asked for, and where the strip went to fit its screen.
    double sinistraChiesta_ = 0;
    QPoint postoAdattato_{-1, -1};

    // One move asked of the window manager per press; by hand where it refuses.
    bool mossaChiesta_ = false;
    bool trascinamento_ = false;
    QPoint origineTrascinamento_;
};
