#pragma once
// Desktop services the windows use: starting programs, speech, message boxes.
// Tests install a recording subclass with Desktop::setInstance().
#include <QString>
#include <QStringList>

class QWidget;
class QTextToSpeech;

namespace platform {

class Desktop {
public:
    virtual ~Desktop();

    // Starts a program detached, from an argument vector (never through a shell).
    virtual bool startProgram(const QString &program, const QStringList &arguments,
                              QString *error = nullptr);
    // Speaks a text; silent when no speech engine works.
    virtual void speak(const QString &text);
    // Modal Yes/No question with the critical icon; No is the default button.
    virtual bool askYesNo(QWidget *parent, const QString &title, const QString &text);
    // Modal error message; also printed on stderr. On the offscreen platform, where
    // nobody could close the box, it is only printed.
    virtual void showError(QWidget *parent, const QString &title, const QString &text);

    static Desktop &instance();
    // Replaces the services (tests); pass nullptr to go back to the real ones.
    static void setInstance(Desktop *desktop);

private:
    QTextToSpeech *speech_ = nullptr;
};

} // namespace platform
