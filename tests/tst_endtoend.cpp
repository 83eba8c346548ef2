// The built program as a user runs it: started with an instance number against the
// demo server, without its settings file, with other arguments, and as a further
// instance started the way "Nuove" starts one.
#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QtTest>
#include <csignal>
#include <memory>
#include <vector>

#include "TestSupport.h"
#include "platform/Desktop.h"

namespace {

const QString Exe = QStringLiteral(QUOTARO_EXE);

QByteArray readProc(qint64 pid, const char *what)
{
    QFile f(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(what)));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Instances of the program whose application folder is `home`, found in /proc.
QList<qint64> instancesIn(const QString &home)
{
    QList<qint64> found;
    const QByteArray mark = "QUOTARO_HOME=" + QFile::encodeName(home);
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok || readProc(pid, "cmdline").split('\0').value(0) != QFile::encodeName(Exe))
            continue;
        if (readProc(pid, "environ").split('\0').contains(mark))
            found << pid;
    }
    return found;
}

// Gone, or a zombie that only waits to be reaped.
bool ended(qint64 pid)
{
    const QByteArray stat = readProc(pid, "stat");
    const qsizetype close = stat.lastIndexOf(')');
    return stat.isEmpty() || (close > 0 && stat.mid(close + 2, 1) == "Z");
}

// Sets an environment variable for the life of a scope.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const QByteArray &value) : name_(name), old_(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv() { old_.isEmpty() ? qunsetenv(name_) : qputenv(name_, old_); }
private:
    const char *name_;
    QByteArray old_;
};

// Every process a test starts; all of them are killed when the test ends, however it ends.
class Launched {
public:
    explicit Launched(const QString &home) : home_(home) {}
    ~Launched()
    {
        for (qint64 pid : instancesIn(home_))
            ::kill(pid_t(pid), SIGKILL);
        for (auto &p : processes_) {
            p->kill();
            p->waitForFinished(3000);
        }
    }

    // The demo server with a fixed time; its port, 0 when it did not come up.
    quint16 startServer()
    {
        server_ = start(QStringLiteral(QUOTARO_DEMO_SERVER),
                        {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--time"),
                         QStringLiteral("16:00"), QStringLiteral("--futures-code"), QStringLiteral("CU26")},
                        QProcessEnvironment::systemEnvironment());
        waitFor([this] { return server_->canReadLine() || server_->state() == QProcess::NotRunning; });
        const auto m = QRegularExpression(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)\\n$"))
                           .match(QString::fromLatin1(server_->readLine()));
        port_ = m.hasMatch() ? quint16(m.captured(1).toUInt()) : 0;
        return port_;
    }
    // What the server logged: one line per request it answered.
    QByteArray serverLog()
    {
        QCoreApplication::processEvents();
        return log_ += server_->readAllStandardError();
    }

    // The program, off screen, in the test's application folder, against the server.
    QProcess *startProgram(const QStringList &arguments,
                           const QString &platformName = QStringLiteral("offscreen"))
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), platformName);
        env.insert(QStringLiteral("QUOTARO_HOME"), home_);
        const QString server = QStringLiteral("127.0.0.1:%1").arg(port_ ? port_ : 9);
        env.insert(QStringLiteral("QUOTARO_QUOTE_SERVER"), server);
        env.insert(QStringLiteral("QUOTARO_FUTURES_SERVER"), server);
        return start(Exe, arguments, env);
    }

private:
    QProcess *start(const QString &program, const QStringList &arguments,
                    const QProcessEnvironment &env)
    {
        processes_.push_back(std::make_unique<QProcess>());
        QProcess *p = processes_.back().get();
        p->setProcessEnvironment(env);
        p->start(program, arguments);
        p->waitForStarted(5000);
        return p;
    }

    QString home_;
    std::vector<std::unique_ptr<QProcess>> processes_;
    QProcess *server_ = nullptr;
    quint16 port_ = 0;
    QByteArray log_;
};

QList<QByteArray> records(const TempHome &home, const QString &file)
{
    QList<QByteArray> lines = home.read(file).split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

// Empty when the line is a record as the history writer lays it out: time, close,
// change and value each padded to its 14-column zone, then the date and CR LF.
QString recordFault(const QByteArray &line, const QStringList &dates)
{
    if (!line.endsWith('\r') || line.size() != 67)
        return QStringLiteral("layout: ") + QString::fromLatin1(line);
    const QRegularExpression forms[] = {
        QRegularExpression(QStringLiteral("^16:00$")), QRegularExpression(QStringLiteral("^\\d+,\\d+$")),
        QRegularExpression(QStringLiteral("^[+-] \\d+,\\d+ %$")), QRegularExpression(QStringLiteral("^\\d+,\\d+$"))};
    QStringList fields;
    for (int i = 0; i < 4; ++i) {
        const QString zone = QString::fromLatin1(line.mid(14 * i, 14));
        fields << zone.trimmed();
        if (zone.front() == u' ' || zone.back() != u' ' || !forms[i].match(fields.last()).hasMatch())
            return QStringLiteral("field %1: '%2'").arg(i + 1).arg(zone);
    }
    const QString date = QString::fromLatin1(line.mid(56, 10));
    if (!dates.contains(date))
        return QStringLiteral("date: ") + date;
    // A fall is written "- ", anything else "+ ".
    auto number = [](QString t) { return t.replace(u',', u'.').toDouble(); };
    const bool fall = number(fields[1]) > number(fields[3]);
    if (fields[2].startsWith(fall ? u'+' : u'-'))
        return QStringLiteral("sign: ") + QString::fromLatin1(line);
    return QString();
}

QStringList today() { return {QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"))}; }

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void instancePollsAtOnceAndAppends_data();
    void instancePollsAtOnceAndAppends();
    void missingSettingsEndsWithMessage_data();
    void missingSettingsEndsWithMessage();
    void otherArgumentsDoNotPoll_data();
    void otherArgumentsDoNotPoll();
    void furtherInstanceThroughDesktop();
    void futuresWindowOnNewCode();
};

void EndToEndTest::instancePollsAtOnceAndAppends_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<bool>("withFut");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("symbol");
    auto row = [](const char *name, const char *argument, bool withFut, const char *file,
                  const char *symbol) {
        QTest::newRow(name) << QString::fromLatin1(argument) << withFut << QString::fromLatin1(file)
                            << QByteArray(symbol);
    };
    row("1 follows the first index", "1", true, "Nasdaq.txt", "^IXIC");
    row("2 follows the second index", "2", true, "D.Jones.txt", "^DJI");
    row("1 without futures entry", "1", false, "D.Jones.txt", "^DJI");
    row("2 without futures entry", "2", false, "S&P 500.txt", "^GSPC");
}

void EndToEndTest::instancePollsAtOnceAndAppends()
{
    QFETCH(QString, argument);
    QFETCH(bool, withFut);
    QFETCH(QString, file);
    QFETCH(QByteArray, symbol);
    TempHome home(true, withFut);
    Launched run(home.path());
    QVERIFY(run.startServer());
    const QStringList dates = today();
    QProcess *program = run.startProgram({argument});
    QVERIFY(waitFor([&] { return home.read(file).contains("\r\n"); }, 10000));
    QCOMPARE(program->state(), QProcess::Running);

    const QList<QByteArray> lines = records(home, file);
    QCOMPARE(lines.size(), 1); // the next poll is 20 s away
    const QString fault = recordFault(lines[0], dates + today());
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QVERIFY(run.serverLog().contains("\"GET /qc/stocks/quotes.aspx?symbols=" + symbol + " HTTP/1.1\" 200"));
    QVERIFY(!run.serverLog().contains("fut.txt"));
    // The three history files exist; only the followed index's file grew.
    for (const char *name : {"Futures.txt", "Nasdaq.txt", "D.Jones.txt"}) {
        QVERIFY2(home.exists(QLatin1String(name)), name);
        if (QLatin1String(name) != file)
            QCOMPARE(home.read(QLatin1String(name)), QByteArray());
    }
}

void EndToEndTest::missingSettingsEndsWithMessage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("folderInstead");
    QTest::newRow("no argument") << QStringList() << false;
    QTest::newRow("instance 1") << QStringList{"1"} << false;
    QTest::newRow("other argument") << QStringList{"3"} << false;
    QTest::newRow("a folder by that name") << QStringList{"1"} << true;
}

void EndToEndTest::missingSettingsEndsWithMessage()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, folderInstead);
    TempHome home(false, true);
    if (folderInstead)
        QVERIFY(QDir(home.path()).mkdir(QStringLiteral("DatiIndex.cfg")));
    Launched run(home.path());
    QVERIFY(run.startServer());
    QProcess *program = run.startProgram(arguments);
    QVERIFY2(program->waitForFinished(10000), "the program did not end");
    QCOMPARE(program->exitStatus(), QProcess::NormalExit);
    QVERIFY(program->exitCode() != 0);
    const QString message = QString::fromUtf8(program->readAllStandardError());
    QVERIFY2(message.contains(QLatin1String("DatiIndex.cfg")), qPrintable(message));
    QVERIFY2(message.contains(QRegularExpression(QStringLiteral("\\b(impossibile|non|trovato|manca)\\b"),
                                                 QRegularExpression::CaseInsensitiveOption)),
             qPrintable(message));
    // Start-up stopped before any poll or futures download.
    QVERIFY(!run.serverLog().contains("GET"));
    QVERIFY(home.exists(QStringLiteral("Nasdaq.txt")));
}

void EndToEndTest::otherArgumentsDoNotPoll_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("downloadsCode");
    QTest::newRow("3") << QStringList{"3"} << false;
    QTest::newRow("01") << QStringList{"01"} << false;
    QTest::newRow("1 and 2 together") << QStringList{"1", "2"} << false;
    QTest::newRow("no argument") << QStringList() << true;
}

void EndToEndTest::otherArgumentsDoNotPoll()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, downloadsCode);
    TempHome home;
    Launched run(home.path());
    QVERIFY(run.startServer());
    QProcess *program = run.startProgram(arguments);
    // Two seconds: any poll would have been sent at once at start.
    waitFor([&] { return run.serverLog().contains("quotes.aspx"); }, 2000);
    QCOMPARE(program->state(), QProcess::Running);
    QVERIFY2(!run.serverLog().contains("quotes.aspx"), run.serverLog().constData());
    for (const char *name : {"Futures.txt", "Nasdaq.txt", "D.Jones.txt"})
        QCOMPARE(home.read(QLatin1String(name)), QByteArray());
    if (downloadsCode)
        QVERIFY(waitFor([&] { return run.serverLog().contains("GET /browser/fut.txt"); }, 5000));
    else
        QVERIFY(!run.serverLog().contains("fut.txt"));
}

void EndToEndTest::furtherInstanceThroughDesktop()
{
    TempHome home; // the new instance inherits QUOTARO_HOME and the rest
    Launched run(home.path());
    const quint16 port = run.startServer();
    QVERIFY(port);
    const QByteArray server = "127.0.0.1:" + QByteArray::number(port);
    ScopedEnv quotes("QUOTARO_QUOTE_SERVER", server);
    ScopedEnv futures("QUOTARO_FUTURES_SERVER", server);
    ScopedEnv platformName("QT_QPA_PLATFORM", "offscreen");
    platform::Desktop &desktop = platform::Desktop::instance();

    // A program that is not there: false and a reason, nothing else happens.
    QString error;
    QVERIFY(!desktop.startProgram(home.file(QStringLiteral("no-such-program")), {"1"}, &error));
    QVERIFY(!error.isEmpty());

    const QStringList dates = today();
    QVERIFY(desktop.startProgram(Exe, {QStringLiteral("1")}, &error));
    QVERIFY(waitFor([&] { return home.read(QStringLiteral("Nasdaq.txt")).contains("\r\n"); }, 10000));
    const QString fault = recordFault(records(home, QStringLiteral("Nasdaq.txt")).value(0), dates + today());
    QVERIFY2(fault.isEmpty(), qPrintable(fault));

    // The instance lives on its own: find it, end it, and see that it is gone.
    const QList<qint64> pids = instancesIn(home.path());
    QCOMPARE(pids.size(), 1);
    QVERIFY(!ended(pids[0]));
    QCOMPARE(readProc(pids[0], "cmdline"), QFile::encodeName(Exe) + QByteArray("\0" "1\0", 3));
    ::kill(pid_t(pids[0]), SIGKILL);
    QVERIFY(waitFor([&] { return ended(pids[0]); }, 5000));
}

// Started without arguments against a server that publishes another code, the real
// program opens the futures-code window; looked for on a virtual X display.
void EndToEndTest::futuresWindowOnNewCode()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xvfb.isEmpty() || xdotool.isEmpty())
        QSKIP("Xvfb or xdotool missing");
    TempHome home; // fut.txt holds CU26, the server publishes CU26 too...
    home.write(QStringLiteral("fut.txt"), "CH26\r\n"); // ...so the stored code is older
    Launched run(home.path());
    QVERIFY(run.startServer());

    const QString display = QStringLiteral(":%1").arg(200 + QCoreApplication::applicationPid() % 500);
    QProcess x;
    x.start(xvfb, {display, QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                   QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1024x768x24")});
    QVERIFY(x.waitForStarted(5000));
    auto stopX = qScopeGuard([&x] { x.kill(); x.waitForFinished(3000); });
    ScopedEnv onDisplay("DISPLAY", display.toLatin1());

    auto windowShown = [&] {
        QProcess search;
        search.start(xdotool, {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                               QStringLiteral("--name"), QStringLiteral("Aggiornamento codice Futures")});
        return search.waitForFinished(3000) && search.exitCode() == 0;
    };
    // The display needs a moment to come up: start the program again until it connects.
    QProcess *program = nullptr;
    QVERIFY(waitFor([&] {
        if (!program || program->state() == QProcess::NotRunning)
            program = run.startProgram({}, QStringLiteral("xcb"));
        return windowShown();
    }, 20000));
    QVERIFY(run.serverLog().contains("GET /browser/fut.txt"));
}

QTEST_GUILESS_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
