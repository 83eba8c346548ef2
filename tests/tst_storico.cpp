#include <QtTest>
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include "history/FileStorico.h"
#include "history/Storico.h"

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString Today = QStringLiteral("06/12/2026");
const QString OtherDay = QStringLiteral("05/12/2026");

QByteArray record(const QString &time, const QString &close, const QString &change,
                  const QString &value, const QString &date = Today)
{
    return ScriviRecord(time, close, change, value, date);
}

QString line(const QByteArray &rec)
{
    return QString::fromLatin1(rec.chopped(2));
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The record that writer `id` appends as its n-th; lengths vary so that lines of the
// two writers do not line up.
QByteArray childRecord(int id, int n)
{
    return record(QStringLiteral("%1:%2").arg(id).arg(n), QStringLiteral("9503,34"),
                  QStringLiteral("+ 0,%1 %").arg(n % 1000), QString(n % 7, QLatin1Char('9')),
                  Today);
}

// Child modes, run in a separate process of this same program.
int appendMany(const QString &path, int id, int count)
{
    for (int n = 0; n < count; ++n) {
        QString error;
        if (!AccodaRecord(path, childRecord(id, n), &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
    }
    return 0;
}

int appendWithSizeLimit(const QString &path, qint64 limit)
{
    // Past the limit the kernel writes only part of the record.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit lim{rlim_t(limit), rlim_t(limit)};
    if (setrlimit(RLIMIT_FSIZE, &lim) != 0)
        return 3;
    QString error;
    const bool ok = AccodaRecord(path, record("16:00", "9503,34", "+ 0,52 %", "9551,12"), &error);
    std::printf("%s", qPrintable(error));
    return ok ? 0 : (error.isEmpty() ? 2 : 1);
}

} // namespace

class TestStorico : public QObject
{
    Q_OBJECT
private slots:
    void recordLayout_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QByteArray>("expected");
        const QString date = QStringLiteral("10/09/2003");
        QTest::newRow("example, 68 bytes")
            << QStringList{"16:00", "9503,34", "+ 0,52 %", "9551,12", date}
            << QByteArray("16:00         9503,34       + 0,52 %      9551,12       10/09/2003\r\n");
        // A 4-character time gets 10 blanks; an 8-character close ends at column 22.
        QTest::newRow("four-char time, eight-char close")
            << QStringList{"9:35", "10012,55", "- 1,05 %", "9907,1", date}
            << QByteArray("9:35          10012,55      - 1,05 %      9907,1        10/09/2003\r\n");
        QTest::newRow("thirteen chars keep one blank")
            << QStringList{"1234567890123", "9503,34", "+ 0,52 %", "9551,12", date}
            << QByteArray("1234567890123 9503,34       + 0,52 %      9551,12       10/09/2003\r\n");
        // Exactly 14 characters fill a zone, so the next field moves one zone right.
        QTest::newRow("fourteen chars push later zones")
            << QStringList{"12345678901234", "9503,34", "+ 0,52 %", "9551,12", date}
            << QByteArray("12345678901234              9503,34       + 0,52 %      9551,12       10/09/2003\r\n");
        QTest::newRow("twenty-nine chars")
            << QStringList{"", "12345678901234567890123456789", "+ 0,52 %", "9551,12", date}
            << QByteArray("              12345678901234567890123456789             + 0,52 %      9551,12       10/09/2003\r\n");
        QTest::newRow("empty fields")
            << QStringList{"", "", "", "", date}
            << QByteArray("                                                        10/09/2003\r\n");
        QTest::newRow("blanks around fields removed")
            << QStringList{" 16:00", " 9503,34 ", "+ 0,52 %  ", "  9551,12", date}
            << QByteArray("16:00         9503,34       + 0,52 %      9551,12       10/09/2003\r\n");
    }
    void recordLayout()
    {
        QFETCH(QStringList, fields);
        QFETCH(QByteArray, expected);
        QCOMPARE(ScriviRecord(fields[0], fields[1], fields[2], fields[3], fields[4]), expected);
    }

    void exampleIs68Bytes()
    {
        QCOMPARE(ScriviRecord("16:00", "9503,34", "+ 0,52 %", "9551,12", "10/09/2003").size(), 68);
    }

    void dateText()
    {
        QCOMPARE(TestoData(QDate(2003, 9, 10)), QStringLiteral("10/09/2003"));
        QCOMPARE(TestoData(QDate(2026, 12, 6)), QStringLiteral("06/12/2026"));
        // The reader's date window must hold the whole date after the last zone.
        QVERIFY(TestoData(QDate(2026, 12, 31)).size() <= 13);
    }

    void windows_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("close");
        const QString example = "16:00         9503,34       + 0,52 %      9551,12       10/09/2003";
        QTest::newRow("example record") << example << "10/09/2003" << "+ 0,52 %" << "9551,12" << "9503,";
        QTest::newRow("fourteen-char time shifts fields")
            << "12345678901234              9503,34       + 0,52 %      9551,12       10/09/2003"
            << "9551,12" << "9503,34" << "+ 0,52" << "01234";
        QTest::newRow("line ends inside the date window") << example.left(60) << "10/0" << "+ 0,52 %" << "9551,12" << "9503,";
        QTest::newRow("line ends just before the date window") << example.left(54) << "" << "+ 0,52 %" << "9551,12" << "9503,";
        QTest::newRow("line ends inside the change window") << example.left(33) << "" << "+ 0,5" << "" << "9503,";
        QTest::newRow("ten characters") << "16:00     " << "" << "" << "" << "";
        QTest::newRow("empty") << "" << "" << "" << "" << "";
        // Only blanks are trimmed: a tab in a window stays.
        QString withTabs = example + '\t';
        withTabs[27] = '\t';
        QTest::newRow("tabs are not blanks") << withTabs << "10/09/2003\t" << "\t+ 0,52 %" << "9551,12" << "9503,";
    }
    void windows()
    {
        QFETCH(QString, text);
        QFETCH(QString, date);
        QFETCH(QString, change);
        QFETCH(QString, value);
        QFETCH(QString, close);
        QCOMPARE(FinestraData(text), date);
        QCOMPARE(FinestraVariazione(text), change);
        QCOMPARE(FinestraValore(text), value);
        QCOMPARE(FinestraChiusura(text), close);
    }

    void changeValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("plus") << "+ 0,52 " << 0.52;
        QTest::newRow("minus") << "- 1,25 " << -1.25;
        QTest::newRow("no blank after sign") << "-1,25" << -1.25;
        QTest::newRow("no sign") << "0,0" << 0.0;
        QTest::newRow("whole number") << "+ 12 " << 12.0;
        QTest::newRow("many digits") << "+ 1234567,891" << 1234567.891;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("sign only") << "+ " << 0.0;
        QTest::newRow("percent left on") << "+ 0,52 %" << 0.0;
        QTest::newRow("two commas") << "+ 1,2,3 " << 0.0;
        QTest::newRow("decimal point") << "+ 0.52 " << 0.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("outside Latin-1") << QString::fromUtf8("+ 0,5€") << 0.0;
    }
    void changeValue()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(ValoreVariazione(text), expected);
    }

    void chartPoints_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("today");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<int>("colour");

        const QByteArray rise = record("16:00", "9503,34", "+ 0,52 %", "9551,12");
        const QByteArray fall = record("16:05", "9503,34", "- 0,03 %", "9500,50");
        const QByteArray old = record("15:00", "9000,00", "- 9,99 %", "8100,00", OtherDay);
        const QByteArray oldRise = record("17:00", "9000,00", "+ 9,99 %", "9899,10", OtherDay);

        QTest::newRow("empty file") << QByteArray() << Today << QStringList() << QList<double>() << 0;
        QTest::newRow("no record of today") << old + oldRise << Today << QStringList() << QList<double>() << 0;
        QTest::newRow("other days anywhere")
            << old + rise + oldRise + old + fall + oldRise << Today
            << QStringList{line(rise), line(fall)} << QList<double>{0.52, -0.03} << 1;
        const QByteArray blankChange = record("16:10", "9503,34", "", "9400,00");
        QTest::newRow("blank change: colour but no point")
            << rise + blankChange << Today << QStringList{line(rise)} << QList<double>{0.52} << 1;
        // Colour from the numbers of the whole fields.
        const QByteArray slightlyBelow = record("16:00", "9503,34", "- 0,00 %", "9503,10");
        QTest::newRow("value just below close is red")
            << slightlyBelow << Today << QStringList{line(slightlyBelow)} << QList<double>{0.0} << 1;
        const QByteArray longerAbove = record("16:00", "9998,76", "+ 0,14 %", "10012,5");
        QTest::newRow("five-digit value above four-digit close is green")
            << longerAbove << Today << QStringList{line(longerAbove)} << QList<double>{0.14} << 2;
        const QByteArray longerBelow = record("16:00", "10012,5", "- 0,14 %", "9998,76");
        QTest::newRow("four-digit value below five-digit close is red")
            << longerBelow << Today << QStringList{line(longerBelow)} << QList<double>{-0.14} << 1;
        const QByteArray equal = record("16:00", "9503,34", "+ 0,00 %", "9503,34");
        QTest::newRow("equal is green") << equal << Today << QStringList{line(equal)} << QList<double>{0.0} << 2;
        QTest::newRow("last of today decides, not last of file")
            << rise + fall + oldRise << Today << QStringList{line(rise), line(fall)}
            << QList<double>{0.52, -0.03} << 1;
        const QByteArray wideTime = record("12345678901234", "9503,34", "+ 0,52 %", "9551,12");
        QTest::newRow("fourteen-char field is not read as today")
            << rise + wideTime << Today << QStringList{line(rise)} << QList<double>{0.52} << 2;
        const QByteArray oddChange = record("16:00", "9503,34", "+ x %", "9551,12");
        QTest::newRow("unreadable change counts as 0")
            << oddChange << Today << QStringList{line(oddChange)} << QList<double>{0.0} << 2;
        QTest::newRow("today with blanks around")
            << rise << " " + Today + " " << QStringList{line(rise)} << QList<double>{0.52} << 2;
        const QByteArray dateAndMore = record("16:00", "9503,34", "+ 0,52 %", "9551,12", Today + " x");
        QTest::newRow("date followed by more text")
            << dateAndMore << Today << QStringList() << QList<double>() << 0;

        // Line ends.
        QTest::newRow("lone CR")
            << rise.chopped(2) + "\r" + fall.chopped(2) + "\r" << Today
            << QStringList{line(rise), line(fall)} << QList<double>{0.52, -0.03} << 1;
        QTest::newRow("LF only")
            << rise.chopped(2) + "\n" + fall.chopped(2) + "\n" << Today
            << QStringList{line(rise), line(fall)} << QList<double>{0.52, -0.03} << 1;
        QTest::newRow("CR CR LF and LF CR")
            << rise.chopped(2) + "\r\r\n" + fall.chopped(2) + "\n\r" + rise << Today
            << QStringList{line(rise), line(fall), line(rise)} << QList<double>{0.52, -0.03, 0.52} << 2;
        QTest::newRow("no final line break")
            << rise + fall.chopped(2) << Today
            << QStringList{line(rise), line(fall)} << QList<double>{0.52, -0.03} << 1;

        // Odd lines.
        QTest::newRow("empty and one-char lines")
            << "\r\n" "x\r\n" + rise + "\r\n\r\n" "\n" "y" << Today
            << QStringList{line(rise)} << QList<double>{0.52} << 2;
        const QByteArray padded = rise.chopped(2) + QByteArray(10000 - 66, ' ');
        QTest::newRow("10,000-char lines")
            << QByteArray(10000, 'x') + "\r\n" + padded + "\r\n" << Today
            << QStringList{QString::fromLatin1(padded)} << QList<double>{0.52} << 2;
        QByteArray withNul = rise;
        withNul[2] = '\0';
        QTest::newRow("NUL bytes")
            << QByteArray(70, '\0') + "\r\n" + withNul << Today
            << QStringList{line(withNul)} << QList<double>{0.52} << 2;
        QByteArray latin1 = rise;
        latin1[0] = char(0xE0);
        QTest::newRow("Latin-1 byte")
            << latin1 << Today << QStringList{QString(QChar(0xE0)) + line(rise).mid(1)}
            << QList<double>{0.52} << 2;
    }
    void chartPoints()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, today);
        QFETCH(QStringList, lines);
        QFETCH(QList<double>, values);
        QFETCH(int, colour);
        const PuntiGrafico points = CalcolaPunti(content, today);
        QCOMPARE(points.Righe, lines);
        QCOMPARE(points.Valori, values);
        QCOMPARE(points.Colore, colour);
    }

    void chartPointsCapped()
    {
        QByteArray content;
        const int records = MassimoPunti + 5;
        for (int n = 1; n <= records; ++n) {
            if (n % 1000 == 0)
                content += record("9:00", "1,0", "+ 1,00 %", "2,0", OtherDay);
            // Only the very last record of today is a fall.
            content += record(QString::number(n), "9503,34", "+ 0,52 %",
                              n == records ? "9000,00" : "9551,12");
        }
        const PuntiGrafico points = CalcolaPunti(content, Today);
        QCOMPARE(points.Righe.size(), MassimoPunti);
        QCOMPARE(points.Valori.size(), MassimoPunti);
        QVERIFY(points.Righe.first().startsWith("1 "));
        QVERIFY(points.Righe.last().startsWith(QString::number(MassimoPunti) + " "));
        QCOMPARE(points.Colore, 1);
    }

    void fileName_data()
    {
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "Nasdaq" << "Nasdaq.txt";
        QTest::newRow("dot kept") << "D.Jones" << "D.Jones.txt";
        QTest::newRow("u-grave") << QString::fromUtf8("Futùres") << QString::fromUtf8("Futùres.txt");
        QTest::newRow("slash") << "S&P/MIB" << "S&P_MIB.txt";
        QTest::newRow("slashes") << "/a//b/" << "_a__b_.txt";
    }
    void fileName()
    {
        QFETCH(QString, index);
        QFETCH(QString, expected);
        QCOMPARE(NomeFileStorico(index), expected);
    }

    void appendCreatesAndLandsAtEnd()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(NomeFileStorico(QString::fromUtf8("Futùres")));
        const QByteArray first = record("16:00", "9503,34", "+ 0,52 %", "9551,12");
        const QByteArray second = record("16:05", "9503,34", "- 0,03 %", "9500,50");
        QString error;
        QVERIFY2(AccodaRecord(path, first, &error), qPrintable(error));
        // The name on disk is UTF-8.
        QVERIFY(QFileInfo::exists(dir.path() + QString::fromUtf8("/Futùres.txt")));
        QVERIFY(::access((QFile::encodeName(dir.path()) + "/Fut\xc3\xb9res.txt").constData(), F_OK) == 0);
        QVERIFY2(AccodaRecord(path, second, &error), qPrintable(error));
        QCOMPARE(readAll(path), first + second);

        // An existing file whose last line has no break: that line is ended first, so
        // the record stays a line of its own.
        const QString other = dir.filePath("Nasdaq.txt");
        QVERIFY(writeAll(other, "typed by hand"));
        QVERIFY(AccodaRecord(other, first, &error));
        QCOMPARE(readAll(other), "typed by hand\r\n" + first);
    }

    void appendFailure_data()
    {
        QTest::addColumn<QString>("where");
        QTest::newRow("device that is always full") << "/dev/full";
        QTest::newRow("missing folder") << "missing/Nasdaq.txt";
        QTest::newRow("folder in the way") << ".";
    }
    void appendFailure()
    {
        QFETCH(QString, where);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = where.startsWith('/') ? where : dir.filePath(where);
        if (path == "/dev/full" && ::access("/dev/full", W_OK) != 0)
            QSKIP("/dev/full is not writable here");
        QString error;
        QVERIFY(!AccodaRecord(path, record("16:00", "9503,34", "+ 0,52 %", "9551,12"), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!AccodaRecord(path, "x", nullptr));
    }

    // A write cut short by the file size limit must not leave half a line behind.
    void partialWriteIsTakenBack()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath("Nasdaq.txt");
        const QByteArray before = record("15:55", "9503,34", "+ 0,40 %", "9541,12");
        QVERIFY(writeAll(path, before));
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {"--append-with-limit", path, QString::number(before.size() + 30)});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 1);
        QVERIFY(!child.readAllStandardOutput().isEmpty());
        QCOMPARE(readAll(path), before);
    }

    void concurrentAppendsKeepLinesWhole()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath("D.Jones.txt");
        const int count = 3000;
        QProcess a, b;
        a.start(QCoreApplication::applicationFilePath(), {"--append-many", path, "1", QString::number(count)});
        b.start(QCoreApplication::applicationFilePath(), {"--append-many", path, "2", QString::number(count)});
        QVERIFY(a.waitForFinished(60000));
        QVERIFY(b.waitForFinished(60000));
        QCOMPARE(a.exitCode(), 0);
        QCOMPARE(b.exitCode(), 0);

        const QByteArray content = readAll(path);
        QVERIFY(content.endsWith("\r\n"));
        const QList<QByteArray> lines = content.chopped(1).split('\n');
        QCOMPARE(lines.size(), 2 * count);
        int next[3] = {0, 0, 0};
        for (const QByteArray &l : lines) {
            const int id = l.startsWith("1:") ? 1 : l.startsWith("2:") ? 2 : 0;
            QVERIFY2(id != 0, l.constData());
            // Each writer's records come whole and in its own order.
            QCOMPARE(l + '\n', childRecord(id, next[id]));
            ++next[id];
        }
        QCOMPARE(next[1], count);
        QCOMPARE(next[2], count);
    }

    void readFile()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QByteArray content;
        QVERIFY(!LeggiFile(dir.filePath("missing.txt"), &content));
        QVERIFY(!LeggiFile(dir.path(), &content));
        QVERIFY(content.isEmpty());

        const QByteArray bytes = QByteArray("a\0b\rc\r\n\xe0", 8) + QByteArray(300000, 'z');
        QVERIFY(writeAll(dir.filePath("Nasdaq.txt"), bytes));
        QVERIFY(LeggiFile(dir.filePath("Nasdaq.txt"), &content));
        QCOMPARE(content, bytes);
        QVERIFY(writeAll(dir.filePath("empty.txt"), {}));
        QVERIFY(LeggiFile(dir.filePath("empty.txt"), &content));
        QVERIFY(content.isEmpty());
    }

    void emptyFile()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath("Nasdaq.txt");
        QVERIFY(writeAll(path, record("16:00", "9503,34", "+ 0,52 %", "9551,12")));
        QString error;
        QVERIFY2(SvuotaFile(path, &error), qPrintable(error));
        QVERIFY(QFileInfo::exists(path));
        QCOMPARE(QFileInfo(path).size(), 0);

        // A missing file is simply created.
        const QString missing = dir.filePath("D.Jones.txt");
        QVERIFY2(SvuotaFile(missing, &error), qPrintable(error));
        QVERIFY(QFileInfo::exists(missing));

        QVERIFY(!SvuotaFile(dir.filePath("missing/Nasdaq.txt"), &error));
        QVERIFY(!error.isEmpty());
    }

    void emptyFileInReadOnlyFolder()
    {
        if (::geteuid() == 0)
            QSKIP("folder permissions do not bind the superuser");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath("Nasdaq.txt");
        const QByteArray bytes = record("16:00", "9503,34", "+ 0,52 %", "9551,12");
        QVERIFY(writeAll(path, bytes));
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0555) == 0);
        QString error;
        const bool ok = SvuotaFile(path, &error);
        ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
        QVERIFY(!ok);
        QVERIFY(error.contains(path));
        QCOMPARE(readAll(path), bytes);
    }
};

int main(int argc, char **argv)
{
    if (argc == 5 && qstrcmp(argv[1], "--append-many") == 0)
        return appendMany(QFile::decodeName(argv[2]), atoi(argv[3]), atoi(argv[4]));
    if (argc == 4 && qstrcmp(argv[1], "--append-with-limit") == 0)
        return appendWithSizeLimit(QFile::decodeName(argv[2]), atoll(argv[3]));
    QCoreApplication app(argc, argv);
    TestStorico test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_storico.moc"
