#pragma once
// Helpers of the benchmarks: medians, a temporary application folder, figures of a
// process from /proc, and a virtual screen for the programs they start.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <unistd.h>
#include <vector>

namespace bench {

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Fills a folder with the shipped settings files, as an application folder.
inline bool fillHome(const QString &folder)
{
    bool ok = true;
    for (const char *name : {"DatiIndex.cfg", "fut.txt"}) {
        const QString target = QDir(folder).filePath(QString::fromLatin1(name));
        QFile::remove(target);
        ok = QFile::copy(QStringLiteral(QUOTARO_DATA_DIR "/") + QString::fromLatin1(name), target) && ok;
    }
    return ok;
}

// A field of /proc/PID/status in KiB ("VmRSS", "VmHWM"); -1 when unreadable.
inline long statusKiB(qint64 pid, const char *field)
{
    QFile f(pid > 0 ? QStringLiteral("/proc/%1/status").arg(pid) : QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Fields of /proc/PID/stat after the command name, counted as in proc(5) (utime is 14).
inline QList<QByteArray> statFields(qint64 pid)
{
    QFile f(pid > 0 ? QStringLiteral("/proc/%1/stat").arg(pid) : QStringLiteral("/proc/self/stat"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = f.readAll();
    const qsizetype close = all.lastIndexOf(')');
    if (close < 0)
        return {};
    // Fields 1 and 2 (pid, command) stand before; the list starts at field 3.
    QList<QByteArray> fields{QByteArray(), QByteArray(), QByteArray()};
    fields += all.mid(close + 2).trimmed().split(' ');
    return fields;
}

// User plus system CPU time of a process, in seconds; -1 when unreadable.
inline double cpuSeconds(qint64 pid)
{
    const QList<QByteArray> f = statFields(pid);
    if (f.size() < 16)
        return -1;
    return double(f[14].toLongLong() + f[15].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

inline double boottimeMs()
{
    timespec t{};
    clock_gettime(CLOCK_BOOTTIME, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Milliseconds since this process started, from its start time in /proc (whose unit
// is one clock tick, 10 ms here).
inline double msSinceProcessStart()
{
    const QList<QByteArray> f = statFields(0);
    if (f.size() < 23)
        return -1;
    return boottimeMs() - double(f[22].toLongLong()) * 1e3 / double(sysconf(_SC_CLK_TCK));
}

// Runs this benchmark again under its own virtual X screen when xvfb-run is there and
// no screen was set up for it yet, so that the programs it starts draw on a real X
// server. Returns the exit code of that run, or -1 to go on in this process (then the
// programs started use the offscreen platform).
inline int rerunOnVirtualScreen(int argc, char **argv, QString *platformNote)
{
    if (qEnvironmentVariableIsSet("QUOTARO_BENCH_SCREEN")) {
        *platformNote = QStringLiteral("xcb on Xvfb %1").arg(qEnvironmentVariable("DISPLAY"));
        return -1;
    }
    const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (xvfbRun.isEmpty() || qEnvironmentVariableIsSet("QUOTARO_BENCH_OFFSCREEN")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        *platformNote = QStringLiteral("offscreen");
        return -1;
    }
    QStringList arguments{QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 1280x800x24"),
                          QString::fromLocal8Bit(argv[0])};
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUOTARO_BENCH_SCREEN"), QStringLiteral("1"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    QProcess run;
    run.setProcessEnvironment(env);
    run.setProcessChannelMode(QProcess::ForwardedChannels);
    run.start(xvfbRun, arguments);
    if (!run.waitForStarted(10000)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        *platformNote = QStringLiteral("offscreen (xvfb-run did not start)");
        return -1;
    }
    run.waitForFinished(-1);
    return run.exitCode();
}

} // namespace bench
