// Readable and usable by everyone: contrast under a dark desktop palette, what a screen
// reader is told, the keyboard, and the chart's numbers.
#include <QAccessible>
#include <QChartView>
#include <QGraphicsTextItem>
#include <QMenuBar>
#include <QtTest>

#include "TestSupport.h"
#include "ui/Form2.h"
#include "ui/Form3.h"
#include "ui/GraficoIndice.h"

namespace {
double lum(QColor c) {
    auto lin = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF()) + 0.05;
}
double contrast(QColor a, QColor b) { return std::max(lum(a), lum(b)) / std::min(lum(a), lum(b)); }
// Every widget's text colour on its background (not the shapes: plain widgets without text); a name
// for every control a user can reach and every menu item shown.
void check(QAccessibleInterface *i, QStringList *faults) {
    const auto *w = qobject_cast<QWidget *>(i->object());
    const double c = w && w->metaObject() != &QWidget::staticMetaObject
        ? contrast(w->palette().color(w->foregroundRole()), w->palette().color(w->backgroundRole())) : 21;
    const bool reached = (i->state().focusable || i->role() == QAccessible::MenuItem) && !i->state().invisible;
    if (c < 4.5 || (reached && i->text(QAccessible::Name).trimmed().isEmpty()))
        *faults << QString("%1 role %2 %3").arg(i->object()->objectName()).arg(i->role()).arg(c, 0, 'f', 2);
    for (int k = 0; k < i->childCount(); ++k)
        check(i->child(k), faults);
}
} // namespace

class AccessibilitaTest : public QObject {
    Q_OBJECT
private slots:
    // A dark desktop: light text on dark backgrounds, which fixed light backgrounds must not take.
    void initTestCase() { QApplication::setPalette(QPalette(QColor(53, 53, 53))); }

    void readableNamedKeyboard_data() {
        QTest::addColumn<QString>("page"); QTest::addColumn<QString>("chart"); // what a screen reader hears of it
        QTest::newRow("before any reading") << "" << "Nessuna lettura di oggi";
        QTest::newRow("rise") << "16:00|987.12|0.45|981.55"
                              << "1 lettura di oggi; l'ultima alle 16:00: + 0,45 %, valore 987,12";
        QTest::newRow("fall") << "16:01|981.55|0.45|987.12"
                              << "1 lettura di oggi; l'ultima alle 16:01: - 0,45 %, valore 981,55";
    }
    void readableNamedKeyboard() {
        QFETCH(QString, page); QFETCH(QString, chart);
        Principale w;
        QVERIFY(page.isEmpty() || w.poll(page));
        // The keyboard. Alt lights the menu bar's first item, not a spacer.
        QVERIFY(QTest::qWaitForWindowActive(w.form.get()));
        QTest::keyClick(w.form.get(), Qt::Key_Alt);
        const QRect lit = w.form->menuBar()->actionGeometry(w.get<QAction>("Titolo"));
        QCOMPARE(w.form->menuBar()->grab().toImage().pixelColor(lit.left() + 2, lit.center().y()), QColor(0x308cc6));
        w.click("TopBar");
        w.form->show();
        w.click("Titolo"); // the index list
        Form3 f(w.desktop);
        f.Proponi("CU26", "CZ26");
        QStringList faults, names;
        for (QWidget *window : QWidgetList{w.form.get(), Principale::window<Form2>(), &f})
            check(QAccessible::queryAccessibleInterface(window), &faults);
        QCOMPARE(faults.join(", "), QString());
        for (QWidget *window : QWidgetList{w.form.get(), Principale::window<Form2>()})
            for (const char *n : {"Text1", "Text4", "Text3", "Text2"})
                names << window->findChild<QWidget *>(n)->accessibleName();
        QCOMPARE(names.join('|') + '|', QString("Ora di New York|Chiusura|Variazione|Valore attuale|").repeated(2));
        // The chart: its description, its light design, its numbers with a decimal comma.
        QChartView *view = w.get<GraficoIndice>("MSChart1");
        QCOMPARE(QAccessible::queryAccessibleInterface(view)->text(QAccessible::Description), chart);
        for (const QGradientStop &stop : view->chart()->backgroundBrush().gradient()->stops())
            QVERIFY(contrast(view->chart()->axes().value(0)->labelsBrush().color(), stop.second) >= 4.5);
        QString labels = " ";
        for (QGraphicsItem *item : view->scene()->items())
            if (auto *text = dynamic_cast<QGraphicsTextItem *>(item))
                labels += text->toPlainText() + ' ';
        QVERIFY2(labels.contains(" 2 ") && labels.contains("0,50 ") && !labels.contains('.'), qPrintable(labels));
        // The futures window: Escape closes it as its close box does, Enter is "Aggiorna".
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Enter}) {
            f.Proponi("CU26", "CZ26");
            QTest::keyClick(f.findChild<QLineEdit *>("Text2"), key);
            QVERIFY(!f.isVisible() && w.home.read("fut.txt") == (key == Qt::Key_Enter ? "CZ26\r\n" : "CU26\r\n"));
        }
        // " Esci" comes after the strip's four boxes and takes Space.
        Form2 *strip = Principale::window<Form2>();
        strip->findChild<QWidget *>("Text4")->setFocus();
        QTest::keyClick(strip->focusWidget(), Qt::Key_Tab);
        QCOMPARE(strip->focusWidget(), strip->findChild<QWidget *>("Label1"));
        QTest::keyClick(strip->focusWidget(), Qt::Key_Space);
        QVERIFY(!strip->isVisible() && w.form->isVisible());
    }
};

QTEST_MAIN(AccessibilitaTest)
#include "tst_accessibilita.moc"
