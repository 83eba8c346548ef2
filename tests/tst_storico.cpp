// History records and files: the writer, today's chart points, an index's file name, the append (which
// must neither hang, nor tear, mix or lose a record), and the chart's reader that keeps today's points
// between rebuilds.
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "history/LettoreStorico.h"

static const QString Today = "06/12/2026", Tomorrow = "07/12/2026";
static QByteArray rec(QString t, QString c, QString v, QString x, QString d = Today)
{ return ScriviRecord(t, c, v, x, d); }
static QByteArray readAll(const QString &p) { QFile f(p); return f.open(QIODevice::ReadOnly) ? f.readAll() : "?"; }
static bool put(const QString &p, const QByteArray &b, QIODevice::OpenMode mode = QIODevice::Append)
{ QFile f(p); return f.open(QIODevice::WriteOnly | mode) && f.write(b) == b.size(); }
// Lengths vary so that the lines of two writers never line up.
static QByteArray childRecord(int id, int n)
{ return rec(QString("%1:%2").arg(id).arg(n), "9503,34", QString("+ 0,%1 %").arg(n), QString(n % 7, '9')); }
// A child of this program: op path id count limit (see main). It does not ignore SIGXFSZ itself.
static std::unique_ptr<QProcess> startChild(const QStringList &arguments) {
    auto p = std::make_unique<QProcess>();
    p->start(QCoreApplication::applicationFilePath(), QStringList{"--child"} + arguments);
    return p;
}
// Records of today, of other days and without a change, rising and falling.
static QByteArray history(int count, int seed) {
    QByteArray content;
    for (int k = seed; k < seed + count; ++k)
        content += rec(QString::number(k), "5", k % 13 ? QString("%1 0,%2 %").arg(k % 3 ? '+' : '-').arg(k % 90) : "",
                       k % 3 ? "9" : "1", k % 5 ? Today : k % 2 ? Tomorrow : "05/12/2026");
    return content;
}
// The reader's points must be those of a full read; both fail exactly when there is no plain file
// to read (a pipe without a writer would block, /dev/zero would never end).
static bool sameAsFullRead(LettoreStorico &reader, const QString &path, const QString &today = Today) {
    QByteArray content;
    const bool isFile = platform::readFile(path, &content);
    PuntiGrafico got, full = CalcolaPunti(content, today);
    return reader.Leggi(path, today, &got) == isFile && isFile == QFileInfo(path).isFile()
           && got.Righe == full.Righe && got.Valori == full.Valori && got.Colore == full.Colore;
}

class TestStorico : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    const QString path = dir.filePath("Nasdaq.txt");
private slots:
    // Colours, other days, lone CRs and blank changes, through the window: tst_storicogui.
    void chartPoints_data() {
        QTest::addColumn<QByteArray>("content"); QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QList<double>>("values"); QTest::addColumn<int>("colour");
        const QByteArray rise = rec(" 16:00", "9503,34 ", " + 0,52 % ", "9551,12"); // blanks trimmed
        const QByteArray odd = QByteArray(rise).replace(2, 1, QByteArray(1, 0)).chopped(2) + QByteArray(9934, ' ');
        QTest::newRow("cap; the last record, past it, sets the colour")
            << rise.repeated(22004) + rec("16:05", "9503,34", "- 0,03 %", "9503,10")
            << QStringList(22000, "16:00         9503,34       + 0,52 %      9551,12       06/12/2026")
            << QList<double>(22000, 0.52) << 1;
        QTest::newRow("no record of today: other day, 14 chars push the date out, date cut short")
            << rec("17:00", "9000,00", "+ 9,99 %", "9899,10", "05/12/2026") + rec("12345678901234", "1", "+ 1 %", "2")
               + rise.left(60) << QStringList() << QList<double>() << 0;
        QTest::newRow("NUL bytes, 10,000-char lines") << QByteArray(70, 0) + "\r\n" + QByteArray(10000, 'x') + "\r\n"
            + odd << QStringList{QString::fromLatin1(odd)} << QList<double>{0.52} << 2;
    }
    void chartPoints() {
        QFETCH(QByteArray, content);
        const PuntiGrafico points = CalcolaPunti(content, Today);
        QTEST(points.Righe, "lines");
        QTEST(points.Valori, "values");
        QTEST(points.Colore, "colour");
    }

    void fileName_data() {
        QTest::addColumn<QString>("index"); QTest::addColumn<QString>("file");
        QTest::newRow("a name is one file, never a folder") << "/S&P/MIB" << "_S&P_MIB.txt"; // and through the window
        QTest::newRow("NUL, settings file") << QString::fromLatin1("DatiIndex.cfg\0", 14) << "DatiIndex.cfg_.txt";
        QTest::newRow("fut") << "fut" << "fut_.txt";
        QTest::newRow("Fut") << "Fut" << "Fut.txt";
    }
    void fileName() {
        QFETCH(QString, index);
        QTEST(NomeFileStorico(index), "file");
    }

    void append() {
        QVERIFY(put(path, "typed by hand", QIODevice::Truncate)); // a last line without its end
        const auto one = startChild({"append", path, "1", "3000", "-1"});
        const auto two = startChild({"append", path, "2", "3000", "-1"});
        for (QProcess *w : {one.get(), two.get()})
            QVERIFY(w->waitForFinished(60000) && w->exitCode() == 0);
        const QList<QByteArray> lines = readAll(path).split('\n');
        QCOMPARE(lines.size(), 1 + 2 * 3000 + 1);
        QCOMPARE(lines[0], "typed by hand\r"); // ended before the first record
        int next[3] = {};
        for (const QByteArray &l : lines.mid(1, 2 * 3000)) // each writer's records whole, in its own order
            QVERIFY2(l + '\n' == childRecord(l[0] - '0', next[l[0] == '2']++), l.constData());
    }

    // A record still being written, split anywhere (mid-line, inside the date, between CR and
    // LF), is charted as it is and read again once whole; only the appended bytes (and the
    // unfinished line before them) are read.
    void everySplitPoint() {
        const QByteArray a = rec("9:30", "1", "+ 0,52 %", "2"), b = rec("9:35", "1", "- 0,03 %", "0");
        const QByteArray c = rec("9:40", "1", "", "2");
        const QByteArray tail = a.chopped(2) + "\r" + b.chopped(2) + "\n" + c.chopped(2) + "\r\r\n" + a.chopped(2)
                                + "\n\r" + b + c.chopped(1);
        for (qsizetype split = 0; split <= tail.size(); ++split) {
            QVERIFY(put(path, history(50, 0) + tail.left(split), QIODevice::Truncate));
            LettoreStorico reader;
            QVERIFY(sameAsFullRead(reader, path) && put(path, tail.mid(split)));
            QVERIFY2(sameAsFullRead(reader, path) && !reader.LetturaCompleta(), qPrintable(QString::number(split)));
            QCOMPARE_LE(reader.ByteLetti(), tail.size() - split + 256 + 80);
        }
    }

    void changeBetweenReads_data() {
        QTest::addColumn<QString>("change");
        for (const char *change : {"truncated", "truncated, then longer", "replaced by a new inode", "next day",
                                   "another file", "deleted", "emptied, then longer", "pipe"})
            QTest::newRow(change) << change;
    }
    void changeBetweenReads() {
        QFETCH(QString, change);
        QFile::remove(path); // what the previous case left
        QVERIFY(put(path, history(40, 3), QIODevice::Truncate));
        LettoreStorico reader;
        QVERIFY(sameAsFullRead(reader, path));
        QString read = path, today = change == "next day" ? Tomorrow : Today;
        const QByteArray name = QFile::encodeName(path);
        if (change.startsWith("truncated"))
            QVERIFY(QFile::resize(path, 1000));
        if (change == "replaced by a new inode")
            QVERIFY(put(path + ".new", history(40, 5)) && ::rename(name + ".new", name) == 0);
        if (change == "another file")
            QVERIFY(put(read = dir.filePath("D.Jones.txt"), history(45, 1), QIODevice::Truncate));
        if (change == "deleted" || change == "pipe") // a pipe: no plain file in its place
            QVERIFY(QFile::remove(path) && (change == "deleted" || ::mkfifo(name, 0600) == 0));
        if (change == "emptied, then longer") // the new file may get the old inode number
            QVERIFY(platform::recreateEmpty(path, nullptr));
        if (change.endsWith("longer") || change == "next day")
            QVERIFY(put(path, history(60, 4) + rec("9:30", "9503,34", "- 0,40 %", "9401,00", Tomorrow)));
        QVERIFY(sameAsFullRead(reader, read, today));
        if (!QFileInfo(read).isFile())
            return;
        QVERIFY(reader.LetturaCompleta());
        QVERIFY(put(read, rec("15:59", "9503,34", "- 0,77 %", "9401,00", today))); // followed again after the change
        QVERIFY(sameAsFullRead(reader, read, today) && !reader.LetturaCompleta());
    }

    // What may stand at a history file's path: the child ends in time, a failure names the file and the
    // reason, and no part of a record stays behind.
    void oddPlaces_data() {
        QTest::addColumn<QString>("place"); QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("reason"); // empty: succeeds (or, for "create", fails) saying nothing
        QTest::newRow("pipe, created at start") << "pipe" << "create" << "";
        QTest::newRow("link to /dev/full") << "/dev/full" << "append" << "al suo posto c'è un dispositivo";
        QTest::newRow("folder") << "folder" << "append" << "al suo posto c'è una cartella";
        QTest::newRow("name too long") << "long" << "append" << "il nome è troppo lungo";
        QTest::newRow("read-only file") << "read-only" << "append" << "(file o cartella di sola lettura)";
        QTest::newRow("size limit reached") << "full" << "append" << "dimensione massima consentita";
        QTest::newRow("size limit half-way") << "limit" << "append" << "dimensione massima consentita";
        QTest::newRow("lock held elsewhere") << "locked" << "append" << "";
        QTest::newRow("fut.txt in a read-only folder") << "read-only folder" << "replace" << "";
    }
    void oddPlaces() {
        QFETCH(QString, place); QFETCH(QString, op); QFETCH(QString, reason);
        QTemporaryDir folder; // its own, to take write permission away
        const QString file = folder.filePath(place == "long" ? QString(256, 'x') : op == "replace" ? "fut.txt" : "N");
        // 68 bytes: the size limits below fall at its end and 30 bytes into the next record.
        const QByteArray name = QFile::encodeName(file), before = rec("9:30", "1", "+ 0,10 %", "2");
        QVERIFY(place == "pipe" ? ::mkfifo(name, 0600) == 0 : place == "/dev/full" ? QFile::link(place, file)
                : place == "folder" ? QDir().mkdir(file) : place == "long" || put(file, before));
        const QByteArray home = QFile::encodeName(folder.path()), target = place == "read-only" ? name : home;
        const auto restore = qScopeGuard([&] { ::chmod(home, 0700); });
        QVERIFY(!place.startsWith("read-only") || ::chmod(target, place == "read-only" ? 0444 : 0555) == 0);
        if (place.startsWith("read-only") && ::access(target, W_OK) == 0)
            QSKIP("this user writes whatever the mode says (root)");
        const int holder = place == "locked" ? ::open(name, O_RDONLY | O_CLOEXEC) : -1;
        QVERIFY(holder < 0 || ::flock(holder, LOCK_EX) == 0);
        const auto child = startChild({op, file, "1", "1", place == "full" ? "68" : place == "limit" ? "98" : "-1"});
        QVERIFY(child->waitForFinished(20000) && child->exitStatus() == QProcess::NormalExit);
        ::close(holder);
        QCOMPARE(child->exitCode(), int(op == "create" || !reason.isEmpty()));
        const QString said = QString::fromUtf8(child->readAllStandardOutput());
        QVERIFY2(reason.isEmpty() ? said.isEmpty() : said.contains(file) && said.contains(reason), qPrintable(said));
        if (place == "full" || place == "limit" || place == "locked" || op == "replace") // what the file holds
            QCOMPARE(readAll(file), op == "replace" ? "CZ27" : before + (place == "locked" ? childRecord(1, 0) : ""));
    }
};

int main(int argc, char **argv) {
    // --child op path id count limit: "create", "replace" (with CZ27) or "append" (`count` records as writer
    // `id`) under a file size limit in bytes (-1: none); prints the failure reason, exits 1 on failure.
    if (argc == 7 && qstrcmp(argv[1], "--child") == 0) {
        const rlimit limit{rlim_t(atoll(argv[6])), rlim_t(atoll(argv[6]))};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, SIG_DFL); // whatever this program did before: the platform must keep it alive
        const QByteArray op = argv[2];
        const QString path = QFile::decodeName(argv[3]);
        QString error;
        bool ok = op == "create" ? platform::createIfMissing(path)
                                 : op != "replace" || platform::replaceFile(path, "CZ27", &error);
        for (int n = 0; op == "append" && ok && n < atoi(argv[5]); ++n)
            ok = platform::appendRecord(path, childRecord(atoi(argv[4]), n), &error);
        return fputs(error.toUtf8().constData(), stdout) < 0 || !ok;
    }
    QCoreApplication app(argc, argv);
    TestStorico test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_storico.moc"
