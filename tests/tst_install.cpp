// An installed copy: the layout cmake --install lays out, and where the installed
// program keeps its files when QUOTARO_HOME is not set.
#include <QtTest>

#include "TestSupport.h"

class InstallTest : public QObject {
    Q_OBJECT
private slots:
    void installedCopyUsesDataFolder()
    {
        QTemporaryDir prefix;
        QProcess install;
        install.start("cmake", {"--install", QUOTARO_BUILD_DIR, "--prefix", prefix.path()});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
        const QDir root(prefix.path());
        for (const char *file : {"bin/quotaro", "share/applications/quotaro.desktop", "share/quotaro/fut.txt",
                                 "share/icons/hicolor/32x32/apps/quotaro.png", "share/quotaro/DatiIndex.cfg"})
            QVERIFY2(root.exists(file), file);
        QFile desktopEntry(root.filePath("share/applications/quotaro.desktop"));
        QVERIFY(desktopEntry.open(QIODevice::ReadOnly));
        const QByteArray entry = desktopEntry.readAll();
        QVERIFY(entry.contains("Exec=quotaro") && entry.contains("Icon=quotaro") && entry.contains("Comment[it]="));

        // Started without QUOTARO_HOME (and offscreen, as every test), the installed program keeps
        // its files in the XDG data folder, filled from the shipped ones, writing nothing beside itself.
        QTemporaryDir data;
        ScriptedServer silent(ScriptedServer::reply(httpAnswer("")));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("QUOTARO_HOME");
        env.insert("XDG_DATA_HOME", data.path());
        env.insert("QUOTARO_FUTURES_SERVER", silent.address());
        env.insert("QUOTARO_QUOTE_SERVER", silent.address());
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(root.filePath("bin/quotaro"), {});
        QVERIFY(program.waitForStarted(5000));
        // The futures download at start-up shows the program has finished its start-up.
        QVERIFY(waitFor([&] { return silent.requests.size() == 1; }, 10000));
        program.kill();
        program.waitForFinished(5000);
        const QDir home(data.path() + "/quotaro");
        for (const char *file : {"DatiIndex.cfg", "fut.txt", "Futures.txt", "Nasdaq.txt", "D.Jones.txt"})
            QVERIFY2(home.exists(file), file);
        QFile shipped(root.filePath("share/quotaro/DatiIndex.cfg")), copied(home.filePath("DatiIndex.cfg"));
        QVERIFY(shipped.open(QIODevice::ReadOnly) && copied.open(QIODevice::ReadOnly));
        QCOMPARE(copied.readAll(), shipped.readAll());
        QCOMPARE(QDir(root.filePath("bin")).entryList(QDir::Files), QStringList{"quotaro"});
    }
};

QTEST_GUILESS_MAIN(InstallTest)
#include "tst_install.moc"
