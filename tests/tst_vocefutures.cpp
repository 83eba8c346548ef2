// The main window's spoken announcements and the futures-code window.
#include <QtTest>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "TestSupport.h"
#include "futures/Form3.h"
#include "ui/Form1.h"

// A main window in a folder of its own, on Nasdaq, with a recording desktop.
struct Main {
    TempHome home;
    RecordingDesktop desktop;
    Form1 form;
    Main() { form.Form_Load(); form.List1_Click(1); }
    QStringList folder() const { return QDir(home.path()).entryList(QDir::AllEntries | QDir::Hidden); }
};

class TestVoceFutures : public QObject {
    Q_OBJECT
    ScriptedServer server{ScriptedServer::reply(httpAnswer(""))}; // no new futures code on offer

private slots:
    void initTestCase() { qputenv("QUOTARO_FUTURES_SERVER", server.address().toLatin1()); }

    void announcement_data()
    {
        QTest::addColumn<bool>("voiceOn");
        QTest::addColumn<bool>("update");
        QTest::addColumn<int>("switchTo");
        QTest::addColumn<QStringList>("spoken");
        const QString on = QStringLiteral("Voce attivata");
        QTest::newRow("switched off") << false << true << -1 << QStringList{on, "Voce disattivata"};
        QTest::newRow("fall") << true << true << -1 << QStringList{on, "ore  16:00, Nasdaq, meno- 0,52 %"};
        QTest::newRow("before first update") << true << false << -1 << QStringList{on, "ore , Nasdaq, "};
        QTest::newRow("index switch") << true << true << 2 << QStringList{on, "ore  16:00, D.Jones, meno- 0,52 %"};
    }
    void announcement()
    {
        QFETCH(bool, voiceOn); QFETCH(bool, update); QFETCH(int, switchTo); QFETCH(QStringList, spoken);
        Main m;
        for (int click = voiceOn ? 1 : 2; click > 0; --click)
            m.form.Check3->click();
        if (update)
            m.form.AggiornaQuotazione({"16:00", "9456,70", "0,52", "9503,34"});
        if (switchTo >= 0)
            m.form.List1_Click(switchTo);
        m.form.TimerVoce->start(5); // the window's own timer, fast
        waitFor([&] { return m.desktop.spoken.size() > 2; }, voiceOn ? 3000 : 200);
        QCOMPARE(m.desktop.spoken.mid(0, 2), spoken);
        QCOMPARE(m.desktop.spoken.size() > 2, voiceOn); // silent ticks once off
    }

    void realSpeechWithoutService()
    {
        // No speech service and none to start: the call must come back, quietly.
        QTemporaryDir nowhere;
        qputenv("SPEECHD_ADDRESS", "unix_socket:" + QFile::encodeName(nowhere.filePath("none")));
        qputenv("SPEECHD_CMD", "/bin/false");
        QElapsedTimer clock;
        clock.start();
        platform::Desktop().speak(QStringLiteral("Voce attivata"));
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    }

    // "Aggiorna" stores the code and reloads the list; closed or unwritable, the code in use stays.
    void aggiorna_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("close");
        QTest::addColumn<bool>("blocked"); // a folder named fut.txt
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("symbol");
        QTest::newRow("published code") << "CZ26" << false << false << QByteArray("CZ26\r\n") << "CZ26";
        QTest::newRow("code without C") << "ESZ6" << false << false << QByteArray("ESZ6\r\n") << "ESZ6";
        QTest::newRow("comma") << "CZ,26" << false << false << QByteArray("CZ,26\r\n") << "CZ";
        QTest::newRow("close box") << "CZ99" << true << false << QByteArray("CU26\r\n") << "^IXIC";
        QTest::newRow("unwritable") << "CZ99" << false << true << QByteArray() << "^IXIC";
    }
    void aggiorna()
    {
        QFETCH(QString, code); QFETCH(bool, close); QFETCH(bool, blocked);
        QFETCH(QByteArray, bytes); QFETCH(QString, symbol);
        Main m;
        if (blocked)
            QVERIFY(QFile::remove(m.home.file("fut.txt")) && QDir(m.home.path()).mkdir("fut.txt"));
        const QStringList folder = m.folder();
        Form3 &f = m.form.FinestraFutures();
        f.Text2->setText(code);
        f.show();
        close ? void(f.close()) : f.Command1->click();
        QCOMPARE(m.home.read("fut.txt"), bytes);
        QCOMPARE(m.folder(), folder); // replaced in place, no temporary left behind
        QCOMPARE(f.isVisible(), blocked); // stays open to try again
        QCOMPARE(m.desktop.errors.size(), blocked ? 1 : 0);
        if (blocked)
            QVERIFY(m.desktop.errors[0].text.startsWith(QStringLiteral("Impossibile scrivere il file \"")
                                                        + m.home.file("fut.txt") + "\""));
        const bool stored = symbol != QStringLiteral("^IXIC");
        QCOMPARE(m.form.List1->count(), 4); // rebuilt, not appended to
        QCOMPARE(m.form.List2->count(), 4);
        QCOMPARE(m.form.List2->item(0)->text(), stored ? symbol : QStringLiteral("CU26"));
        QCOMPARE(m.form.Titolo->text(), stored ? QStringLiteral("Fut\u00f9res") : QStringLiteral("Nasdaq"));
        QCOMPARE(m.form.Simbolo, symbol);
    }
};

QTEST_MAIN(TestVoceFutures)
#include "tst_vocefutures.moc"
