#pragma once
// The futures-code window: the code in use, an arrow, the new code and "Aggiorna",
// which stores the new code in fut.txt and tells the main window through a signal.
#include <QWidget>

class QLineEdit;
class QLabel;
class QPushButton;
namespace platform {
class Desktop;
}

class Form3 : public QWidget {
    Q_OBJECT
public:
    explicit Form3(platform::Desktop &desktop);

    // Shows the code in use and the published one, and the window.
    void Proponi(const QString &codiceInUso, const QString &codiceNuovo);

signals:
    // fut.txt now holds this code.
    void CodiceSalvato(const QString &codice);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Activate();
    void Command1_Click();

    platform::Desktop &desktop_;
    QLineEdit *Text1 = nullptr;
    QLabel *Image1 = nullptr;
    QLineEdit *Text2 = nullptr;
    QPushButton *Command1 = nullptr;
    bool centrata_ = false;
};
