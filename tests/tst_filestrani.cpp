// Files the program does not control, through the main window: settings files in other
// encodings and sizes, and a history file that cannot be written.
#include <QtTest>
#include <QListWidget>

#include "TestSupport.h"
#include "ui/Form1.h"

// A main window in its own folder; updates as polls would make them.
struct Main {
    TempHome home;
    RecordingDesktop desktop;
    Form1 form;
    void update(const char *t, const char *c) { form.AggiornaQuotazione(Quotazione{t, "9551,12", c, "9503,34"}); }
};

class FileStraniTest : public QObject {
    Q_OBJECT
    ScriptedServer server{ScriptedServer::reply(httpAnswer(""))}; // no futures code
private slots:
    void initTestCase() { qputenv("QUOTARO_FUTURES_SERVER", server.address().toLatin1()); }

    // Decoding is tst_impostazioni's; here both files reach it whole: 10 MB each, Windows-1252 with NUL
    // bytes, UTF-8 after a BOM.
    void settingsFiles() {
        Main m;
        m.home.write("DatiIndex.cfg", QByteArray("A,^A\r\n\0,^X\r\n", 12) + QByteArray("I,^I\r\n").repeated(1'700'000)
                                      + "Z\xFCrich \x80,^S");
        m.home.write("fut.txt", "\xEF\xBB\xBF" "C\xC3\xA9Z26," + QByteArray(10'000'000, 'C'));
        QVERIFY(m.form.Form_Load());
        QCOMPARE(m.form.Simbolo, QStringLiteral("C\u00E9Z26"));
        QCOMPARE(m.form.List1->item(m.form.List1->count() - 1)->text(), QStringLiteral("Z\u00FCrich \u20AC"));
        QVERIFY(m.desktop.errors.isEmpty());
    }

    // A record that cannot be written is lost, and only that one: the poll goes on and the change shown is
    // remembered; the next record is written whole after the ones before. Why an append fails: tst_storico.
    void unwritableHistory() {
        Main m;
        QVERIFY(m.form.Form_Load() && (m.form.List1_Click(1), true)); // following Nasdaq
        m.update("15:00", "0,10");
        const QByteArray before = m.home.read("Nasdaq.txt");
        const QString path = m.home.file("Nasdaq.txt");
        QVERIFY(QFile::rename(path, path + ".aside") && QDir().mkdir(path)); // a folder in its place
        m.update("15:01", "0,20");
        QVERIFY(QDir().rmdir(path) && QFile::rename(path + ".aside", path));
        QCOMPARE(m.form.UltimaVariazione, QStringLiteral("+ 0,20 %"));
        m.update("15:02", "0,30");
        QCOMPARE(m.home.read("Nasdaq.txt"), before + ScriviRecord("15:02", "9503,34", "+ 0,30 %", "9551,12",
                                                                  QDate::currentDate().toString("dd/MM/yyyy")));
    }
};

QTEST_MAIN(FileStraniTest)
#include "tst_filestrani.moc"
