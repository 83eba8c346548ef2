// Files the program does not control, through the main window: odd history files, settings
// files in other encodings and sizes, and history files that cannot be written.
#include <QtTest>
#include <QListWidget>
#include <csignal>
#include <sys/resource.h>

#include "TestSupport.h"
#include "ui/Form1.h"

static QByteArray record(const QString &time, const QString &change, const QString &date = TestoData(QDate::currentDate()))
{ return ScriviRecord(time, "9503,34", change, "9551,12", date).chopped(2); }

// A main window in its own folder, following Nasdaq; updates as polls would make them.
struct Main {
    TempHome home;
    RecordingDesktop desktop;
    Form1 form;
    bool load() { return form.Form_Load() && (form.List1_Click(1), true); }
    void update(const char *time, const char *change) { form.AggiornaQuotazione(Quotazione{time, "9551,12", change, "9503,34"}); }
};

class FileStraniTest : public QObject {
    Q_OBJECT
    ScriptedServer server{ScriptedServer::reply(httpAnswer(""))}; // no futures code
private slots:
    void initTestCase() {
        qputenv("QUOTARO_FUTURES_SERVER", server.address().toLatin1());
        std::signal(SIGXFSZ, SIG_IGN); // a write past the file size limit fails instead of ending the test
    }

    void oddHistory() {
        QByteArray content = "\r\nx\r\n" + record("9:30", "+ 0,10 %") + "\r\r" + QByteArray(10000, '9') + "\r\n"
            + QByteArray(100, '\0') + "\n" + record("9:31", "- 0,20 %") + QByteArray(9000, ' ') + "\r\n"
            + record(QString::fromLatin1("9:\0\0", 4), "+ 0,40 %") + "\r\n" + record("9:30", "+ 1,00 %", "01/01/2000");
        for (int i = 0; i < 256 * 1024; ++i) // binary garbage, ending without a line break
            content += char((i * 7919) >> 3);
        Main m;
        QVERIFY(m.load());
        m.home.write("Nasdaq.txt", content);
        m.form.Aggiorna->trigger();
        QCOMPARE(m.form.NumeroPunti, 3); // today's records
        m.update("16:00", "0,77"); // written whole, after a line end
        QCOMPARE(m.home.read("Nasdaq.txt"), content + "\r\n" + record("16:00", "+ 0,77 %") + "\r\n");
        QVERIFY(m.desktop.errors.isEmpty());
    }

    void settingsFiles_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QByteArray>("fut");
        QTest::addColumn<QString>("last"); // List1's last index name
        QTest::addColumn<QString>("code");
        QTest::newRow("UTF-8") << QByteArray("Citt\xC3\xA0,^BC") << QByteArray("C\xC3\xA9Z26") << "Citt\u00E0" << "C\u00E9Z26";
        QTest::newRow("1252") << QByteArray("Z\xFCrich \x80,^S") << QByteArray("C\xE9Z26") << "Z\u00FCrich \u20AC" << "C\u00E9Z26";
        QTest::newRow("BOM") << QByteArray("\xEF\xBB\xBFNasdaq,^IXIC") << QByteArray("\xEF\xBB\xBF" "CZ26") << "Nasdaq" << "CZ26";
        QTest::newRow("NUL") << QByteArray("A,^A\r\n\0,^X\r\nD.Jones,^DJI", 24) << QByteArray("CZ,\0\0", 5) << "D.Jones" << "CZ";
        QTest::newRow("10 MB settings") << QByteArray("I,^I\r\n").repeated(1'700'000) + "Ultimo,^U" << QByteArray("CZ") << "Ultimo" << "CZ";
        QTest::newRow("10 MB fut.txt") << QByteArray("Nasdaq,^IXIC") << "CZ26," + QByteArray(10'000'000, 'C') << "Nasdaq" << "CZ26";
    }
    void settingsFiles() {
        QFETCH(QByteArray, settings);
        QFETCH(QByteArray, fut);
        QFETCH(QString, last);
        Main m;
        m.home.write("DatiIndex.cfg", settings);
        m.home.write("fut.txt", fut);
        QVERIFY(m.form.Form_Load());
        QTEST(m.form.Simbolo, "code");
        QCOMPARE(m.form.List1->item(m.form.List1->count() - 1)->text(), last);
        QVERIFY(m.desktop.errors.isEmpty());
    }

    void unwritableHistory_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("link to /dev/full") << "/dev/full";
        QTest::newRow("folder in its place") << "folder";
        QTest::newRow("size limit half-way through the record") << "limit";
    }
    void unwritableHistory() {
        QFETCH(QString, how);
        Main m;
        QVERIFY(m.load());
        m.update("15:00", "0,10");
        const QByteArray before = m.home.read("Nasdaq.txt");
        const QString path = m.home.file("Nasdaq.txt"), aside = path + ".aside";
        // The disk takes 30 more bytes, not the whole record.
        const rlimit limit = [] { rlimit l{}; ::getrlimit(RLIMIT_FSIZE, &l); return l; }(), small{rlim_t(before.size() + 30), limit.rlim_max};
        QVERIFY(how == u"limit" ? ::setrlimit(RLIMIT_FSIZE, &small) == 0
                : QFile::rename(path, aside) && (how == u"folder" ? QDir().mkpath(path) : QFile::link(how, path)));
        m.update("15:01", "0,20");
        ::setrlimit(RLIMIT_FSIZE, &limit);
        QVERIFY(how == u"limit" || (QFile::remove(path) || QDir(path).removeRecursively()) && QFile::rename(aside, path));
        QCOMPARE(m.form.UltimaVariazione, QStringLiteral("+ 0,20 %"));
        QCOMPARE(m.home.read("Nasdaq.txt"), before);
        m.update("15:02", "0,30");
        QCOMPARE(m.home.read("Nasdaq.txt"), before + record("15:02", "+ 0,30 %") + "\r\n");
        QVERIFY(m.desktop.errors.isEmpty());
    }
};

QTEST_MAIN(FileStraniTest)
#include "tst_filestrani.moc"
