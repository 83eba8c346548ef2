// The main window's spoken announcements and the futures-code window.
#include <QtTest>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <memory>
#include <unistd.h>

#include "TestSupport.h"
#include "futures/Form3.h"
#include "platform/Desktop.h"
#include "ui/Form1.h"

namespace {

const QString Futures = QStringLiteral("Fut\u00f9res");
const QStringList ShippedList = {Futures, "Nasdaq", "D.Jones", "S&P 500"};

// The window of a test: its own folder, a recording desktop, the settings loaded.
struct Main {
    TempHome home;
    RecordingDesktop desktop;
    Form1 form;
    bool load(int position)
    {
        if (!form.Form_Load())
            return false;
        form.List1_Click(position);
        return true;
    }
    QStringList folder() const
    {
        return QDir(home.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                           QDir::Name);
    }
    QStringList list() const
    {
        QStringList names;
        for (int i = 0; i < form.List1->count(); ++i)
            names << form.List1->item(i)->text();
        return names;
    }
};

const Quotazione Fall{"16:00", "9456,70", "0,52", "9503,34"};
const Quotazione Rise{"9:35", "9551,12", "0,52", "9503,34"};

} // namespace

class TestVoceFutures : public QObject {
    Q_OBJECT
    std::unique_ptr<ScriptedServer> server_;

private slots:
    void initTestCase()
    {
        // The futures download (at start and after "Aggiorna") finds nothing to offer.
        server_ = std::make_unique<ScriptedServer>(ScriptedServer::reply(httpAnswer("")));
        qputenv("QUOTARO_FUTURES_SERVER", server_->address().toLatin1());
        qputenv("QUOTARO_QUOTE_SERVER", server_->address().toLatin1());
    }

    void announcement_data()
    {
        QTest::addColumn<bool>("voice");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("update"); // 0 none, 1 fall, 2 rise
        QTest::addColumn<QStringList>("spoken");
        QTest::newRow("voice off") << false << 1 << 1 << QStringList{};
        QTest::newRow("voice off, no update") << false << 1 << 0 << QStringList{};
        QTest::newRow("fall") << true << 1 << 1 << QStringList{"ore  16:00, Nasdaq, meno- 0,52 %"};
        QTest::newRow("rise") << true << 2 << 2 << QStringList{"ore  9:35, D.Jones, + 0,52 %"};
        QTest::newRow("before any update") << true << 1 << 0 << QStringList{"ore , Nasdaq, "};
        QTest::newRow("futures entry") << true << 0 << 0 << QStringList{"ore , " + Futures + ", "};
    }
    void announcement()
    {
        QFETCH(bool, voice);
        QFETCH(int, position);
        QFETCH(int, update);
        QFETCH(QStringList, spoken);
        Main m;
        QVERIFY(m.load(position));
        QVERIFY(!m.form.Check3->isChecked()); // off at start
        m.form.Check3->setChecked(voice);      // no click: no confirmation
        if (update)
            m.form.AggiornaQuotazione(update == 1 ? Fall : Rise);
        m.form.TimerVoce_Timer();
        QCOMPARE(m.desktop.spoken, spoken);
    }

    void timerDrivesAnnouncement()
    {
        Main m;
        QVERIFY(m.load(1));
        QVERIFY(m.form.TimerVoce->isActive());
        QCOMPARE(m.form.TimerVoce->interval(), 60000);
        // A fast tick: nothing is said while the voice is off, yet the timer runs on.
        m.form.TimerVoce->setInterval(5);
        QTest::qWait(60);
        QVERIFY(m.desktop.spoken.isEmpty());
        QVERIFY(m.form.TimerVoce->isActive());
        m.form.Check3->setChecked(true);
        QVERIFY(waitFor([&] { return !m.desktop.spoken.isEmpty(); }, 3000));
        QCOMPARE(m.desktop.spoken.first(), QStringLiteral("ore , Nasdaq, "));
    }

    void indexSwitchChangesName()
    {
        Main m;
        QVERIFY(m.load(1));
        m.form.Check3->setChecked(true);
        m.form.AggiornaQuotazione(Fall);
        m.form.TimerVoce_Timer();
        m.form.List1_Click(2);
        m.form.TimerVoce_Timer(); // before the next update
        QCOMPARE(m.desktop.spoken, (QStringList{"ore  16:00, Nasdaq, meno- 0,52 %",
                                                "ore  16:00, D.Jones, meno- 0,52 %"}));
    }

    void checkBoxConfirms_data()
    {
        QTest::addColumn<bool>("mouse");
        QTest::newRow("mouse") << true;
        QTest::newRow("click()") << false;
    }
    void checkBoxConfirms()
    {
        QFETCH(bool, mouse);
        Main m;
        QVERIFY(m.load(1));
        m.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m.form));
        for (int i = 0; i < 2; ++i) {
            if (mouse)
                QTest::mouseClick(m.form.Check3, Qt::LeftButton, {},
                                  QPoint(6, m.form.Check3->height() / 2));
            else
                m.form.Check3->click();
        }
        QVERIFY(!m.form.Check3->isChecked());
        QCOMPARE(m.desktop.spoken, (QStringList{"Voce attivata", "Voce disattivata"}));
    }

    void realSpeechWithoutService()
    {
        // No speech service and none to start: the call must come back, quietly.
        QTemporaryDir nowhere;
        qputenv("SPEECHD_ADDRESS", "unix_socket:" + QFile::encodeName(nowhere.filePath("none")));
        qputenv("SPEECHD_CMD", "/bin/false");
        auto restore = qScopeGuard([] {
            qunsetenv("SPEECHD_ADDRESS");
            qunsetenv("SPEECHD_CMD");
        });
        QElapsedTimer clock;
        clock.start();
        {
            platform::Desktop real;
            real.speak(QStringLiteral("Voce attivata"));
            QCoreApplication::processEvents();
        }
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    }

    void aggiorna_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("symbol");
        QTest::newRow("published code") << "CZ26" << QByteArray("CZ26\r\n") << "CZ26";
        QTest::newRow("code without C") << "ESZ6" << QByteArray("ESZ6\r\n") << "ESZ6";
        QTest::newRow("comma") << "CZ,26" << QByteArray("CZ,26\r\n") << "CZ";
        QTest::newRow("trailing line break") << "CZ26\n" << QByteArray("CZ26\n\r\n") << "CZ26";
        QTest::newRow("empty") << "" << QByteArray("\r\n") << "";
        QTest::newRow("u-grave") << QStringLiteral("C\u00f926") << QByteArray("C\xc3\xb9" "26\r\n")
                                 << QStringLiteral("C\u00f926");
    }
    void aggiorna()
    {
        QFETCH(QString, code);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, symbol);
        Main m;
        QVERIFY(m.load(1));
        const QStringList folder = m.folder();
        Form3 &f = m.form.FinestraFutures();
        f.Text1->setText(m.form.Simbolo);
        f.Text2->setText(code);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        const qsizetype downloads = server_->requests.size();
        QTest::mouseClick(f.Command1, Qt::LeftButton);

        QVERIFY(m.desktop.errors.isEmpty());
        QCOMPARE(m.home.read("fut.txt"), bytes);
        QCOMPARE(m.folder(), folder); // replaced in place, no temporary left behind
        QVERIFY(f.isHidden());
        QCOMPARE(m.list(), ShippedList);
        QCOMPARE(m.form.List2->count(), ShippedList.size());
        QCOMPARE(m.form.List2->item(0)->text(), symbol);
        QCOMPARE(m.form.Titolo->text(), Futures);
        QCOMPARE(m.form.Simbolo, symbol);
        // The download runs again to compare the published code with the stored one.
        QVERIFY(waitFor([&] { return server_->requests.size() > downloads; }, 5000));
    }

    void closeStoresNothing()
    {
        Main m;
        QVERIFY(m.load(1));
        const QByteArray before = m.home.read("fut.txt");
        Form3 &f = m.form.FinestraFutures();
        f.Text2->setText("CZ99");
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QVERIFY(f.close());
        QVERIFY(f.isHidden());
        QCOMPARE(m.home.read("fut.txt"), before);
        QCOMPARE(m.form.Simbolo, QStringLiteral("^IXIC")); // Nasdaq still selected
        QCOMPARE(m.form.Titolo->text(), QStringLiteral("Nasdaq"));
        QVERIFY(m.desktop.errors.isEmpty());
    }

    void unwritable_data()
    {
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::newRow("a folder named fut.txt") << false;
        QTest::newRow("read-only folder") << true;
    }
    void unwritable()
    {
        QFETCH(bool, readOnlyFolder);
        if (readOnlyFolder && ::geteuid() == 0)
            QSKIP("root ignores folder permissions");
        Main m;
        QVERIFY(m.load(1));
        if (readOnlyFolder) {
            QVERIFY(QFile(m.home.path()).setPermissions(QFile::ReadOwner | QFile::ExeOwner));
        } else {
            QVERIFY(QFile::remove(m.home.file("fut.txt")));
            QVERIFY(QDir(m.home.path()).mkdir("fut.txt"));
        }
        auto restore = qScopeGuard([&] {
            QFile(m.home.path()).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        });
        const QStringList folder = m.folder();
        Form3 &f = m.form.FinestraFutures();
        f.Text2->setText("CZ26");
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.Command1_Click();

        QCOMPARE(m.desktop.errors.size(), 1);
        QVERIFY(m.desktop.errors[0].text.startsWith(QStringLiteral("Impossibile scrivere")));
        QVERIFY(m.desktop.errors[0].text.contains(m.home.file("fut.txt")));
        QVERIFY(f.isVisible());
        QCOMPARE(m.folder(), folder);
        if (readOnlyFolder)
            QCOMPARE(m.home.read("fut.txt"), QByteArray("CU26\r\n"));
        else
            QVERIFY(QFileInfo(m.home.file("fut.txt")).isDir());
        QCOMPARE(m.form.Simbolo, QStringLiteral("^IXIC")); // Nasdaq still selected
        QCOMPARE(m.form.Titolo->text(), QStringLiteral("Nasdaq"));
        QCOMPARE(m.list(), ShippedList);
        // Still running: the next attempt works once the way is clear.
        restore.dismiss();
        QFile(m.home.path()).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir(m.home.path()).rmdir("fut.txt");
        f.Command1_Click();
        QCOMPARE(m.home.read("fut.txt"), QByteArray("CZ26\r\n"));
        QCOMPARE(m.form.Simbolo, QStringLiteral("CZ26"));
        QVERIFY(f.isHidden());
    }

    void windowLook()
    {
        Main m;
        QVERIFY(m.load(1));
        Form3 &f = m.form.FinestraFutures();
        QCOMPARE(f.windowTitle(), QStringLiteral("Aggiornamento codice Futures"));
        QCOMPARE(f.palette().color(QPalette::Window), QColor(255, 128, 128));
        QVERIFY(f.autoFillBackground());
        QCOMPARE(f.size(), QSize(340, 39));
        QCOMPARE(f.Command1->text(), QStringLiteral("Aggiorna"));
        QVERIFY(f.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        const QPoint where = f.pos();
        // Activation keeps it on top, shown, where it was.
        f.Form_Activate();
        QVERIFY(f.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(f.isVisible());
        QCOMPARE(f.pos(), where);
    }
};

QTEST_MAIN(TestVoceFutures)
#include "tst_vocefutures.moc"
