// The compact window: its narrow form at creation, the steps along the top edge,
// the web search box, dragging, the exit label and the always-on-top band.
#include <QCheckBox>
#include <QLineEdit>
#include <QWindow>
#include <QtTest>

#include "TestSupport.h"
#include "platform/Finestre.h"
#include "ui/Controlli.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Layout.h"

namespace {

// The narrow width as the platform really keeps it: 4655 twips rounded to pixels.
constexpr double W = 4650;

// Sets an environment variable for the life of a scope (empty value: unset).
class ScopedEnv {
public:
    ScopedEnv(const char *name, const QByteArray &value) : name_(name), old_(qgetenv(name))
    {
        value.isEmpty() ? qunsetenv(name) : qputenv(name, value);
    }
    ~ScopedEnv() { old_.isEmpty() ? qunsetenv(name_) : qputenv(name_, old_); }
private:
    const char *name_;
    QByteArray old_;
};

} // namespace

class Form2Test : public QObject {
    Q_OBJECT
private slots:
    void newWindowIsNarrow();
    void widenAndNarrowAgain();
    void stepping_data();
    void stepping();
    void searchWithEnter_data();
    void searchWithEnter();
    void otherKeysOnlyType();
    void searchIcon();
    void dragging_data();
    void dragging();
    void exitShowsMainWindowAndKeepsUpdates();
    void exitKeepsMainWindowTopmostSetting_data();
    void exitKeepsMainWindowTopmostSetting();
    void framelessAndOnTop();
};

void Form2Test::newWindowIsNarrow()
{
    Form1 main;
    Form2 &f = main.FinestraRidotta();
    QVERIFY(!f.isVisible());
    QVERIFY(qAbs(f.WidthTwips() - 4655) <= platform::TwipsPerPixel);
    QCOMPARE(f.WidthTwips(), W);
    QCOMPARE(f.TopTwips(), 0.0);
    QCOMPARE(f.LeftTwips(), 0.0);
    QCOMPARE(f.Label3->text(), QStringLiteral(">"));
    QVERIFY(f.Label3->isHidden());
    QVERIFY(f.Text5->isHidden());
    QCOMPARE(SinistraTwips(f.Label1), 4130.0);
    QCOMPARE(SinistraTwips(f.Shape1), 4535.0);
    QCOMPARE(SinistraTwips(f.Label3), 3920.0);
    // The icon and the index label never move; the icon lies past the narrow edge.
    QCOMPARE(SinistraTwips(f.Image1), 5490.0);
    QCOMPARE(SinistraTwips(f.Label2), 45.0);
    QVERIFY(f.Image1->x() >= f.width());
    // The red end mark still ends inside the strip.
    QVERIFY(f.Shape1->geometry().right() < f.width());
    QVERIFY(f.Label1->geometry().right() < f.Shape1->x());
}

void Form2Test::widenAndNarrowAgain()
{
    Form1 main;
    Form2 &f = main.FinestraRidotta();
    // 4650 is not the wide width, so the same click widens; 6550 rounds back to 6555.
    f.Label3_Click();
    QCOMPARE(f.WidthTwips(), LarghezzaLarga);
    QCOMPARE(f.Label3->text(), QStringLiteral("<"));
    QVERIFY(!f.Text5->isHidden());
    QCOMPARE(SinistraTwips(f.Label1), 6030.0);
    QCOMPARE(SinistraTwips(f.Shape1), 6435.0);
    QVERIFY(f.Image1->geometry().right() < f.width());
    f.Label3_Click();
    QCOMPARE(f.WidthTwips(), W);
    QCOMPARE(f.Label3->text(), QStringLiteral(">"));
    QVERIFY(f.Text5->isHidden());
    QCOMPARE(SinistraTwips(f.Label1), 4130.0);
    QCOMPARE(SinistraTwips(f.Shape1), 4535.0);
}

void Form2Test::stepping_data()
{
    QTest::addColumn<QPointF>("start");
    QTest::addColumn<QList<QPointF>>("after");
    QTest::newRow("from the origin, four clicks")
        << QPointF(0, 0) << QList<QPointF>{{W, 0}, {2 * W, 0}, {0, 0}, {W, 0}};
    QTest::newRow("dragged down") << QPointF(1500, 3000) << QList<QPointF>{{0, 0}, {W, 0}};
    QTest::newRow("dragged above the top edge") << QPointF(3000, -150) << QList<QPointF>{{0, 0}};
    QTest::newRow("at a stop but lower") << QPointF(W, 600) << QList<QPointF>{{2 * W, 0}};
    QTest::newRow("left edge but lower") << QPointF(0, 600) << QList<QPointF>{{W, 0}};
    QTest::newRow("third stop but lower") << QPointF(2 * W, 45) << QList<QPointF>{{0, 0}};
    QTest::newRow("top edge between stops")
        << QPointF(1500, 0) << QList<QPointF>{{1500, 0}, {1500, 0}};
    QTest::newRow("top edge past the third stop") << QPointF(3 * W, 0) << QList<QPointF>{{3 * W, 0}};
}

void Form2Test::stepping()
{
    QFETCH(QPointF, start);
    QFETCH(QList<QPointF>, after);
    Form1 main;
    Form2 &f = main.FinestraRidotta();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    f.MoveTwips(start.x(), start.y());
    QCOMPARE(QPointF(f.LeftTwips(), f.TopTwips()), start);
    for (const QPointF &expected : after) {
        QTest::mouseClick(f.Label2, Qt::LeftButton);
        QCOMPARE(QPointF(f.LeftTwips(), f.TopTwips()), expected);
        QCOMPARE(f.WidthTwips(), W);
    }
}

void Form2Test::searchWithEnter_data()
{
    QTest::addColumn<QString>("words");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<QByteArray>("browser");
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("startWorks");
    const QByteArray browser = "/opt/test/browser";
    QTest::newRow("two words") << QStringLiteral("borsa milano") << Qt::Key_Return << browser
                               << QString::fromLatin1(browser) << true;
    QTest::newRow("shell characters stay as typed")
        << QStringLiteral("borsa milano; rm -rf ~ $(x) \"q\"") << Qt::Key_Return << browser
        << QString::fromLatin1(browser) << true;
    QTest::newRow("address characters are not encoded")
        << QStringLiteral("a&b=c #1 50% +x") << Qt::Key_Enter << QByteArray("my-browser")
        << QStringLiteral("my-browser") << true;
    QTest::newRow("empty box, no browser set")
        << QString() << Qt::Key_Return << QByteArray() << QStringLiteral("xdg-open") << true;
    // Nothing is reported, and the box is emptied all the same.
    QTest::newRow("browser fails to start")
        << QStringLiteral("borsa") << Qt::Key_Return << browser << QString::fromLatin1(browser) << false;
}

void Form2Test::searchWithEnter()
{
    QFETCH(QString, words);
    QFETCH(Qt::Key, key);
    QFETCH(QByteArray, browser);
    QFETCH(QString, program);
    QFETCH(bool, startWorks);
    ScopedEnv env("QUOTARO_BROWSER", browser);
    RecordingDesktop desktop;
    desktop.startSucceeds = startWorks;
    Form1 main;
    Form2 &f = main.FinestraRidotta();
    f.Label3_Click(); // wide form: the search box is in view
    QTest::keyClicks(f.Text5, words);
    QCOMPARE(f.Text5->text(), words);
    QVERIFY(desktop.starts.isEmpty());
    QTest::keyClick(f.Text5, key);
    QCOMPARE(desktop.starts.size(), 1);
    QCOMPARE(desktop.starts[0].program, program);
    QCOMPARE(desktop.starts[0].arguments,
             QStringList{IndirizzoHomePage + QStringLiteral("/cgi-bin/ricerca/meta.pl?query=") + words
                         + QStringLiteral("&modlist=web")});
    QCOMPARE(f.Text5->text(), QString());
    QVERIFY(desktop.errors.isEmpty());
    QVERIFY(desktop.questions.isEmpty());
}

void Form2Test::otherKeysOnlyType()
{
    RecordingDesktop desktop;
    Form1 main;
    Form2 &f = main.FinestraRidotta();
    f.Label3_Click();
    QTest::keyClicks(f.Text5, QStringLiteral("ftse mib"));
    for (Qt::Key k : {Qt::Key_Tab, Qt::Key_Escape, Qt::Key_Space, Qt::Key_Left, Qt::Key_Backspace})
        QTest::keyClick(f.Text5, k);
    QVERIFY(desktop.starts.isEmpty());
    // The blank went to the end, the cursor stepped back over it, the letter before went.
    QCOMPARE(f.Text5->text(), QStringLiteral("ftse mi "));
}

void Form2Test::searchIcon()
{
    ScopedEnv env("QUOTARO_BROWSER", "/opt/test/browser");
    RecordingDesktop desktop;
    Form1 main;
    Form2 &f = main.FinestraRidotta();
    const QString expected = IndirizzoHomePage
                             + QStringLiteral("/cgi-bin/ricerca/meta.pl?query=borsa milano&modlist=web");
    // Narrow form: the icon is out of reach of the pointer, the handler works alike.
    f.Text5->setText(QStringLiteral("borsa milano"));
    f.Image1_Click();
    // Wide form: a real click on the icon; the box keeps its words.
    f.Label3_Click();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QTest::mouseClick(f.Image1, Qt::LeftButton);
    QTest::mouseClick(f.Image1, Qt::RightButton); // not a click
    QCOMPARE(desktop.starts.size(), 2);
    for (const RecordingDesktop::Start &s : desktop.starts) {
        QCOMPARE(s.program, QStringLiteral("/opt/test/browser"));
        QCOMPARE(s.arguments, QStringList{expected});
    }
    QCOMPARE(f.Text5->text(), QStringLiteral("borsa milano"));
}

void Form2Test::dragging_data()
{
    QTest::addColumn<QList<Qt::MouseButton>>("buttons");
    QTest::addColumn<bool>("onTextBox");
    QTest::addColumn<bool>("moves");
    using B = QList<Qt::MouseButton>;
    QTest::newRow("left button on the background") << B{Qt::LeftButton} << false << true;
    QTest::newRow("right button") << B{Qt::RightButton} << false << false;
    QTest::newRow("left and right") << B{Qt::LeftButton, Qt::RightButton} << false << false;
    QTest::newRow("right then left") << B{Qt::RightButton, Qt::LeftButton} << false << false;
    QTest::newRow("middle button") << B{Qt::MiddleButton} << false << false;
    QTest::newRow("left button on a value box") << B{Qt::LeftButton} << true << false;
}

void Form2Test::dragging()
{
    QFETCH(QList<Qt::MouseButton>, buttons);
    QFETCH(bool, onTextBox);
    QFETCH(bool, moves);
    Form1 main;
    Form2 &f = main.FinestraRidotta();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    const QPoint start(100, 200);
    f.move(start);
    QWindow *window = f.windowHandle();
    QVERIFY(window);
    QTRY_COMPARE_WITH_TIMEOUT(window->position(), start, 2000);

    // Events go through the window, so the widget under the pointer takes them.
    const QPoint press = onTextBox ? f.Text1->geometry().center() : QPoint(1, 1);
    QVERIFY(onTextBox == (f.childAt(press) == f.Text1));
    QVERIFY(onTextBox || f.childAt(press) == nullptr);
    for (Qt::MouseButton b : buttons)
        QTest::mousePress(window, b, {}, press);
    const QPoint delta(40, 10);
    QTest::mouseMove(window, press + delta);
    const QPoint firstStop = f.pos();
    // The pointer goes on to a screen point; events carry it in window coordinates.
    const QPoint screenTarget = start + press + delta + QPoint(7, 3);
    QTest::mouseMove(window, screenTarget - f.pos());
    const QPoint secondStop = f.pos();
    for (Qt::MouseButton b : buttons)
        QTest::mouseRelease(window, b, {}, press);

    if (moves) {
        QCOMPARE(firstStop, start + delta);
        QCOMPARE(secondStop, start + delta + QPoint(7, 3));
    } else {
        QCOMPARE(firstStop, start);
        QCOMPARE(secondStop, start);
    }
}

void Form2Test::exitShowsMainWindowAndKeepsUpdates()
{
    TempHome home; // the update appends to a history file
    RecordingDesktop desktop;
    Form1 main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    main.TopBar_Click();
    Form2 &f = main.FinestraRidotta();
    QVERIFY(f.isVisible());
    QVERIFY(!main.isVisible());
    f.MoveTwips(W, 0);

    QTest::mouseClick(f.Label1, Qt::LeftButton);
    QVERIFY(!f.isVisible());
    QVERIFY(main.isVisible());

    // A quote arrives while the strip is hidden.
    main.AggiornaQuotazione(Quotazione{QStringLiteral("16:00"), QStringLiteral("9551,12"),
                                       QStringLiteral("0,52"), QStringLiteral("9503,34")});
    main.TopBar_Click();
    QVERIFY(f.isVisible());
    QCOMPARE(f.Text1->text(), QStringLiteral(" 16:00"));
    QCOMPARE(f.Text2->text(), QStringLiteral(" 9551,12"));
    QCOMPARE(f.Text3->text(), QStringLiteral("+ 0,52 %"));
    QCOMPARE(f.Text4->text(), QStringLiteral(" 9503,34"));
    QCOMPARE(Sfondo(f.Text3), Sfondo(main.Text3));
    // Position and width survive the hide.
    QCOMPARE(f.LeftTwips(), W);
    QCOMPARE(f.TopTwips(), 0.0);
    QCOMPARE(f.WidthTwips(), W);
    QCOMPARE(&main.FinestraRidotta(), &f);
}

void Form2Test::exitKeepsMainWindowTopmostSetting_data()
{
    QTest::addColumn<bool>("onTop");
    QTest::newRow("main window on top") << true;
    QTest::newRow("main window normal") << false;
}

void Form2Test::exitKeepsMainWindowTopmostSetting()
{
    QFETCH(bool, onTop);
    Form1 main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    main.Check2->setChecked(onTop);
    main.Check2_Click();
    main.TopBar_Click();
    QTest::mouseClick(main.FinestraRidotta().Label1, Qt::LeftButton);
    QVERIFY(main.isVisible());
    QCOMPARE(main.windowFlags().testFlag(Qt::WindowStaysOnTopHint), onTop);
}

void Form2Test::framelessAndOnTop()
{
    Form1 main;
    Form2 &f = main.FinestraRidotta();
    QVERIFY(f.isWindow());
    QVERIFY(f.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(f.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    f.MoveTwips(W, 0);
    // Even if something took it out of the band, the next activation puts it back,
    // where it was and as wide as it was.
    platform::setStaysOnTop(&f, false);
    QVERIFY(!f.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&f, &activate);
    QVERIFY(f.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(f.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(f.isVisible());
    QCOMPARE(f.LeftTwips(), W);
    QCOMPARE(f.TopTwips(), 0.0);
    QCOMPARE(f.WidthTwips(), W);
}

QTEST_MAIN(Form2Test)
#include "tst_form2.moc"
