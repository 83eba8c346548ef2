#pragma once
// Desktop services the windows use: starting programs, speech, message boxes and
// notifications. `main` creates one after the application object and hands it to the
// main window, so it is destroyed first; tests hand over a recording subclass.
#include <QString>
#include <QStringList>

class QWidget;

namespace platform {

class Speech;

class Desktop {
public:
    // withBoxes: whether a message box can be shown at all (a screen someone looks at).
    explicit Desktop(bool withBoxes = true);
    virtual ~Desktop();
    Desktop(const Desktop &) = delete;
    Desktop &operator=(const Desktop &) = delete;

    // Starts a program detached, from an argument vector (never through a shell).
    virtual bool startProgram(const QString &program, const QStringList &arguments,
                              QString *error = nullptr);
    // Queues a text to be spoken; never waits for the speech engine.
    virtual void speak(const QString &text);
    // Modal Yes/No question with the critical icon; No is the default button.
    virtual bool askYesNo(QWidget *parent, const QString &title, const QString &text);
    // Modal error message, also printed on stderr (only printed without boxes).
    virtual void showError(QWidget *parent, const QString &title, const QString &text);
    // A line on stderr and a desktop notification when a notification service runs;
    // never modal, never waits.
    virtual void notify(const QString &title, const QString &text);

private:
    bool withBoxes_;
    Speech *speech_ = nullptr;
};

// Loads Qt's own translations for the system's language, so standard buttons read
// "Sì" and "No" on an Italian desktop. False when none is installed for it.
bool loadQtTranslations();

} // namespace platform
