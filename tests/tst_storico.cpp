#include <QtTest>
#include <csignal>
#include <sys/resource.h>

#include "history/FileStorico.h"
#include "history/Storico.h"

static QByteArray rec(QString t, QString c, QString v, QString x, QString d = "06/12/2026") { return ScriviRecord(t, c, v, x, d); }
static QString line(const QByteArray &r) { return QString::fromLatin1(r.chopped(2)); }
static QByteArray readAll(const QString &p) { QFile f(p); return f.open(QIODevice::ReadOnly) ? f.readAll() : "?"; }
// Lengths vary so that the lines of two writers never line up.
static QByteArray childRecord(int id, int n)
{ return rec(QString("%1:%2").arg(id).arg(n), "9503,34", QString("+ 0,%1 %").arg(n), QString(n % 7, '9')); }
// A child of this program appends as writer `id`; a file size limit in bytes (-1: none, thousands of records)
// lets the kernel cut a write short.
static std::unique_ptr<QProcess> startWriter(const QString &path, int id, int limit) {
    auto p = std::make_unique<QProcess>();
    p->start(QCoreApplication::applicationFilePath(), {"--append", path, QString::number(id), QString::number(limit)});
    return p;
}

class TestStorico : public QObject {
    Q_OBJECT
private slots:
    void recordAndWindows_data() {
        QTest::addColumn<QStringList>("fields"); // none: a line not written by the program
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("windows"); // date, change, value, close
        const QStringList ends{"10/09/2003", "+ 0,52 %", "9551,12", "9503,"};
        const QByteArray ex = "16:00         9503,34       + 0,52 %      9551,12       10/09/2003\r\n";
        QTest::newRow("68-byte example") << QStringList{"16:00", "9503,34", "+ 0,52 %", "9551,12"} << ex << ends;
        QTest::newRow("short fields") << QStringList{"9:35", "", " 1 ", "9907,1"}
            << QByteArray("9:35                        1             9907,1        10/09/2003\r\n")
            << QStringList{"10/09/2003", "1", "9907,1", ""};
        QTest::newRow("14 chars push later zones") << QStringList{"12345678901234", "9503,34", "+ 0,52 %", "9551,12"}
            << QByteArray("12345678901234              9503,34       + 0,52 %      9551,12       10/09/2003\r\n")
            << QStringList{"9551,12", "9503,34", "+ 0,52", "01234"};
        QTest::newRow("ends inside the date") << QStringList() << ex.left(60) << (QStringList{"10/0"} + ends.mid(1));
        QTest::newRow("ten chars") << QStringList() << QByteArray("16:00     ") << QStringList{"", "", "", ""};
    }
    void recordAndWindows() {
        QFETCH(QStringList, fields);
        QFETCH(QByteArray, text);
        QCOMPARE(fields.isEmpty() ? text : ScriviRecord(fields[0], fields[1], fields[2], fields[3], "10/09/2003"), text);
        const QString l = QString::fromLatin1(text.endsWith("\r\n") ? text.chopped(2) : text);
        QTEST((QStringList{FinestraData(l), FinestraVariazione(l), FinestraValore(l), FinestraChiusura(l)}), "windows");
        QCOMPARE((QList<double>{ValoreVariazione("+ 0,52 "), ValoreVariazione("- 1,25 ")}), (QList<double>{0.52, -1.25}));
    }

    void chartPoints_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<int>("colour");
        const QByteArray rise = rec("16:00", "9503,34", "+ 0,52 %", "9551,12");
        const QByteArray fall = rec("16:05", "9503,34", "- 0,03 %", "9503,10");
        const QByteArray old = rec("17:00", "9000,00", "+ 9,99 %", "9899,10", "05/12/2026");
        const QByteArray longer = rec("16:00", "9998,76", "+ 0,14 %", "10012,5");
        const QByteArray nul = QByteArray(rise).replace(2, 1, QByteArray(1, '\0'));
        const QStringList both{line(rise), line(fall)};
        const QList<double> bothValues{0.52, -0.03};
        const QByteArray odd = nul.chopped(2) + QByteArray(10000 - 66, ' '); // a record of today
        QByteArray many; // only the very last record is a fall, past the cap
        for (int n = 1; n <= MassimoPunti + 5; ++n)
            many += rec(QString::number(n), "9503,34", "+ 0,52 %", n > MassimoPunti + 4 ? "9000,00" : "9551,12");
        QTest::newRow("cap") << many << QString::fromLatin1(many).split("\r\n").first(MassimoPunti)
                             << QList<double>(MassimoPunti, 0.52) << 1;
        QTest::newRow("no record of today") << old + old << QStringList() << QList<double>() << 0;
        QTest::newRow("other days anywhere") << old + rise + old + fall + old << both << bothValues << 1;
        QTest::newRow("blank change: colour, no point") << fall + rec("16:10", "9503,34", "", "9600,00")
            << QStringList{line(fall)} << QList<double>{-0.03} << 2;
        QTest::newRow("10012,5 over 9998,76 is green") << longer << QStringList{line(longer)} << QList<double>{0.14} << 2;
        QTest::newRow("lone CR, no final break") << rise.chopped(2) + "\r" + fall.chopped(2) << both << bothValues << 1;
        QTest::newRow("NUL bytes, 10,000-char lines") << QByteArray(70, '\0') + "\r\n" + QByteArray(10000, 'x') + "\r\n" + odd
            << QStringList{QString::fromLatin1(odd)} << QList<double>{0.52} << 2;
    }
    void chartPoints() {
        QFETCH(QByteArray, content);
        const PuntiGrafico points = CalcolaPunti(content, "06/12/2026");
        QTEST(points.Righe, "lines");
        QTEST(points.Valori, "values");
        QTEST(points.Colore, "colour");
    }

    void append() {
        QCOMPARE(NomeFileStorico("/S&P/MIB"), QStringLiteral("_S&P_MIB.txt")); // a name is one file, never a folder
        QTemporaryDir dir;
        const QString path = dir.filePath("Nasdaq.txt");
        const QByteArray first = rec("16:00", "9503,34", "+ 0,52 %", "9551,12");
        QString error;
        QVERIFY(AccodaRecord(path, "typed by hand", &error) && AccodaRecord(path, first, &error)); // a line without end
        QCOMPARE(readAll(path), "typed by hand\r\n" + first);
        const auto one = startWriter(path, 1, -1), two = startWriter(path, 2, -1);
        for (QProcess *w : {one.get(), two.get()})
            QVERIFY(w->waitForFinished(60000) && w->exitCode() == 0);
        const QByteArray all = readAll(path);
        const QList<QByteArray> lines = all.mid(15 + first.size()).split('\n');
        QCOMPARE(lines.size(), 2 * 3000 + 1);
        int next[3] = {};
        for (const QByteArray &l : lines.first(2 * 3000)) // each writer's records whole, in its own order
            QVERIFY2(l + '\n' == childRecord(l[0] - '0', next[l[0] == '2']++), l.constData());
        const auto cut = startWriter(path, 1, all.size() + 30); // cut short by a file size limit
        QVERIFY(cut->waitForFinished(30000) && cut->exitCode() == 1); // 1: failed with a reason
        QCOMPARE(readAll(path), all); // no half line stays behind
        QVERIFY(!AccodaRecord("/dev/full", first, &error) && !error.isEmpty());
    }
};

int main(int argc, char **argv) {
    if (argc == 5 && qstrcmp(argv[1], "--append") == 0) {
        const rlimit lim{rlim_t(atoll(argv[4])), rlim_t(atoll(argv[4]))};
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of killing the child
        setrlimit(RLIMIT_FSIZE, &lim);
        QString error;
        for (int n = 0; n < (lim.rlim_cur == RLIM_INFINITY ? 3000 : 1); ++n)
            if (!AccodaRecord(QFile::decodeName(argv[2]), childRecord(atoi(argv[3]), n), &error))
                return error.isEmpty() ? 2 : 1;
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestStorico test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_storico.moc"
