// An installed copy: the layout cmake --install lays out, and where the installed
// program keeps its files when QUOTARO_HOME is not set.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "TestSupport.h"

class InstallTest : public QObject {
    Q_OBJECT
private slots:
    void installedCopyUsesDataFolder();
};

void InstallTest::installedCopyUsesDataFolder()
{
    QTemporaryDir prefix;
    QProcess install;
    install.start(QStringLiteral("cmake"), {QStringLiteral("--install"), QStringLiteral(QUOTARO_BUILD_DIR),
                                            QStringLiteral("--prefix"), prefix.path()});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());

    const QDir root(prefix.path());
    for (const char *file : {"bin/quotaro", "share/applications/quotaro.desktop",
                             "share/icons/hicolor/32x32/apps/quotaro.png",
                             "share/icons/hicolor/48x48/apps/quotaro.png",
                             "share/quotaro/DatiIndex.cfg", "share/quotaro/fut.txt"})
        QVERIFY2(root.exists(QLatin1String(file)), file);
    QFile desktopEntry(root.filePath(QStringLiteral("share/applications/quotaro.desktop")));
    QVERIFY(desktopEntry.open(QIODevice::ReadOnly));
    const QByteArray entry = desktopEntry.readAll();
    QVERIFY(entry.contains("Exec=quotaro"));
    QVERIFY(entry.contains("Icon=quotaro"));
    QVERIFY(entry.contains("Comment[it]="));

    // Started without QUOTARO_HOME, the installed program keeps its files in the XDG
    // data folder, filled from the shipped ones, and writes nothing beside itself.
    QTemporaryDir data;
    ScriptedServer silent(ScriptedServer::reply(httpAnswer("")));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QUOTARO_HOME"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QUOTARO_FUTURES_SERVER"), silent.address());
    env.insert(QStringLiteral("QUOTARO_QUOTE_SERVER"), silent.address());
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(root.filePath(QStringLiteral("bin/quotaro")), {});
    QVERIFY(program.waitForStarted(5000));
    const QDir home(data.path() + QStringLiteral("/quotaro"));
    // The futures download at start-up shows the program has finished its start-up.
    QVERIFY(waitFor([&] { return silent.requests.size() == 1; }, 10000));
    program.kill();
    program.waitForFinished(5000);

    for (const char *file : {"DatiIndex.cfg", "fut.txt", "Futures.txt", "Nasdaq.txt", "D.Jones.txt"})
        QVERIFY2(home.exists(QLatin1String(file)), file);
    QFile shipped(root.filePath(QStringLiteral("share/quotaro/DatiIndex.cfg")));
    QFile copied(home.filePath(QStringLiteral("DatiIndex.cfg")));
    QVERIFY(shipped.open(QIODevice::ReadOnly) && copied.open(QIODevice::ReadOnly));
    QCOMPARE(copied.readAll(), shipped.readAll());
    QCOMPARE(QDir(root.filePath(QStringLiteral("bin"))).entryList(QDir::Files), QStringList{"quotaro"});
}

QTEST_GUILESS_MAIN(InstallTest)
#include "tst_install.moc"
