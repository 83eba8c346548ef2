#pragma once
// The alert window: the three levels of the followed index ("Sopra", "Sotto",
// "Variazione oltre"), typed the Italian way. It only checks what is typed; the main
// window stores the levels and answers through MostraEsito. Not modal: the quotes go
// on; Enter is "Salva", Esc closes.
#include <QDialog>
#include <functional>
#include <initializer_list>

#include "alerts/Avvisi.h"

class QLabel;
class QLineEdit;
class QPushButton;

class Form4 : public QDialog {
    Q_OBJECT
public:
    Form4();

    // Fills the fields with an index's levels and shows the window.
    void Proponi(const QString &nomeIndice, const LivelliAvviso &livelli);
    // The store went well (errore empty: the window closes) or not (the message stays).
    void MostraEsito(const QString &errore);

signals:
    void LivelliScelti(const QString &nomeIndice, const LivelliAvviso &livelli);

private:
    // The levels typed, or nothing when a field is not a number (the message says which).
    std::optional<LivelliAvviso> LeggiCampi();
    void Controlla();
    void Command1_Click();

    QString NomeIndice;
    QLineEdit *Text1 = nullptr; // Sopra
    QLineEdit *Text2 = nullptr; // Sotto
    QLineEdit *Text3 = nullptr; // Variazione oltre
    QLabel *Label4 = nullptr;   // what is wrong with what was typed
    QPushButton *Command1 = nullptr; // Salva
    QPushButton *Command2 = nullptr; // Chiudi
};

// Gives a window the alert command: the shortcut Ctrl+L and an entry "Avvisi..." in the
// context menu of its value boxes, both running apri.
void CollegaAvvisi(QWidget *finestra, std::initializer_list<QLineEdit *> caselle, std::function<void()> apri);

