// An installed copy: the layout cmake --install lays out, the Debian package installed
// with apt-get, and where the installed program keeps its files when QUOTARO_HOME is not set.
#include <QtTest>
#include <sys/file.h>

#include "TestSupport.h"

namespace {
bool run(const QString &program, const QStringList &arguments, int timeoutMs = 120000) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(program, arguments);
    return p.waitForFinished(timeoutMs) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Started without QUOTARO_HOME, the installed program keeps its files in the XDG data
// folder, filled from the shipped ones, and writes nothing beside itself.
void keepsFilesInDataFolder(const QString &exe, const QString &shipped) {
    QTemporaryDir data;
    ScriptedServer silent(ScriptedServer::reply(httpAnswer("")));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QUOTARO_HOME"), env.insert("XDG_DATA_HOME", data.path());
    env.insert("QUOTARO_FUTURES_SERVER", silent.address()), env.insert("QUOTARO_QUOTE_SERVER", silent.address());
    QProcess program;
    program.setProcessEnvironment(env), program.start(exe, {});
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

// dpkg's state and version of the package ("" when it knows nothing of it) and the identity
// of the installed program's file: a copy installed anew is a new file.
QByteArray installed() {
    QProcess p;
    const char *query = "dpkg-query -W -f='${db:Status-Abbrev}${Version}' quotaro; stat -c ' %i %z' /usr/bin/quotaro";
    p.start("sh", {"-c", query});
    return p.waitForFinished(30000) ? p.readAllStandardOutput().simplified() : "?";
}
} // namespace

class InstallTest : public QObject {
    Q_OBJECT
private slots:
    void installedCopyUsesDataFolder() {
        QTemporaryDir prefix;
        QVERIFY(run("cmake", {"--install", QUOTARO_BUILD_DIR, "--prefix", prefix.path()}));
        const QDir root(prefix.path());
        for (const char *file : {"share/applications/quotaro.desktop", "share/quotaro/fut.txt",
                 "share/icons/hicolor/32x32/apps/quotaro.png", "share/metainfo/org.example.quotaro.metainfo.xml",
                 "lib/systemd/user/sockets.target.wants/quotaro-server.socket"})
            QVERIFY2(root.exists(file), file);
        keepsFilesInDataFolder(root.filePath("bin/quotaro"), root.filePath("share/quotaro"));
    }

    // The package installs with its dependencies, runs, and goes again; only where dpkg knows no
    // quotaro (a user's copy is never replaced), one package test at a time on the machine.
    void debianPackage() {
        if (::geteuid() != 0 || QStandardPaths::findExecutable("apt-get").isEmpty()
            || QStandardPaths::findExecutable("dpkg-shlibdeps").isEmpty())
            QSKIP("needs root, apt-get and dpkg-shlibdeps");
        QFile lock("/run/lock/quotaro-package-test.lock");
        if (!lock.open(QIODevice::WriteOnly) || ::flock(lock.handle(), LOCK_EX | LOCK_NB) != 0)
            QSKIP("another package test holds /run/lock/quotaro-package-test.lock");
        if (const QByteArray before = installed(); !before.isEmpty() && before != "un" && before != "pn")
            QSKIP(qPrintable("quotaro is installed here (" + before + "); the test leaves it alone"));
        QTemporaryDir out;
        QVERIFY(run("cpack", {"-G", "DEB", "-B", out.path(), "--config", QUOTARO_BUILD_DIR "/CPackConfig.cmake"}));
        const QStringList debs = QDir(out.path()).entryList({"quotaro_*_amd64.deb"});
        QCOMPARE(debs.size(), 1);
        qputenv("DEBIAN_FRONTEND", "noninteractive");
        // Never an upgrade or a downgrade: a copy installed meanwhile stays as it is.
        const QStringList apt{"-y", "-qq", "--no-upgrade", "-o", "DPkg::Lock::Timeout=120"};
        QVERIFY(run("apt-get", QStringList{"install"} + apt + QStringList{out.filePath(debs[0])}, 600000));
        const QByteArray ours = installed();
        QVERIFY2(ours.startsWith("ii " + debs[0].section('_', 1, 1).toLatin1()), ours.constData());
        auto removed = qScopeGuard([&] { // only the copy installed here
            installed() == ours ? void(run("apt-get", QStringList{"remove"} + apt + QStringList{"quotaro"}))
                                : qWarning("quotaro was installed anew during the test: left installed");
        });
        keepsFilesInDataFolder("/usr/bin/quotaro", "/usr/share/quotaro");
    }
};

QTEST_GUILESS_MAIN(InstallTest)
#include "tst_install.moc"
