#pragma once
// The compact window: a borderless, always-on-top strip with the four values.
#include <QWidget>

class QLineEdit;
class QLabel;
class EtichettaCliccabile;

class Form2 : public QWidget {
    Q_OBJECT
public:
    // principale: the main window, shown again by the exit label.
    explicit Form2(QWidget *principale);

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

    void Form_Load();
    void Form_Activate();
    void Label2_Click();
    void Label3_Click();
    void Image1_Click();
    void Text5_KeyPress(int carattere);
    void Label1_Click();

    // Position and width in twips, as the platform really uses them.
    double LeftTwips() const;
    double TopTwips() const;
    double WidthTwips() const;
    void MoveTwips(double left, double top);

protected:
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *principale_;
    // Drag by hand where the window manager does not move the window.
    bool trascinamento_ = false;
    QPoint origineTrascinamento_;
};
