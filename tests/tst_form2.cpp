// The compact window: the steps along the top edge, narrow at creation and widened for
// the web search box, dragging and the exit label.
#include <QLineEdit>
#include <QWindow>
#include <QtTest>

#include "TestSupport.h"
#include "ui/Controlli.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Layout.h"

// The narrow width as the platform really keeps it: 4655 twips rounded to pixels.
constexpr double W = 4650;

class Form2Test : public QObject {
    Q_OBJECT
private slots:
    void stepping_data()
    {
        QTest::addColumn<QPointF>("start");
        QTest::addColumn<QList<QPointF>>("after");
        QTest::newRow("from the origin") << QPointF(0, 0) << QList<QPointF>{{W, 0}, {2 * W, 0}, {0, 0}, {W, 0}};
        QTest::newRow("dragged down") << QPointF(1500, 3000) << QList<QPointF>{{0, 0}, {W, 0}};
        QTest::newRow("at a stop but lower") << QPointF(W, 45) << QList<QPointF>{{2 * W, 0}};
        QTest::newRow("left edge but lower") << QPointF(0, 600) << QList<QPointF>{{W, 0}};
        QTest::newRow("top edge between stops") << QPointF(1500, 0) << QList<QPointF>{{1500, 0}};
        QTest::newRow("past the third stop") << QPointF(3 * W, 0) << QList<QPointF>{{3 * W, 0}};
    }
    void stepping()
    {
        QFETCH(QPointF, start); QFETCH(QList<QPointF>, after);
        Form1 main;
        Form2 &f = main.FinestraRidotta();
        f.show();
        f.MoveTwips(start.x(), start.y());
        for (const QPointF &expected : after) {
            QTest::mouseClick(f.Label2, Qt::LeftButton);
            QCOMPARE(QPointF(f.LeftTwips(), f.TopTwips()), expected);
        }
    }

    void narrowThenSearch_data()
    {
        QTest::addColumn<QString>("words");
        QTest::addColumn<Qt::Key>("key");
        QTest::newRow("blanks") << "borsa milano" << Qt::Key_Return;
        QTest::newRow("shell characters") << "borsa; rm -rf ~ $(x) \"q\" `id`" << Qt::Key_Return;
        QTest::newRow("address characters, keypad Enter") << "a&b=c #1 50% +x" << Qt::Key_Enter;
    }
    void narrowThenSearch()
    {
        QFETCH(QString, words); QFETCH(Qt::Key, key);
        RecordingDesktop desktop;
        Form1 main;
        Form2 &f = main.FinestraRidotta();
        QCOMPARE(f.WidthTwips(), W);
        QCOMPARE(f.Label3->text(), QStringLiteral(">"));
        QVERIFY(f.Text5->isHidden());
        QVERIFY(f.Shape1->geometry().right() < f.width()); // the end mark moved in with the edge
        f.Label3_Click(); // 4650 is not the wide width either, so this widens
        QCOMPARE(f.WidthTwips(), LarghezzaLarga);
        QVERIFY(!f.Text5->isHidden());
        QTest::keyClicks(f.Text5, words);
        QTest::keyClick(f.Text5, Qt::Key_Escape);
        QCOMPARE(f.Text5->text(), words); // other keys just type
        QVERIFY(desktop.starts.isEmpty());
        QTest::keyClick(f.Text5, key);
        QCOMPARE(desktop.starts.size(), 1);
        QCOMPARE(desktop.starts[0].arguments,
                 QStringList{IndirizzoHomePage + "/cgi-bin/ricerca/meta.pl?query=" + words + "&modlist=web"});
        QCOMPARE(f.Text5->text(), QString());
    }

    void dragging_data()
    {
        QTest::addColumn<QList<Qt::MouseButton>>("buttons");
        QTest::addColumn<bool>("moves");
        QTest::newRow("left") << QList<Qt::MouseButton>{Qt::LeftButton} << true;
        QTest::newRow("right") << QList<Qt::MouseButton>{Qt::RightButton} << false;
        QTest::newRow("left and right") << QList<Qt::MouseButton>{Qt::LeftButton, Qt::RightButton} << false;
    }
    void dragging()
    {
        QFETCH(QList<Qt::MouseButton>, buttons); QFETCH(bool, moves);
        Form1 main;
        Form2 &f = main.FinestraRidotta();
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        const QPoint start(100, 200), press(1, 1), delta(40, 10);
        f.move(start);
        // Through the window, so the widget under the pointer takes the events.
        for (Qt::MouseButton b : buttons)
            QTest::mousePress(f.windowHandle(), b, {}, press);
        QTest::mouseMove(f.windowHandle(), press + delta);
        const QPoint firstStop = f.pos();
        QTest::mouseMove(f.windowHandle(), start + press + 2 * delta - f.pos()); // window coordinates
        for (Qt::MouseButton b : buttons)
            QTest::mouseRelease(f.windowHandle(), b, {}, press);
        QCOMPARE(firstStop, moves ? start + delta : start);
        QCOMPARE(f.pos(), moves ? start + 2 * delta : start);
    }

    void exitShowsMainWindowWithNewValues()
    {
        TempHome home; // the update appends to a history file
        Form1 main;
        main.TopBar_Click();
        Form2 &f = main.FinestraRidotta();
        QTest::mouseClick(f.Label1, Qt::LeftButton);
        QVERIFY(!f.isVisible() && main.isVisible());
        main.AggiornaQuotazione({"16:00", "9551,12", "0,52", "9503,34"}); // while hidden
        main.TopBar_Click();
        QCOMPARE(f.Text2->text(), QStringLiteral(" 9551,12"));
        QCOMPARE(f.Text3->text(), QStringLiteral("+ 0,52 %"));
        QCOMPARE(Sfondo(f.Text3), Sfondo(main.Text3));
    }
};

QTEST_MAIN(Form2Test)
#include "tst_form2.moc"
