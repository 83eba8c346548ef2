// The chart's reader that keeps today's points between rebuilds: whatever happens to the
// file between two reads, its points equal those of a full read of the file, and after
// plain appends it reads only the appended bytes.
#include <QtTest>
#include <QAction>
#include <QLineSeries>
#include <QValueAxis>
#include <QMenu>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TestSupport.h"
#include "history/FileStorico.h"
#include "history/LettoreStorico.h"
#include "history/Storico.h"
#include "ui/Form1.h"

namespace {

const QString Today = QStringLiteral("06/12/2026");
const QString Tomorrow = QStringLiteral("07/12/2026");
const QString OtherDay = QStringLiteral("05/12/2026");

QByteArray record(const QString &time, const QString &change, const QString &value,
                  const QString &date = Today, const QString &close = QStringLiteral("9503,34"))
{
    return ScriviRecord(time, close, change, value, date);
}

// Records of today and of another day, rising and falling, one without a change.
QByteArray mixedHistory(int count, int seed)
{
    QByteArray content;
    for (int n = 0; n < count; ++n) {
        const int k = n * 7 + seed;
        const QString date = k % 5 == 0 ? OtherDay : k % 11 == 0 ? Tomorrow : Today;
        const QString change = k % 13 == 0 ? QString()
                                           : QStringLiteral("%1 0,%2 %").arg(k % 3 ? '+' : '-').arg(k % 90 + 10);
        const QString value = QStringLiteral("%1,%2").arg(k % 2 ? 9551 : 9401).arg(k % 90 + 10);
        content += record(QStringLiteral("%1:%2").arg(9 + k % 7).arg(k % 50 + 10), change, value, date);
    }
    return content;
}

// The same history with other line ends: "\r\n" becomes the given text.
QByteArray withLineEnds(QByteArray content, const QByteArray &end)
{
    return content.replace("\r\n", end);
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(content), content.size());
}

void appendFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Append));
    QCOMPARE(f.write(content), content.size());
}

// Overwrites the file's bytes in place (same inode), and moves its modification time
// so that a rewrite within one clock tick is still a change of the file.
void rewriteInPlace(const QString &path, const QByteArray &content)
{
    struct stat before {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &before), 0);
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.resize(0));
        QCOMPARE(f.write(content), content.size());
    }
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1] = before.st_mtim;
    times[1].tv_sec += 1;
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

// A new file with the content moved over the old name: another inode.
void replaceFile(const QString &path, const QByteArray &content)
{
    const QString other = path + QStringLiteral(".new");
    writeFile(other, content);
    QCOMPARE(::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()), 0);
}

// What a full read of the file gives.
PuntiGrafico fullRead(const QString &path, const QString &today)
{
    QByteArray content;
    if (!LeggiFile(path, &content))
        return PuntiGrafico();
    return CalcolaPunti(content, today);
}

bool samePoints(const PuntiGrafico &a, const PuntiGrafico &b)
{
    return a.Righe == b.Righe && a.Valori == b.Valori && a.Colore == b.Colore;
}

QString describe(const PuntiGrafico &p)
{
    return QStringLiteral("%1 points, colour %2, last \"%3\"")
        .arg(p.Righe.size())
        .arg(p.Colore)
        .arg(p.Righe.isEmpty() ? QString() : p.Righe.last());
}

enum Change { Append, Nothing, Truncate, TruncateAndGrow, Rewrite, Replace, Delete, NewDay, OtherFile };

} // namespace

Q_DECLARE_METATYPE(Change)

class TestCacheGrafico : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;
    QString path_;

    // Reads with the reader and compares with a full read.
    bool readAndCompare(LettoreStorico &reader, const QString &path, const QString &today)
    {
        PuntiGrafico got;
        const bool ok = reader.Leggi(path, today, &got);
        const PuntiGrafico expected = fullRead(path, today);
        if (ok != QFile::exists(path)) {
            qWarning("read %s for %s", ok ? "succeeded" : "failed", qPrintable(path));
            return false;
        }
        if (!samePoints(got, expected)) {
            qWarning("got %s, a full read gives %s", qPrintable(describe(got)),
                     qPrintable(describe(expected)));
            return false;
        }
        return true;
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        path_ = dir_->filePath(QStringLiteral("Nasdaq.txt"));
    }

    void changeBetweenReads_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<Change>("change");
        QTest::addColumn<QByteArray>("argument");
        QTest::addColumn<bool>("wholeFile"); // the second read must read the whole file

        const QByteArray rise = record("9:30", "+ 0,52 %", "9551,12");
        const QByteArray fall = record("9:35", "- 0,03 %", "9401,00");
        const QByteArray old = record("16:00", "+ 1,10 %", "9600,00", OtherDay);
        const QByteArray noChange = record("9:40", QString(), "9401,00");
        const QByteArray history = mixedHistory(40, 3);

        QTest::newRow("records appended") << history << Append << rise + fall << false;
        QTest::newRow("appended to an empty file") << QByteArray() << Append << fall + rise << false;
        QTest::newRow("record of another day appended") << history << Append << old << false;
        QTest::newRow("record without change appended: colour only")
            << QByteArray(rise) << Append << noChange << false;
        QTest::newRow("nothing changed") << history << Nothing << QByteArray() << false;

        // A record still being written: charted, and read again once it is whole.
        QTest::newRow("split mid-line") << history + rise.left(30) << Append << rise.mid(30) + fall << false;
        QTest::newRow("split inside the date") << rise + fall.left(60) << Append << fall.mid(60) << false;
        QTest::newRow("whole record without line end") << history + rise.chopped(2) << Append
                                                       << QByteArray("\r\n") + fall << false;
        QTest::newRow("split between CR and LF") << history + rise.chopped(1) << Append
                                                 << QByteArray("\n") + fall << false;
        QTest::newRow("lone CR, then a record") << withLineEnds(history + rise, "\r") << Append
                                                << withLineEnds(fall, "\r") << false;
        QTest::newRow("CR, then CR LF") << rise.chopped(1) << Append << QByteArray("\r\n") + fall << false;
        QTest::newRow("LF line ends") << withLineEnds(history, "\n") << Append
                                      << withLineEnds(rise + fall, "\n") << false;
        QTest::newRow("appended bytes are only a CR") << history + rise.chopped(2) << Append
                                                      << QByteArray("\r") << false;

        // Any other change: the whole file again.
        QTest::newRow("truncated") << history + rise + fall << Truncate << QByteArray() << true;
        QTest::newRow("truncated to nothing") << history << Truncate << QByteArray("0") << true;
        QTest::newRow("truncated, then longer than before")
            << history + fall << TruncateAndGrow << mixedHistory(60, 4) << true;
        QTest::newRow("rewritten at the same size")
            << history + rise << Rewrite << history + fall.left(rise.size()) << true;
        QTest::newRow("replaced by another file") << history << Replace << mixedHistory(45, 1) << true;
        QTest::newRow("replaced by a copy plus a record") << history << Replace << history + fall << true;
        QTest::newRow("deleted: nothing to read") << history << Delete << QByteArray() << false;
        QTest::newRow("next day") << history << NewDay << record("9:30", "- 0,40 %", "9401,00", Tomorrow)
                                  << true;
        QTest::newRow("another index's file") << history << OtherFile << rise + old + fall << true;
    }
    void changeBetweenReads()
    {
        QFETCH(QByteArray, before);
        QFETCH(Change, change);
        QFETCH(QByteArray, argument);
        QFETCH(bool, wholeFile);

        writeFile(path_, before);
        LettoreStorico reader;
        QVERIFY(readAndCompare(reader, path_, Today));
        QVERIFY(reader.LetturaCompleta());

        QString path = path_;
        QString today = Today;
        switch (change) {
        case Append:
            appendFile(path_, argument);
            break;
        case Nothing:
            break;
        case Truncate: {
            const qint64 size = argument.isEmpty() ? before.size() / 2 : argument.toLongLong();
            QVERIFY(QFile::resize(path_, size));
            break;
        }
        case TruncateAndGrow:
            QVERIFY(QFile::resize(path_, before.size() / 3));
            appendFile(path_, argument);
            QVERIFY(QFileInfo(path_).size() > before.size());
            break;
        case Rewrite:
            QCOMPARE(argument.size(), before.size());
            rewriteInPlace(path_, argument);
            break;
        case Replace:
            replaceFile(path_, argument);
            break;
        case Delete:
            QVERIFY(QFile::remove(path_));
            break;
        case NewDay:
            appendFile(path_, argument);
            today = Tomorrow;
            break;
        case OtherFile:
            path = dir_->filePath(QStringLiteral("D.Jones.txt"));
            writeFile(path, argument);
            break;
        }
        QVERIFY(readAndCompare(reader, path, today));
        QCOMPARE(reader.LetturaCompleta(), wholeFile);
        if (!wholeFile) // only what was appended, and what is left of a line being written
            QVERIFY2(reader.ByteLetti() <= argument.size() + 256 + 80,
                     qPrintable(QString::number(reader.ByteLetti())));

        // Appends after the change are followed again.
        if (change != Delete) {
            appendFile(path, record("15:59", "- 0,77 %", "9000,00", today));
            QVERIFY(readAndCompare(reader, path, today));
            QVERIFY(!reader.LetturaCompleta());
        }
    }

    void deletedThenCreated()
    {
        writeFile(path_, mixedHistory(10, 0));
        LettoreStorico reader;
        QVERIFY(readAndCompare(reader, path_, Today));
        QVERIFY(QFile::remove(path_));
        PuntiGrafico points;
        QVERIFY(!reader.Leggi(path_, Today, &points));
        QVERIFY(samePoints(points, PuntiGrafico()));
        // Created again by the next append; nothing of the old file survives.
        QVERIFY(AccodaRecord(path_, record("9:30", "+ 0,52 %", "9551,12"), nullptr));
        QVERIFY(readAndCompare(reader, path_, Today));
        QCOMPARE(reader.LetturaCompleta(), true);
        QCOMPARE(reader.ByteLetti(), QFileInfo(path_).size());
    }

    void emptiedAndFilledAgain()
    {
        // Emptying may hand the new file the old inode number; the bytes before the
        // point reached tell the files apart.
        const QByteArray history = mixedHistory(30, 2);
        writeFile(path_, history);
        LettoreStorico reader;
        QVERIFY(readAndCompare(reader, path_, Today));
        QVERIFY(SvuotaFile(path_, nullptr));
        appendFile(path_, mixedHistory(35, 5));
        QVERIFY(QFileInfo(path_).size() > history.size());
        QVERIFY(readAndCompare(reader, path_, Today));
        QVERIFY(reader.LetturaCompleta());
    }

    // Every split point of a history with all kinds of line ends: the file first holds
    // the bytes before the split, then all of them.
    void everySplitPoint_data()
    {
        QTest::addColumn<QByteArray>("content");
        const QByteArray a = record("9:30", "+ 0,52 %", "9551,12");
        const QByteArray b = record("9:35", "- 0,03 %", "9401,00");
        const QByteArray c = record("9:40", QString(), "9401,00");
        QTest::newRow("CR LF") << a + b + c;
        QTest::newRow("mixed line ends")
            << a.chopped(2) + "\r" + b.chopped(2) + "\n" + c.chopped(2) + "\r\r\n" + a.chopped(2) + "\n\r" + b;
        QTest::newRow("no final line end") << a + b.chopped(2);
        QTest::newRow("final lone CR") << a + b.chopped(1);
    }
    void everySplitPoint()
    {
        QFETCH(QByteArray, content);
        for (qsizetype split = 0; split <= content.size(); ++split) {
            writeFile(path_, content.left(split));
            LettoreStorico reader;
            QVERIFY2(readAndCompare(reader, path_, Today), qPrintable(QString::number(split)));
            appendFile(path_, content.mid(split));
            QVERIFY2(readAndCompare(reader, path_, Today), qPrintable(QString::number(split)));
            QVERIFY(!reader.LetturaCompleta());
        }
    }

    void manySmallAppends()
    {
        // A history appended in pieces of every size, read after each piece.
        const QByteArray content = withLineEnds(mixedHistory(60, 7), "\r\n") + mixedHistory(3, 1).chopped(1);
        writeFile(path_, QByteArray());
        LettoreStorico reader;
        QVERIFY(readAndCompare(reader, path_, Today));
        qsizetype written = 0;
        for (int step = 1; written < content.size() && step < 1000; ++step) {
            const qsizetype piece = qMin<qsizetype>(content.size() - written, (step * 37) % 150 + 1);
            appendFile(path_, content.mid(written, piece));
            written += piece;
            QVERIFY2(readAndCompare(reader, path_, Today), qPrintable(QString::number(written)));
            QVERIFY(!reader.LetturaCompleta());
        }
        QCOMPARE(written, content.size());
    }

    void largeFileInBlocks()
    {
        // Far more than one read block, with lines crossing the block edges.
        const QByteArray content = mixedHistory(30000, 9);
        writeFile(path_, content);
        LettoreStorico reader;
        QVERIFY(readAndCompare(reader, path_, Today));
        QCOMPARE(reader.ByteLetti(), content.size());
    }

    void capAcrossAppends_data()
    {
        QTest::addColumn<int>("before"); // records of today before the append
        QTest::newRow("below the cap") << MassimoPunti - 2;
        QTest::newRow("at the cap") << MassimoPunti;
        QTest::newRow("above the cap") << MassimoPunti + 3;
    }
    void capAcrossAppends()
    {
        QByteArray content;
        QFETCH(int, before);
        content.reserve(qsizetype(before) * 72);
        for (int n = 0; n < before; ++n)
            content += record(QString::number(n), "+ 0,52 %", "9551,12");
        writeFile(path_, content);
        LettoreStorico reader;
        QVERIFY(readAndCompare(reader, path_, Today));
        // Beyond the cap the points stop, but the last record of today still sets the colour.
        appendFile(path_, record("16:00", "+ 0,10 %", "9551,12") + record("16:01", "- 0,20 %", "9000,00"));
        PuntiGrafico points;
        QVERIFY(reader.Leggi(path_, Today, &points));
        QVERIFY(!reader.LetturaCompleta());
        QCOMPARE(points.Righe.size(), qMin(before + 2, MassimoPunti));
        QCOMPARE(points.Colore, 1);
        QVERIFY(samePoints(points, fullRead(path_, Today)));
    }

    // The main window: each poll appends a record and the chart follows the file.
    void windowFollowsPolls()
    {
        ScriptedServer server(ScriptedServer::reply(httpAnswer("")));
        qputenv("QUOTARO_FUTURES_SERVER", server.address().toLatin1());
        qputenv("QUOTARO_QUOTE_SERVER", server.address().toLatin1());
        TempHome home;
        RecordingDesktop desktop;
        Form1 form;
        QVERIFY(form.Form_Load());
        form.List1_Click(1);
        const QString today = TestoData(QDate::currentDate());
        const QString path = form.FileStorico();
        QByteArray history;
        for (int n = 0; n < 50; ++n)
            history += record(QStringLiteral("9:%1").arg(n + 10), QStringLiteral("+ 0,%1 %").arg(n + 10),
                              "9551,12", n % 4 ? today : TestoData(QDate::currentDate().addDays(-1)));
        writeFile(path, history);

        auto chartMatchesFile = [&] {
            const PuntiGrafico expected = fullRead(path, today);
            QLineSeries *series = form.SerieGrafico();
            if (series->count() != expected.Valori.size() + 1 || form.NumeroPunti != expected.Righe.size())
                return false;
            // The axes follow the points: x up to the last one, y around all of them.
            const auto axes = series->attachedAxes();
            auto *x = qobject_cast<QValueAxis *>(axes.value(0));
            auto *y = qobject_cast<QValueAxis *>(axes.value(1));
            if (!x || !y || x->max() != qMax<qsizetype>(2, series->count()))
                return false;
            for (qsizetype i = 0; i < expected.Valori.size(); ++i) {
                if (series->at(i + 1).y() != expected.Valori[i] || form.RigheGrafico[i + 1] != expected.Righe[i]
                    || expected.Valori[i] <= y->min() || expected.Valori[i] >= y->max())
                    return false;
            }
            return true;
        };
        form.Command1_Click();
        QVERIFY(chartMatchesFile());
        for (int n = 0; n < 5; ++n) {
            form.AggiornaQuotazione(Quotazione{QStringLiteral("16:0%1").arg(n), QStringLiteral("9000,00"),
                                               QStringLiteral("0,%1").arg(n + 20), QStringLiteral("9503,34")});
            QVERIFY(!form.LettoreGrafico.LetturaCompleta());
            QVERIFY(chartMatchesFile());
        }
        QCOMPARE(form.SerieGrafico()->pen().color(), QColor(255, 0, 0));

        // An edit far back that leaves the file growing goes unnoticed by a poll's
        // rebuild; "Aggiorna" reads the whole file again.
        QByteArray edited;
        QVERIFY(LeggiFile(path, &edited));
        edited.replace(edited.indexOf("+ 0,11 %"), 1, "-");
        rewriteInPlace(path, edited);
        appendFile(path, record("16:30", "+ 0,99 %", "9551,12", today));
        form.Aggiorna->trigger();
        QVERIFY(form.LettoreGrafico.LetturaCompleta());
        QVERIFY(chartMatchesFile());
    }

    // Nothing but a plain file is read: a folder, a pipe without a writer (which would
    // block) or a device without an end (which would never stop) give no points.
    void notAPlainFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("folder") << "folder";
        QTest::newRow("pipe") << "pipe";
        QTest::newRow("link to /dev/zero") << "/dev/zero";
    }
    void notAPlainFile()
    {
        QFETCH(QString, kind);
        writeFile(path_, mixedHistory(10, 0));
        LettoreStorico reader;
        QVERIFY(readAndCompare(reader, path_, Today));
        QVERIFY(QFile::remove(path_));
        const QByteArray name = QFile::encodeName(path_);
        QVERIFY(kind == u"folder" ? QDir().mkpath(path_)
                : kind == u"pipe" ? ::mkfifo(name.constData(), 0600) == 0
                                  : QFile::link(kind, path_));
        PuntiGrafico points;
        QVERIFY(!reader.Leggi(path_, Today, &points));
        QVERIFY(samePoints(points, PuntiGrafico()));
    }
};

QTEST_MAIN(TestCacheGrafico)
#include "tst_cachegrafico.moc"
