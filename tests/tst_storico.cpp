// History records and files: the writer, today's chart points, an index's file name, the append (which
// must neither hang, nor tear, mix or lose a record), and the chart's reader that keeps today's points
// between rebuilds. Records come from the writer itself (the test support's rec() neither trims nor
// pushes a long field on), on a fixed day.
#include <QtTest>
#include <csignal>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "history/LettoreStorico.h"

static const QString Today = "06/12/2026", Tomorrow = "07/12/2026";
static QByteArray rec(auto t, auto c, auto v, auto x, QString d = Today) { return ScriviRecord(t, c, v, x, d); }
static QByteArray readAll(const QString &p) { QFile f(p); return f.open(QIODevice::ReadOnly) ? f.readAll() : "?"; }
static bool put(QString p, QByteArray b) { QFile f(p); return f.open(QIODevice::Append) && f.write(b) == b.size(); }
// Overwrites the file's start: same size, same inode, a later time.
static bool rewrite(QString p, QByteArray b) { QFile f(p); return f.open(QIODevice::ReadWrite) && f.write(b) == b.size()
    && f.flush() && f.setFileTime(QDateTime::currentDateTime().addSecs(9), QFileDevice::FileModificationTime); }
// Lengths vary so that the lines of two writers never line up.
static QByteArray childRecord(int id, int n)
{ return rec(QString("%1:%2").arg(id).arg(n), "9503,34", QString("+ 0,%1 %").arg(n), QString(n % 7, '9')); }
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
    QByteArray content; const bool isFile = platform::readFile(path, &content);
    PuntiGrafico got, full = CalcolaPunti(content, today);
    return reader.Leggi(path, today, &got) == isFile && isFile == QFileInfo(path).isFile()
           && got.Righe == full.Righe && got.Valori == full.Valori && got.Colore == full.Colore;
}

class TestStorico : public QObject {
    Q_OBJECT
private slots:
    // Colours, other days, lone CRs and blank changes, through the chart: tst_grafico.
    void chartPoints_data() {
        QTest::addColumn<QByteArray>("content"); QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QList<double>>("values"); QTest::addColumn<int>("colour");
        const QByteArray rise = rec(" 16:00", "9503,34 ", " + 0,52 % ", "9551,12"); // blanks trimmed
        const QByteArray odd = QByteArray(rise).replace(2, 1, QByteArray(1, 0)).chopped(2) + QByteArray(4030, ' ');
        // Not of today, before and after: 14 characters push the date out; a date cut short.
        QTest::newRow("cap, the last record past it sets the colour") << rec("12345678901234", "1", "+ 1 %", "2")
            + rise.repeated(22004) + rec("16:05", "9503,34", "- 0,03 %", "9503,10") + rise.left(60)
            << QStringList(22000, "16:00         9503,34       + 0,52 %      9551,12       06/12/2026")
            << QList<double>(22000, 0.52) << 1;
        QTest::newRow("NUL bytes, 4096-char lines kept, longer skipped") << QByteArray(70, 0) + "\r\n" + odd + " \r\n"
            + odd << QStringList{QString::fromLatin1(odd)} << QList<double>{0.52} << 2;
    }
    void chartPoints() {
        QFETCH(QByteArray, content); const PuntiGrafico points = CalcolaPunti(content, Today);
        QTEST(points.Righe, "lines"); QTEST(points.Valori, "values"); QTEST(points.Colore, "colour");
    }

    // A line longer than any record is skipped by the reader as by a full read, also when read in pieces.
    void longLine() {
        QTemporaryDir dir; const QString path = dir.filePath("N"); LettoreStorico reader;
        const QByteArray line = history(1, 12).chopped(2) + QByteArray(300000, ' ');
        for (const QByteArray &piece : {history(3, 3) + line.left(200000), line.mid(200000) + "\r\n" + history(3, 6)})
            QVERIFY(put(path, piece) && sameAsFullRead(reader, path));
    }

    void fileName_data() {
        QTest::addColumn<QString>("index"); QTest::addColumn<QString>("file");
        // One file, never a folder, nor the settings file with a NUL cutting the name short.
        QTest::newRow("slash, NUL") << QString::fromLatin1("/S&P/DatiIndex.cfg\0", 19) << "_S&P_DatiIndex.cfg_.txt";
        QTest::newRow("fut") << "fut" << "fut_.txt"; QTest::newRow("Fut") << "Fut" << "Fut.txt";
    }
    void fileName() { QFETCH(QString, index); QTEST(NomeFileStorico(index), "file"); }

    // After each kind of change (or none: "appended") to a file that may end in a record still being
    // written, split anywhere (mid-line, inside the date, between CR and LF), the reader's points are
    // those of a full read; then it follows the file again, reading only the rest of that record, the
    // unfinished line before it and a few bytes to recognise the file.
    void reader_data() {
        QTest::addColumn<QString>("change");
        for (const char *change : {"appended", "truncated", "truncated, then longer", "new inode", "next day",
                                   "another file", "deleted", "emptied, then longer", "pipe", "rewritten in place"})
            QTest::newRow(change) << change;
    }
    void reader() {
        QFETCH(QString, change); QTemporaryDir dir; const QString path = dir.filePath("Nasdaq.txt");
        const auto r = [](int k, const char *end) { return history(1, k).chopped(2) + end; }; // falling, blank, rising
        const QByteArray tail = r(12, "\r") + r(13, "\n") + r(14, "\r\r\n") + r(12, "\n\r") + history(2, 13).chopped(1);
        for (qsizetype split = 0; split <= tail.size(); ++split) {
            QFile::remove(path); LettoreStorico reader; // afresh, whatever the previous split left
            QVERIFY(put(path, history(40, 3) + tail.left(split)) && sameAsFullRead(reader, path));
            QString read = path, today = change == "next day" ? Tomorrow : Today, at = QString::number(split);
            if (change.startsWith("truncated")) QVERIFY(QFile::resize(path, 1000));
            if (change == "rewritten in place") QVERIFY(rewrite(path, history(1, 4))); // not the first record now
            if (change == "new inode") QVERIFY(platform::replaceFile(path, history(40, 5), nullptr)); // renamed over it
            if (change == "another file") QVERIFY(put(read = dir.filePath(QString::number(split)), history(45, 1)));
            if (change == "deleted" || change == "pipe") QVERIFY(QFile::remove(path)); // a pipe: no plain file there
            if (change == "pipe") QVERIFY(::mkfifo(QFile::encodeName(path), 0600) == 0);
            if (change == "emptied, then longer") QVERIFY(platform::recreateEmpty(path, nullptr)); // may keep the inode
            // Longer than before; some records are of tomorrow.
            if (change.endsWith("longer") || change == "next day") QVERIFY(put(path, history(60, 4)));
            QVERIFY2(sameAsFullRead(reader, read, today), qPrintable(at));
            QVERIFY2(!QFileInfo(read).isFile() || (reader.LetturaCompleta() == (change != "appended")
                     && put(read, tail.mid(split)) && sameAsFullRead(reader, read, today) && !reader.LetturaCompleta()
                     && reader.ByteLetti() <= tail.size() - split + 256 + 80), qPrintable(at));
        }
    }

    // What may stand at a history file's path (the row's name), with two writers in every case: each
    // child ends in time, a failure names the file and the reason, and the file holds what was there
    // before, its last line ended, then each writer's records whole, in its own order.
    void append_data() {
        // reason: empty for none, though "create" fails; records appended by each writer, -1: no plain file to see
        QTest::addColumn<QString>("op"); QTest::addColumn<QString>("reason"); QTest::addColumn<int>("records");
        const QString append = "append", size = "dimensione massima consentita";
        QTest::newRow("two writers") << append << "" << 3000; // after a line without its end
        QTest::newRow("full") << append << size << 0; QTest::newRow("limit") << append << size << 0;
        // "locked": by another process, all along.
        QTest::newRow("pipe") << "create" << "" << -1; QTest::newRow("locked") << append << "" << 1;
        QTest::newRow("/dev/full") << append << "al suo posto c'è un dispositivo" << -1; // a link to it
        QTest::newRow("folder") << append << "al suo posto c'è una cartella" << -1;
        QTest::newRow("read-only folder") << "replace" << "" << -1; // fut.txt, then written in place
    }
    void append() {
        QFETCH(QString, op); QFETCH(QString, reason); QFETCH(int, records); QTemporaryDir folder; // of its own
        const QString place = QTest::currentDataTag(), file = folder.filePath(op == "replace" ? "fut.txt" : "N");
        // 68 bytes: the size limits fall at its end ("full") and 30 bytes into the next record ("limit").
        const QByteArray before = records > 1 ? "typed by hand" : rec("9:30", "1", "+ 0,10 %", "2");
        QVERIFY(place == "pipe" ? ::mkfifo(QFile::encodeName(file), 0600) == 0 : place == "folder" ? QDir().mkdir(file)
                : place == "/dev/full" ? QFile::link(place, file) : put(file, before));
        const auto restore = qScopeGuard([&] { ::chmod(QFile::encodeName(folder.path()), 0700); });
        QVERIFY(op != "replace" || ::chmod(QFile::encodeName(folder.path()), 0500) == 0); // no room for a new file
        if (op == "replace" && QFileInfo(folder.path()).isWritable()) QSKIP("root writes whatever the mode says");
        QFile holder(file); // closed on exec: the lock stays here
        QVERIFY(place != "locked" || (holder.open(QIODevice::ReadOnly) && ::flock(holder.handle(), LOCK_EX) == 0));
        const QString limit = place == "full" ? "68" : place == "limit" ? "98" : "-1"; QProcess child[2];
        for (int id : {1, 2})
            child[id - 1].start(QCoreApplication::applicationFilePath(),
                                {"--child", op, file, QString::number(id), QString::number(qMax(1, records)), limit});
        for (QProcess &c : child) {
            QVERIFY(c.waitForFinished(60000) && c.exitStatus() == QProcess::NormalExit);
            const QString out = QString::fromUtf8(c.readAllStandardOutput());
            QVERIFY2(c.exitCode() == int(op == "create" || !reason.isEmpty()), qPrintable(out));
            QVERIFY2(reason.isEmpty() ? out.isEmpty() : out.contains(file) && out.contains(reason), qPrintable(out));
        }
        QVERIFY(op != "replace" || readAll(file) == "CZ27");
        const QList<QByteArray> lines = records < 0 ? QList<QByteArray>() : readAll(file).split('\n');
        QVERIFY(records < 0 || (lines.size() == 2 * records + 2 && lines.last().isEmpty())); // no torn record left
        QVERIFY(records < 0 || lines[0] == before.trimmed() + '\r'); // what was there, its last line ended
        for (int next[3] = {}; const QByteArray &l : lines.mid(1, 2 * records)) // whole, each writer's in order
            QVERIFY2(l + '\n' == childRecord(l[0] - '0', next[l[0] - '0']++), l.constData());
    }
};

int main(int argc, char **argv) {
    // --child op path id count limit: "create", "replace" (with CZ27) or "append" (`count` records as writer
    // `id`) under a file size limit in bytes (-1: none); prints the failure reason, exits 1 on failure.
    if (argc == 7 && qstrcmp(argv[1], "--child") == 0) {
        const rlimit limit{rlim_t(atoll(argv[6])), rlim_t(atoll(argv[6]))};
        setrlimit(RLIMIT_FSIZE, &limit), std::signal(SIGXFSZ, SIG_DFL); // the platform must keep it alive
        const QByteArray op = argv[2]; QString error, path = QFile::decodeName(argv[3]);
        bool ok = op == "create" ? platform::createIfMissing(path)
                                 : op != "replace" || platform::replaceFile(path, "CZ27", &error);
        for (int n = 0; op == "append" && ok && n < atoi(argv[5]); ++n)
            ok = platform::appendRecord(path, childRecord(atoi(argv[4]), n), &error);
        return fputs(error.toUtf8().constData(), stdout) < 0 || !ok;
    }
    QCoreApplication app(argc, argv); TestStorico test; return QTest::qExec(&test, argc, argv);
}

#include "tst_storico.moc"
