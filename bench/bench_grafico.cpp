// Chart rebuild against the floor of reading the same history file and splitting it
// into lines. Prints figures only; a slow machine never makes it fail.
#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/FileSistema.h"
#include "history/Storico.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int TodayRecords = 22000;

QByteArray buildHistory(int lines, int todayLines, const QString &today, const QString &otherDay)
{
    QByteArray content;
    content.reserve(qsizetype(lines) * 70);
    for (int n = 0; n < lines; ++n) {
        const bool isToday = n >= lines - todayLines;
        const int minute = n % 600;
        const QString time = QStringLiteral("%1:%2").arg(9 + minute / 60).arg(minute % 60, 2, 10, QLatin1Char('0'));
        const QString change = QStringLiteral("%1 %2,%3 %").arg(n % 3 ? '+' : '-').arg(n % 4).arg(n % 100, 2, 10, QLatin1Char('0'));
        const QString value = QStringLiteral("%1,%2").arg(9400 + n % 200).arg(n % 100, 2, 10, QLatin1Char('0'));
        content += ScriviRecord(time, QStringLiteral("9503,34"), change, value, isToday ? today : otherDay);
    }
    return content;
}

// The floor: the same file read whole and cut into lines (CR LF, lone CR or LF).
qsizetype readAndSplit(const QString &path, std::vector<QByteArrayView> *lines)
{
    QByteArray content;
    if (!platform::readFile(path, &content))
        return -1;
    lines->clear();
    const char *p = content.constData();
    const char *const end = p + content.size();
    while (p < end) {
        const char *lf = static_cast<const char *>(std::memchr(p, '\n', end - p));
        const char *stop = lf ? lf : end;
        const char *cr = static_cast<const char *>(std::memchr(p, '\r', stop - p));
        const char *lineEnd = cr ? cr : stop;
        lines->emplace_back(p, lineEnd - p);
        p = lineEnd + 1;
        if (cr && p < end && *p == '\n')
            ++p;
    }
    qsizetype total = 0;
    for (const QByteArrayView &l : *lines)
        total += l.size();
    return total;
}

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 0;
    }
    const QDate day = QDate::currentDate();
    const QString today = TestoData(day);
    const QString otherDay = TestoData(day.addDays(-1));

    std::printf("%10s %8s %9s %11s %11s %11s %7s %7s\n", "lines", "today", "MB", "floor ms",
                "rebuild ms", "points ms", "ratio", "points");
    for (const int lines : {10000, 100000, 1000000}) {
        const int todayLines = std::min(lines, TodayRecords);
        const QString path = dir.filePath(NomeFileStorico(QStringLiteral("Bench%1").arg(lines)));
        {
            QFile f(path);
            const QByteArray content = buildHistory(lines, todayLines, today, otherDay);
            if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size()) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                return 0;
            }
        }
        const int runs = lines >= 1000000 ? 7 : 15;
        double bestFloor = 1e300, bestRebuild = 1e300, bestPoints = 1e300;
        int points = -1;
        qsizetype checksum = 0;
        std::vector<QByteArrayView> split;
        split.reserve(size_t(lines) + 1);
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer t;
            t.start();
            checksum += readAndSplit(path, &split);
            bestFloor = std::min(bestFloor, msSince(t));

            // The file's bytes are freed inside the timing, as in the floor.
            t.restart();
            PuntiGrafico result;
            {
                QByteArray content;
                platform::readFile(path, &content);
                QElapsedTimer onlyPoints;
                onlyPoints.start();
                result = CalcolaPunti(content, today);
                bestPoints = std::min(bestPoints, msSince(onlyPoints));
            }
            bestRebuild = std::min(bestRebuild, msSince(t));
            points = int(result.Righe.size());
        }
        std::printf("%10d %8d %9.1f %11.2f %11.2f %11.2f %7.2f %7d\n", lines, todayLines,
                    double(QFileInfo(path).size()) / 1e6, bestFloor, bestRebuild, bestPoints,
                    bestRebuild / bestFloor, points);
        if (checksum < 0 || points != todayLines)
            std::printf("    (unexpected: %d points for %d records of today)\n", points, todayLines);
        QFile::remove(path);
    }
    std::printf("best of several runs; rebuild = read the file + today's points, "
                "floor = read the file + split it into lines\n");
    return 0;
}
