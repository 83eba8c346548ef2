// Idle cost of the real program: CPU time while it polls the demo server every 5 s,
// and its resident memory over an hour's worth of polls. Prints figures only.
//
//   bench_inattivo [SECONDS] [--exe PATH] [--server PATH]
//
// SECONDS: length of the CPU measurement (default 300, or $QUOTARO_BENCH_IDLE_SECONDS).
// The program runs with the argument "1" (first index, compact window, polling on) and
// with QUOTARO_POLL_INTERVAL_MS: 5000 for the CPU figure; for the memory figure 50, so
// that 720 polls (an hour at 5 s) take about a minute. The memory is measured twice: as
// the program runs (each poll appends a record of today, which the chart then holds),
// and with folders in the history files' place, so that no record is written and what
// is left is the poll cycle itself.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include "BenchSupport.h"

#include <cstdio>
#include <functional>
#include <memory>

namespace {

// Runs the event loop until the predicate holds or the time is up.
bool waitUntil(const std::function<bool()> &predicate, qint64 timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!predicate()) {
        if (t.elapsed() >= timeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(100, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// The demo server, counting the quote requests it answers.
class DemoServer {
public:
    bool start(const QString &program)
    {
        QObject::connect(&process_, &QProcess::readyReadStandardError, [this] {
            log_ += process_.readAllStandardError();
            qsizetype end;
            while ((end = log_.indexOf('\n')) >= 0) {
                if (log_.left(end).contains("/qc/stocks/quotes.aspx"))
                    ++quotes;
                log_.remove(0, end + 1);
            }
        });
        process_.start(program, {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--seed"),
                                 QStringLiteral("1")});
        if (!process_.waitForStarted(10000))
            return false;
        QByteArray out;
        waitUntil([&] {
            out += process_.readAllStandardOutput();
            return out.contains('\n') || process_.state() != QProcess::Running;
        }, 10000);
        const qsizetype at = out.indexOf("listening on ");
        if (at < 0)
            return false;
        address = QString::fromLatin1(out.mid(at + 13).split('\n').value(0).trimmed());
        return true;
    }
    ~DemoServer()
    {
        process_.kill();
        process_.waitForFinished(5000);
    }
    QString address;
    qint64 quotes = 0;

private:
    QProcess process_;
    QByteArray log_;
};

// One run of the program with its own application folder.
class Program {
public:
    // noRecords: folders stand where the history files go, so no record is written
    // and the chart stays empty; what is left is the poll cycle itself.
    bool start(const QString &exe, const QString &server, int intervalMs, bool noRecords = false)
    {
        if (!home_.isValid() || !bench::fillHome(home_.path()))
            return false;
        for (const char *name : {"Futures.txt", "Nasdaq.txt", "D.Jones.txt"}) {
            if (noRecords && !QDir(home_.path()).mkdir(QString::fromLatin1(name)))
                return false;
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUOTARO_HOME"), home_.path());
        env.insert(QStringLiteral("QUOTARO_QUOTE_SERVER"), server);
        env.insert(QStringLiteral("QUOTARO_FUTURES_SERVER"), server);
        env.insert(QStringLiteral("QUOTARO_POLL_INTERVAL_MS"), QString::number(intervalMs));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qt.speech*=false"));
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.start(exe, {QStringLiteral("1")});
        return process_.waitForStarted(10000);
    }
    ~Program()
    {
        process_.kill();
        process_.waitForFinished(5000);
    }
    qint64 pid() const { return process_.processId(); }
    bool running() const { return process_.state() == QProcess::Running; }
    // Records in the history files.
    qint64 records() const
    {
        qint64 lines = 0;
        for (const QString &name : QDir(home_.path()).entryList({QStringLiteral("*.txt")}, QDir::Files)) {
            if (name == u"fut.txt")
                continue;
            QFile f(home_.filePath(name));
            if (f.open(QIODevice::ReadOnly))
                lines += f.readAll().count('\n');
        }
        return lines;
    }

private:
    QTemporaryDir home_;
    QProcess process_;
};

double mib(long kib) { return double(kib) / 1024; }

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QString screen;
    const int rerun = bench::rerunOnVirtualScreen(argc, argv, &screen);
    if (rerun >= 0)
        return rerun;

    QString exe = QStringLiteral(QUOTARO_EXE);
    QString serverExe = QStringLiteral(QUOTARO_SERVER);
    int seconds = qEnvironmentVariableIntValue("QUOTARO_BENCH_IDLE_SECONDS");
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == u"--exe" && i + 1 < args.size())
            exe = args[++i];
        else if (args[i] == u"--server" && i + 1 < args.size())
            serverExe = args[++i];
        else if (args[i].toInt() > 0)
            seconds = args[i].toInt();
    }
    if (seconds <= 0)
        seconds = 300;

    DemoServer server;
    if (!server.start(serverExe)) {
        std::fprintf(stderr, "the demo server %s did not start\n", qPrintable(serverExe));
        return 0;
    }
    std::printf("Idle cost of %s 1 against the demo server on %s (%s)\n\n", qPrintable(exe),
                qPrintable(server.address), qPrintable(screen));
    std::fflush(stdout);

    // CPU: polls every 5 s for the given time, after the start-up and the first poll.
    {
        Program program;
        if (!program.start(exe, server.address, 5000)) {
            std::fprintf(stderr, "the program did not start\n");
            return 0;
        }
        const qint64 before = server.quotes;
        waitUntil([&] { return server.quotes > before || !program.running(); }, 30000);
        waitUntil([] { return false; }, 2000);
        const double cpu0 = bench::cpuSeconds(program.pid());
        const long rss0 = bench::statusKiB(program.pid(), "VmRSS");
        const qint64 polls0 = server.quotes;
        QElapsedTimer t;
        t.start();
        waitUntil([&] { return !program.running(); }, qint64(seconds) * 1000);
        const double elapsed = double(t.elapsed()) / 1000;
        const double cpu1 = bench::cpuSeconds(program.pid());
        const long rss1 = bench::statusKiB(program.pid(), "VmRSS");
        const qint64 polls = server.quotes - polls0;
        if (!program.running() || cpu0 < 0 || cpu1 < 0) {
            std::printf("the program ended during the measurement\n");
            return 0;
        }
        const double percent = (cpu1 - cpu0) / elapsed * 100;
        std::printf("CPU, polling every 5 s for %.0f s: %.2f s of CPU = %.3f %% of one core "
                    "(aim: under 1 %%)\n",
                    elapsed, cpu1 - cpu0, percent);
        std::printf("  %lld polls, %.1f ms of CPU per poll (CPU time counts in 10 ms steps); "
                    "RSS %.1f -> %.1f MiB\n\n",
                    polls, polls ? (cpu1 - cpu0) * 1000 / double(polls) : 0.0, mib(rss0), mib(rss1));
        std::fflush(stdout);
    }

    // Memory: an hour of polls at 5 s is 720 polls; two hours 1440. Once as the program
    // runs, once without records, which leaves out the chart's growing data.
    for (const bool noRecords : {false, true}) {
        Program program;
        if (!program.start(exe, server.address, 50, noRecords)) {
            std::fprintf(stderr, "the program did not start\n");
            return 0;
        }
        const qint64 start = server.quotes;
        waitUntil([&] { return server.quotes > start || !program.running(); }, 30000);
        waitUntil([] { return false; }, 1000);
        const long rssStart = bench::statusKiB(program.pid(), "VmRSS");
        const qint64 recordsStart = program.records();
        const qint64 pollsStart = server.quotes - start;
        std::printf("Memory, polling every 50 ms%s:\n",
                    noRecords ? ", no history file can be written (no records, empty chart)" : "");
        std::printf("  %-30s %8s %8s %10s\n", "", "polls", "records", "VmRSS MiB");
        std::printf("  %-30s %8lld %8lld %10.2f\n", "after start-up", pollsStart, recordsStart, mib(rssStart));
        long rssHour = -1;
        qint64 recordsHour = 0;
        for (const int target : {720, 1440}) {
            const bool reached = waitUntil(
                [&] { return server.quotes - start >= target || !program.running(); }, 600000);
            const long rss = bench::statusKiB(program.pid(), "VmRSS");
            const qint64 records = program.records();
            std::printf("  %-30s %8lld %8lld %10.2f%s\n",
                        target == 720 ? "after 720 polls (1 h at 5 s)" : "after 1440 polls (2 h at 5 s)",
                        server.quotes - start, records, mib(rss),
                        reached && program.running() ? "" : "  (not reached)");
            std::fflush(stdout);
            if (target == 720) {
                rssHour = rss;
                recordsHour = records;
            } else if (rssHour > 0) {
                std::printf("  growth: %+.2f MiB in the first hour, %+.2f MiB in the second (aim: flat)",
                            mib(rssHour - rssStart), mib(rss - rssHour));
                if (records > recordsHour)
                    std::printf("; %.0f bytes per record of today in the second", double(rss - rssHour) * 1024 / double(records - recordsHour));
                std::printf("\n");
            }
        }
        std::printf("  VmHWM (peak): %.2f MiB\n\n", mib(bench::statusKiB(program.pid(), "VmHWM")));
        std::fflush(stdout);
    }
    return 0;
}
