// The chart's reader that keeps today's points between rebuilds: whatever happens to the file
// between two reads, its points equal those of a full read, and after appends it reads only
// the appended bytes.
#include <QtTest>
#include <sys/stat.h>

#include "history/FileStorico.h"
#include "history/LettoreStorico.h"

static const QString Today = QStringLiteral("06/12/2026"), Tomorrow = QStringLiteral("07/12/2026");

static QByteArray rec(const QString &time, const QString &change, const QString &date = Today)
{ return ScriviRecord(time, "9503,34", change, change.startsWith('-') ? "9401,00" : "9551,12", date); }

// Records of today, of other days and without a change, rising and falling.
static QByteArray history(int count, int seed) {
    QByteArray content;
    for (int k = seed; k < seed + count; ++k)
        content += rec(QString::number(k), k % 13 ? QString("%1 0,%2 %").arg(k % 3 ? '+' : '-').arg(k % 90 + 10) : "",
                       k % 5 ? Today : k % 2 ? Tomorrow : "05/12/2026");
    return content;
}

static void put(const QString &path, const QByteArray &bytes, QIODevice::OpenMode mode = QIODevice::Append) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | mode));
    QCOMPARE(f.write(bytes), bytes.size());
}

// The reader's points must be those of a full read of the file; it fails only when there is no
// plain file to read (a pipe without a writer would block, /dev/zero would never end).
static bool sameAsFullRead(LettoreStorico &reader, const QString &path, const QString &today = Today) {
    QByteArray content;
    const bool isFile = QFileInfo(path).isFile();
    PuntiGrafico got, full = isFile && LeggiFile(path, &content) ? CalcolaPunti(content, today) : PuntiGrafico();
    return reader.Leggi(path, today, &got) == isFile && got.Righe == full.Righe && got.Valori == full.Valori
           && got.Colore == full.Colore;
}

class TestCacheGrafico : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    const QString path = dir.filePath("Nasdaq.txt");
private slots:
    // A record still being written, split anywhere (mid-line, inside the date, between CR and
    // LF), is charted as it is and read again once whole; only the appended bytes (and the
    // unfinished line before them) are read.
    void everySplitPoint() {
        const QByteArray a = rec("9:30", "+ 0,52 %"), b = rec("9:35", "- 0,03 %"), c = rec("9:40", "");
        const QByteArray tail = a.chopped(2) + "\r" + b.chopped(2) + "\n" + c.chopped(2) + "\r\r\n" + a.chopped(2)
                                + "\n\r" + b + c.chopped(1);
        const QByteArray before = history(50, 0);
        for (qsizetype split = 0; split <= tail.size(); ++split) {
            put(path, before + tail.left(split), QIODevice::Truncate);
            LettoreStorico reader;
            QVERIFY(sameAsFullRead(reader, path));
            put(path, tail.mid(split));
            QVERIFY2(sameAsFullRead(reader, path), qPrintable(QString::number(split)));
            QVERIFY(!reader.LetturaCompleta());
            QVERIFY2(reader.ByteLetti() <= tail.size() - split + 256 + 80, qPrintable(QString::number(reader.ByteLetti())));
        }
    }

    void changeBetweenReads_data() {
        QTest::addColumn<QString>("change");
        for (const char *change : {"truncated", "truncated, then longer", "replaced by a new inode", "next day",
                                   "another file", "deleted", "emptied, then longer", "pipe", "/dev/zero"})
            QTest::newRow(change) << change;
    }
    void changeBetweenReads() {
        QFETCH(QString, change);
        QFile::remove(path); // what the previous case left
        put(path, history(40, 3), QIODevice::Truncate);
        LettoreStorico reader;
        QVERIFY(sameAsFullRead(reader, path));
        QString read = path, today = change == "next day" ? Tomorrow : Today;
        if (change.startsWith("truncated"))
            QVERIFY(QFile::resize(path, 1000));
        if (change == "replaced by a new inode") {
            put(path + ".new", history(40, 5), QIODevice::Truncate);
            QCOMPARE(::rename(QFile::encodeName(path + ".new").constData(), QFile::encodeName(path).constData()), 0);
        }
        if (change == "another file")
            put(read = dir.filePath("D.Jones.txt"), history(45, 1), QIODevice::Truncate);
        if (change == "deleted" || change == "pipe" || change == "/dev/zero")
            QVERIFY(QFile::remove(path));
        if (change == "pipe" || change == "/dev/zero") // no plain file in its place
            QVERIFY(change == "pipe" ? ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0 : QFile::link(change, path));
        if (change == "emptied, then longer") // the new file may get the old inode number
            QVERIFY(SvuotaFile(path, nullptr));
        if (change.endsWith("longer") || change == "next day")
            put(path, history(60, 4) + rec("9:30", "- 0,40 %", Tomorrow));
        QVERIFY(sameAsFullRead(reader, read, today));
        if (!QFileInfo(read).isFile())
            return;
        QVERIFY(reader.LetturaCompleta());
        put(read, rec("15:59", "- 0,77 %", today)); // appends after the change are followed again
        QVERIFY(sameAsFullRead(reader, read, today));
        QVERIFY(!reader.LetturaCompleta());
    }
};

QTEST_MAIN(TestCacheGrafico)
#include "tst_cachegrafico.moc"
