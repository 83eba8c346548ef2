#include "platform/Desktop.h"

#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <QProcess>
#include <QTextToSpeech>
#include <QVoice>
#include <algorithm>
#include <cstdio>

namespace platform {

namespace {
Desktop *g_override = nullptr;
} // namespace

Desktop::~Desktop()
{
    delete speech_;
}

bool Desktop::startProgram(const QString &program, const QStringList &arguments, QString *error)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    const bool started = process.startDetached();
    if (!started && error)
        *error = process.errorString();
    return started;
}

void Desktop::speak(const QString &text)
{
    if (!speech_) {
        // speech-dispatcher speaks Italian through espeak-ng; other engines lack it.
        const QStringList engines = QTextToSpeech::availableEngines();
        speech_ = engines.contains(QStringLiteral("speechd"))
                      ? new QTextToSpeech(QStringLiteral("speechd"))
                      : new QTextToSpeech();
        const QList<QLocale> locales = speech_->availableLocales();
        const auto italian = std::find_if(locales.begin(), locales.end(), [](const QLocale &l) {
            return l.language() == QLocale::Italian;
        });
        if (italian != locales.end())
            speech_->setLocale(*italian);
    }
    if (speech_->state() == QTextToSpeech::Error)
        return;
    speech_->say(text);
}

bool Desktop::askYesNo(QWidget *parent, const QString &title, const QString &text)
{
    return QMessageBox::critical(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No)
           == QMessageBox::Yes;
}

void Desktop::showError(QWidget *parent, const QString &title, const QString &text)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    // Off screen nobody can close the box; the line above is the whole report.
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    QMessageBox::critical(parent, title, text);
}

Desktop &Desktop::instance()
{
    if (g_override)
        return *g_override;
    static Desktop real;
    return real;
}

void Desktop::setInstance(Desktop *desktop)
{
    g_override = desktop;
}

} // namespace platform
