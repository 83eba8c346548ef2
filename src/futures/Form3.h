#pragma once
// The futures-code window: the code in use, an arrow, the new code and "Aggiorna".
#include <QWidget>

class QLineEdit;
class QLabel;
class QPushButton;
class Form1;

class Form3 : public QWidget {
    Q_OBJECT
public:
    explicit Form3(Form1 *principale);

    QLineEdit *Text1 = nullptr;
    QLabel *Image1 = nullptr;
    QLineEdit *Text2 = nullptr;
    QPushButton *Command1 = nullptr;

    void Form_Activate();
    void Command1_Click();

protected:
    bool event(QEvent *event) override;

private:
    Form1 *principale_;
    bool centrata_ = false;
};
