// The compact window: the steps along the top edge, the narrow strip with its search
// words and exit label, dragging. Its values and colours: tst_form1.
#include <QWindow>
#include <QtTest>

#include "TestSupport.h"
#include "ui/Controlli.h"
#include "ui/Form2.h"
#include "ui/Layout.h"

// The narrow width as the platform really keeps it: 4655 twips rounded to pixels.
constexpr double W = 4650;

class Form2Test : public QObject {
    Q_OBJECT
    static Form2 *open(Principale &w) { return w.click("TopBar"), Principale::window<Form2>(); }
private slots:
    void stepping_data() {
        QTest::addColumn<QPointF>("start"); QTest::addColumn<QList<QPointF>>("after");
        // 2W lies past the edge of the 800-pixel screen: the strip stops at 490 pixels.
        QTest::newRow("from the origin") << QPointF(0, 0) << QList<QPointF>{{W, 0}, {7350, 0}, {0, 0}, {W, 0}};
        QTest::newRow("dragged down") << QPointF(1500, 3000) << QList<QPointF>{{0, 0}, {W, 0}};
        QTest::newRow("at a stop but lower") << QPointF(W, 45) << QList<QPointF>{{7350, 0}};
        QTest::newRow("top edge between stops") << QPointF(1500, 0) << QList<QPointF>{{1500, 0}};
    }
    void stepping() {
        QFETCH(QPointF, start); QFETCH(QList<QPointF>, after); Principale w; Form2 *f = open(w);
        f->MoveTwips(start.x(), start.y());
        for (const QPointF &expected : after) {
            QTest::mouseClick(f->findChild<QWidget *>("Label2"), Qt::LeftButton);
            QCOMPARE(QPointF(f->LeftTwips(), f->TopTwips()), expected);
        }
    }

    // A strip stays where it fits whole on its screen, else at the last place where it does.
    void fitting_data() {
        QTest::addColumn<QRect>("strip"); QTest::addColumn<QRect>("screen"); QTest::addColumn<int>("left");
        const QRect laptop(0, 0, 910, 512), right(1366, 0, 1366, 768); // 1366x768 at 150 %; a second screen
        QTest::newRow("last place") << QRect(600, 0, 310, 26) << laptop << 600;
        QTest::newRow("a pixel past") << QRect(601, 0, 310, 26) << laptop << 600;
        QTest::newRow("past the second") << QRect(2500, 0, 310, 26) << right << 2422;
        QTest::newRow("wider than the screen") << QRect(0, 0, 1000, 26) << laptop << 0;
    }
    void fitting() {
        QFETCH(QRect, strip); QFETCH(QRect, screen); QFETCH(int, left);
        QCOMPARE(PostoCheEntra(strip, screen), QPoint(left, strip.top()));
    }

    // The words are one query value, and the address one argument.
    void search_data() {
        QTest::addColumn<QString>("words"); QTest::addColumn<QString>("query");
        QTest::newRow("blanks, keypad Enter") << "borsa milano" << "borsa%20milano";
        QTest::newRow("characters") << "a&b=c#1 50%+x;$(id)`" << "a%26b%3Dc%231%2050%25%2Bx%3B%24%28id%29%60";
    }
    void search() {
        QFETCH(QString, words); QFETCH(QString, query); Principale w; Form2 *f = open(w);
        QCOMPARE(f->WidthTwips(), W);
        auto *box = f->findChild<QLineEdit *>("Text5");
        QTest::keyClicks(box, words);
        QTest::keyClick(box, QTest::currentDataTag()[0] == 'b' ? Qt::Key_Enter : Qt::Key_Return);
        const QString address = "http://www.quotaro.example/cgi-bin/ricerca/meta.pl?query=" + query + "&modlist=web";
        QVERIFY(w.desktop.starts.size() == 1 && w.desktop.starts[0].arguments == QStringList{address});
        QCOMPARE(box->text(), QString());
        // " Esci" hides the strip and shows the main window again.
        QTest::mouseClick(f->findChild<QWidget *>("Label1"), Qt::LeftButton);
        QVERIFY(!f->isVisible() && w.form->isVisible());
        // Closing it (Alt+F4, the window manager) does the same, and the instance goes on.
        QVERIFY(open(w)->isVisible() && !w.form->isVisible() && (f->close(), !f->isVisible() && w.form->isVisible()));
    }

    void dragging_data() {
        QTest::addColumn<QList<Qt::MouseButton>>("buttons"); QTest::addColumn<bool>("moves");
        QTest::newRow("left") << QList<Qt::MouseButton>{Qt::LeftButton} << true;
        QTest::newRow("right") << QList<Qt::MouseButton>{Qt::RightButton} << false;
        QTest::newRow("left and right") << QList<Qt::MouseButton>{Qt::LeftButton, Qt::RightButton} << false;
    }
    void dragging() {
        QFETCH(QList<Qt::MouseButton>, buttons); QFETCH(bool, moves); Principale w; Form2 *f = open(w);
        QVERIFY(QTest::qWaitForWindowExposed(f));
        const QPoint start(100, 200), press(1, 1), delta(40, 10);
        f->move(start);
        // Through the window, so the widget under the pointer takes the events.
        for (Qt::MouseButton b : buttons)
            QTest::mousePress(f->windowHandle(), b, {}, press);
        QTest::mouseMove(f->windowHandle(), press + delta);
        const QPoint firstStop = f->pos();
        QTest::mouseMove(f->windowHandle(), start + press + 2 * delta - f->pos()); // window coordinates
        for (Qt::MouseButton b : buttons)
            QTest::mouseRelease(f->windowHandle(), b, {}, press);
        QCOMPARE(firstStop, moves ? start + delta : start);
        QCOMPARE(f->pos(), moves ? start + 2 * delta : start);
    }
};

QTEST_MAIN(Form2Test)
#include "tst_form2.moc"
