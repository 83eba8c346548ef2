#include "platform/Desktop.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QProcess>
#include <QTranslator>
#include <QVariantMap>
#include <cstdio>

#include "platform/Sintesi.h"

namespace platform {

Desktop::Desktop(bool withBoxes) : withBoxes_(withBoxes) {}

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
    if (!speech_)
        speech_ = new Speech;
    speech_->speak(text);
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
    if (withBoxes_)
        QMessageBox::critical(parent, title, text);
}

void Desktop::notify(const QString &title, const QString &text)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    message << QStringLiteral("Quotaro") << 0u << QStringLiteral("quotaro") << title << text
            << QStringList() << QVariantMap() << -1;
    // Sent without waiting for an answer: no service, no notification, no delay.
    bus.send(message);
}

bool loadQtTranslations()
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

} // namespace platform
