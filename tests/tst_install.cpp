// An installed copy: the layout cmake --install lays out, the Debian package installed
// with apt-get, and where the installed program keeps its files when QUOTARO_HOME is not set.
#include <QtTest>

#include "TestSupport.h"

namespace {
bool run(const QString &program, const QStringList &arguments, int timeoutMs = 120000)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(program, arguments);
    return p.waitForFinished(timeoutMs) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Started without QUOTARO_HOME, the installed program keeps its files in the XDG data
// folder, filled from the shipped ones, and writes nothing beside itself.
void keepsFilesInDataFolder(const QString &exe, const QString &shipped)
{
    QTemporaryDir data;
    ScriptedServer silent(ScriptedServer::reply(httpAnswer("")));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QUOTARO_HOME");
    env.insert("XDG_DATA_HOME", data.path());
    env.insert("QUOTARO_FUTURES_SERVER", silent.address());
    env.insert("QUOTARO_QUOTE_SERVER", silent.address());
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(exe, {});
    // The futures download at start-up shows the program has finished its start-up.
    QVERIFY(program.waitForStarted(5000) && waitFor([&] { return silent.requests.size() == 1; }, 10000));
    program.kill(), program.waitForFinished(5000);
    const QDir home(data.path() + "/quotaro");
    for (const char *file : {"DatiIndex.cfg", "fut.txt", "Futures.txt", "Nasdaq.txt", "D.Jones.txt"})
        QVERIFY2(home.exists(file), file);
    QFile original(shipped + "/DatiIndex.cfg"), copied(home.filePath("DatiIndex.cfg"));
    QVERIFY(original.open(QIODevice::ReadOnly) && copied.open(QIODevice::ReadOnly));
    QCOMPARE(copied.readAll(), original.readAll());
    const QDir bin = QFileInfo(exe).dir();
    QCOMPARE(bin.entryList({"quotaro*", "*.cfg", "*.txt"}, QDir::Files), QStringList({"quotaro", "quotaro-server"}));
}
} // namespace

class InstallTest : public QObject {
    Q_OBJECT
private slots:
    void installedCopyUsesDataFolder()
    {
        QTemporaryDir prefix;
        QVERIFY(run("cmake", {"--install", QUOTARO_BUILD_DIR, "--prefix", prefix.path()}));
        const QDir root(prefix.path());
        for (const char *file : {"share/applications/quotaro.desktop", "share/quotaro/fut.txt",
                                 "share/icons/hicolor/32x32/apps/quotaro.png",
                                 "share/metainfo/org.example.quotaro.metainfo.xml",
                                 "lib/systemd/user/sockets.target.wants/quotaro-server.socket"})
            QVERIFY2(root.exists(file), file);
        keepsFilesInDataFolder(root.filePath("bin/quotaro"), root.filePath("share/quotaro"));
    }

    // The package installs with its dependencies, runs, and goes again.
    void debianPackage()
    {
        if (::geteuid() != 0 || QStandardPaths::findExecutable("apt-get").isEmpty()
            || QStandardPaths::findExecutable("dpkg-shlibdeps").isEmpty() || QFile::exists("/usr/bin/quotaro"))
            QSKIP("needs root, apt-get, dpkg-shlibdeps and no quotaro installed already");
        QTemporaryDir out;
        QVERIFY(run("cpack", {"-G", "DEB", "-B", out.path(), "--config", QUOTARO_BUILD_DIR "/CPackConfig.cmake"}));
        const QStringList debs = QDir(out.path()).entryList({"quotaro_*_amd64.deb"});
        QCOMPARE(debs.size(), 1);
        qputenv("DEBIAN_FRONTEND", "noninteractive");
        const QStringList apt{"-y", "-qq", "-o", "DPkg::Lock::Timeout=120"};
        QVERIFY(run("apt-get", QStringList{"install"} + apt + QStringList{out.filePath(debs[0])}, 600000));
        auto removed = qScopeGuard([&] { run("apt-get", QStringList{"remove"} + apt + QStringList{"quotaro"}); });
        keepsFilesInDataFolder("/usr/bin/quotaro", "/usr/share/quotaro");
    }
};

QTEST_GUILESS_MAIN(InstallTest)
#include "tst_install.moc"
