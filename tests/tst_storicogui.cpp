// The main window's history file and chart: append rule, file commands, rebuild, tooltip.
#include <QtTest>
#include <QAction>
#include <QChartView>
#include <QCheckBox>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QMenu>
#include <memory>
#include <unistd.h>

#include "TestSupport.h"
#include "ui/Form1.h"

namespace {

QString today() { return QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")); }
QString yesterday() { return QDate::currentDate().addDays(-1).toString(QStringLiteral("dd/MM/yyyy")); }

// A history line with fields shorter than a print zone, without its line end.
QByteArray line(const char *time, const char *close, const char *change, const char *value,
                const QString &date)
{
    QByteArray l;
    for (const char *field : {time, close, change, value})
        l += QByteArray(field).leftJustified(14, ' ');
    return l + date.toLatin1();
}

QByteArray joined(const QList<QByteArray> &lines)
{
    QByteArray all;
    for (const QByteArray &l : lines)
        all += l + "\r\n";
    return all;
}

// The window of a test: its own folder, a recording desktop, the settings loaded.
struct Main {
    TempHome home;
    RecordingDesktop desktop;
    Form1 form;
    bool load(int position = 1)
    {
        if (!form.Form_Load())
            return false;
        form.List1_Click(position);
        return true;
    }
};

// "time|value|change|close" as the parser hands it over.
Quotazione quote(const QString &text)
{
    const QStringList f = text.split(u'|');
    return Quotazione{f.value(0), f.value(1), f.value(2), f.value(3)};
}

} // namespace

class TestStoricoGui : public QObject {
    Q_OBJECT
    std::unique_ptr<ScriptedServer> server_;

private slots:
    void initTestCase()
    {
        // The start-up futures download goes to a loopback server that publishes nothing.
        server_ = std::make_unique<ScriptedServer>(ScriptedServer::reply(httpAnswer("")));
        qputenv("QUOTARO_FUTURES_SERVER", server_->address().toLatin1());
        qputenv("QUOTARO_QUOTE_SERVER", server_->address().toLatin1());
    }

    void appendRule_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("changes"); // change field of each record, in order
        const QString riseA = "16:00|9551,12|0,52|9503,34";
        const QString riseA2 = "16:05|9560,00|0,52|9503,34"; // other time and value, same change
        const QString fallA = "16:10|9400,00|0,52|9503,34";  // same digits, other sign
        const QString riseB = "16:15|9600,00|1,02|9503,34";
        const QString blankA = "16:20||0,52|9503,34";         // no last price: shown as a fall
        QTest::newRow("first update") << QStringList{riseA} << QStringList{"+ 0,52 %"};
        QTest::newRow("same change twice") << QStringList{riseA, riseA2} << QStringList{"+ 0,52 %"};
        QTest::newRow("sign flip is a change") << QStringList{riseA, fallA}
                                               << QStringList{"+ 0,52 %", "- 0,52 %"};
        QTest::newRow("blank value") << QStringList{blankA} << QStringList{};
        QTest::newRow("blank value still moves the last change")
            << QStringList{blankA, fallA} << QStringList{};
        QTest::newRow("saving off") << QStringList{"off", riseA, riseB} << QStringList{};
        QTest::newRow("on again, change unchanged")
            << QStringList{riseA, "off", riseB, "on", riseB, riseA}
            << QStringList{"+ 0,52 %", "+ 0,52 %"};
        QTest::newRow("on again, change differs")
            << QStringList{"off", riseA, "on", riseB} << QStringList{"+ 1,02 %"};
        QTest::newRow("on twice") << QStringList{"on", "on", riseA} << QStringList{"+ 0,52 %"};
    }
    void appendRule()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, changes);
        Main m;
        QVERIFY(m.load());
        QCOMPARE(m.form.salvataggio->title(), QStringLiteral("Salva ON"));
        for (const QString &step : steps) {
            if (step == u"on") {
                m.form.salva->trigger();
                QCOMPARE(m.form.salvataggio->title(), QStringLiteral("Salva ON"));
            } else if (step == u"off") {
                m.form.nonsalva->trigger();
                QCOMPARE(m.form.salvataggio->title(), QStringLiteral("Salva Off"));
            } else {
                m.form.AggiornaQuotazione(quote(step));
                QCOMPARE(m.form.UltimaVariazione, m.form.Text3->text());
            }
        }
        QStringList written;
        for (const QByteArray &l : m.home.read("Nasdaq.txt").split('\n'))
            if (!l.isEmpty())
                written << QString::fromLatin1(l.mid(28, 14)).trimmed();
        QCOMPARE(written, changes);
    }

    void fileNameFollowsIndex_data()
    {
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("file");
        QTest::newRow("plain") << "Nasdaq" << "Nasdaq.txt";
        QTest::newRow("u-grave") << QStringLiteral("Fut\u00f9res") << QStringLiteral("Fut\u00f9res.txt");
        QTest::newRow("slash") << "S&P/500" << "S&P_500.txt";
        QTest::newRow("dots and slash") << "../up" << ".._up.txt";
    }
    void fileNameFollowsIndex()
    {
        QFETCH(QString, index);
        QFETCH(QString, file);
        Main m;
        QVERIFY(m.load());
        m.form.Titolo->setText(index);
        m.home.write(file, "typed by hand\r\n");
        m.form.AggiornaQuotazione(quote("16:00|9551,12|0,52|9503,34"));
        QCOMPARE(m.form.FileStorico(), m.home.file(file));
        const QByteArray record = "16:00         9503,34       + 0,52 %      9551,12       "
                                  + today().toLatin1() + "\r\n";
        QCOMPARE(record.size(), 68);
        QCOMPARE(m.home.read(file), "typed by hand\r\n" + record);
        QCOMPARE(QDir(m.home.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList());
    }

    void indexSwitchMovesEveryCommand()
    {
        Main m;
        QVERIFY(m.load(1));
        m.form.AggiornaQuotazione(quote("16:00|9551,12|0,52|9503,34"));
        const QByteArray nasdaq = m.home.read("Nasdaq.txt");
        QVERIFY(!nasdaq.isEmpty());

        m.form.List1_Click(2);
        QCOMPARE(m.form.Titolo->text(), QStringLiteral("D.Jones"));
        m.form.AggiornaQuotazione(quote("16:01|9400,00|1,25|9503,34"));
        QCOMPARE(m.home.read("Nasdaq.txt"), nasdaq);
        const QByteArray dow = m.home.read("D.Jones.txt");
        QVERIFY(dow.contains("- 1,25 %"));

        // The rebuild reads the new index's file only.
        m.form.Command1_Click();
        QCOMPARE(m.form.NumeroPunti, 1);
        m.form.MSChart1_PointSelected(2);
        QCOMPARE(m.form.TooltipGrafico().toLatin1() + "\r\n", dow);

        m.form.ApriFile_Click();
        QCOMPARE(m.desktop.starts.size(), 1);
        QCOMPARE(m.desktop.starts.last().arguments, QStringList{m.home.file("D.Jones.txt")});

        m.desktop.answerYes = true;
        m.form.CancellaFile_Click();
        QCOMPARE(m.home.read("D.Jones.txt"), QByteArray());
        QCOMPARE(m.home.read("Nasdaq.txt"), nasdaq);
    }

    void openFile_data()
    {
        QTest::addColumn<QByteArray>("editor");
        QTest::addColumn<QString>("subfolder");
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("starts");
        QTest::newRow("default editor") << QByteArray() << QString() << "xdg-open" << true;
        QTest::newRow("editor from the environment")
            << QByteArray("/opt/my editor/ed") << QString() << "/opt/my editor/ed" << true;
        QTest::newRow("blanks in the folder") << QByteArray("ed") << "cartella con spazi" << "ed" << true;
        QTest::newRow("editor fails to start") << QByteArray("ed") << QString() << "ed" << false;
    }
    void openFile()
    {
        QFETCH(QByteArray, editor);
        QFETCH(QString, subfolder);
        QFETCH(QString, program);
        QFETCH(bool, starts);
        const QByteArray oldEditor = qgetenv("QUOTARO_EDITOR");
        auto restore = qScopeGuard([&] {
            if (oldEditor.isEmpty())
                qunsetenv("QUOTARO_EDITOR");
            else
                qputenv("QUOTARO_EDITOR", oldEditor);
        });
        qputenv("QUOTARO_EDITOR", editor);
        Main m;
        QVERIFY(m.load());
        QString folder = m.home.path();
        if (!subfolder.isEmpty()) {
            QVERIFY(QDir(folder).mkdir(subfolder));
            folder += u'/' + subfolder;
            qputenv("QUOTARO_HOME", QFile::encodeName(folder)); // TempHome restores it
        }
        m.desktop.startSucceeds = starts;
        m.form.ApriFile->trigger();
        QCOMPARE(m.desktop.starts.size(), 1);
        QCOMPARE(m.desktop.starts[0].program, program);
        QCOMPARE(m.desktop.starts[0].arguments, QStringList{folder + "/Nasdaq.txt"});
        // A failed start is told, naming the file; the program goes on.
        QCOMPARE(m.desktop.errors.size(), starts ? 0 : 1);
        if (!starts)
            QVERIFY(m.desktop.errors[0].text.contains(folder + "/Nasdaq.txt"));
    }

    void deleteFile_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QByteArray>("after"); // null: the folder in the way stays
        QTest::addColumn<bool>("error");
        const QByteArray kept = "kept\r\n";
        QTest::newRow("no") << false << "file" << kept << false;
        QTest::newRow("yes") << true << "file" << QByteArray("") << false;
        QTest::newRow("yes, file missing") << true << "missing" << QByteArray("") << false;
        QTest::newRow("a folder in the file's place") << true << "folder" << QByteArray() << true;
        QTest::newRow("read-only folder") << true << "read-only" << kept << true;
    }
    void deleteFile()
    {
        QFETCH(bool, yes);
        QFETCH(QString, setup);
        QFETCH(QByteArray, after);
        QFETCH(bool, error);
        if (setup == u"read-only" && ::geteuid() == 0)
            QSKIP("root ignores folder permissions");
        Main m;
        QVERIFY(m.load());
        m.home.write("Nasdaq.txt", joined({line("16:00", "9503,34", "+ 0,52 %", "9551,12", today())}));
        m.form.Command1_Click();
        QCOMPARE(m.form.SerieGrafico()->count(), 2);
        m.home.write("Nasdaq.txt", "kept\r\n");
        if (setup == u"missing" || setup == u"folder")
            QVERIFY(QFile::remove(m.home.file("Nasdaq.txt")));
        if (setup == u"folder")
            QVERIFY(QDir(m.home.path()).mkpath("Nasdaq.txt/inside"));
        if (setup == u"read-only")
            QVERIFY(QFile(m.home.path()).setPermissions(QFile::ReadOwner | QFile::ExeOwner));
        auto restore = qScopeGuard([&] {
            QFile(m.home.path()).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        });
        m.desktop.answerYes = yes;
        m.form.CancellaFile->trigger();
        QCOMPARE(m.desktop.questions.size(), 1);
        QCOMPARE(m.desktop.questions[0].title, QStringLiteral("Eliminazione File"));
        QCOMPARE(m.desktop.questions[0].text,
                 QStringLiteral("Vuoi veramente cancellare il file del grafico ?"));
        QCOMPARE(m.desktop.errors.size(), error ? 1 : 0);
        if (error) {
            QVERIFY(m.desktop.errors[0].text.startsWith(QStringLiteral("Impossibile")));
            QVERIFY(m.desktop.errors[0].text.contains(m.home.file("Nasdaq.txt")));
        }
        if (after.isNull()) {
            QVERIFY(QFileInfo(m.home.file("Nasdaq.txt/inside")).isDir());
        } else {
            QVERIFY(QFileInfo(m.home.file("Nasdaq.txt")).isFile());
            QCOMPARE(m.home.read("Nasdaq.txt"), after);
        }
        // The command leaves the chart alone.
        QCOMPARE(m.form.SerieGrafico()->count(), 2);
    }

    void rebuild_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<QColor>("colour");
        const QColor red(255, 0, 0), green(0, 100, 50);
        const QString d = today(), y = yesterday();
        const QByteArray upA = line("16:00", "9503,34", "+ 0,52 %", "9551,12", d);
        const QByteArray downB = line("16:05", "9503,34", "- 1,25 %", "9384,55", d);
        QTest::newRow("rise then fall") << joined({upA, downB}) << QList<double>{0.52, -1.25} << red;
        QTest::newRow("fall then rise") << joined({downB, upA}) << QList<double>{-1.25, 0.52} << green;
        QTest::newRow("other days skipped")
            << joined({line("9:30", "1,00", "+ 3,00 %", "2,00", y), upA,
                       line("9:31", "1,00", "+ 4,00 %", "2,00", y), downB,
                       line("9:32", "2,00", "- 5,00 %", "1,00", y)})
            << QList<double>{0.52, -1.25} << red;
        QTest::newRow("blank change sets colour only")
            << joined({upA, line("16:10", "9503,34", "", "9384,55", d)})
            << QList<double>{0.52} << red;
        QTest::newRow("value below close by a hair")
            << joined({line("16:00", "9503,34", "- 0,01 %", "9503,10", d)})
            << QList<double>{-0.01} << red;
        QTest::newRow("five digits against four")
            << joined({line("16:00", "9998,10", "+ 0,14 %", "10012,5", d)})
            << QList<double>{0.14} << green;
        QTest::newRow("lone CR ends a line")
            << QByteArray(upA + "\r" + downB) << QList<double>{0.52, -1.25} << red;
        // Nothing of today: the colour of the previous rebuild (red) stays.
        QTest::newRow("no record of today")
            << joined({line("16:00", "1,00", "+ 1,00 %", "2,00", y)}) << QList<double>{} << red;
        QTest::newRow("empty file") << QByteArray() << QList<double>{} << red;
    }
    void rebuild()
    {
        QFETCH(QByteArray, content);
        QFETCH(QList<double>, values);
        QFETCH(QColor, colour);
        Main m;
        QVERIFY(m.load());
        // A red chart of three points first, so that shrinking and keeping show.
        const QByteArray redLine = line("15:00", "2,00", "- 9,00 %", "1,00", today());
        m.home.write("Nasdaq.txt", joined({redLine, redLine, redLine}));
        m.form.Aggiorna->trigger();
        QCOMPARE(m.form.NumeroPunti, 3);
        const QPointF placeholder = m.form.SerieGrafico()->at(0);

        m.home.write("Nasdaq.txt", content);
        m.form.Command1_Click();
        QLineSeries *series = m.form.SerieGrafico();
        QCOMPARE(m.form.NumeroPunti, int(values.size()));
        QCOMPARE(series->count(), m.form.NumeroPunti + 1);
        QCOMPARE(series->at(0), placeholder);
        for (int i = 0; i < values.size(); ++i) {
            QCOMPARE(series->at(i + 1).x(), double(i + 2));
            QCOMPARE(series->at(i + 1).y(), values[i]);
        }
        QCOMPARE(series->pen().color(), colour);
    }

    void tooltip()
    {
        Main m;
        QVERIFY(m.load());
        const QList<QByteArray> lines = {line("16:00", "9503,34", "+ 0,52 %", "9551,12", today()),
                                         line("16:05", "9503,34", "- 1,25 %", "9384,55", today()),
                                         line("16:10", "9503,34", "+ 0,10 %", "9512,00", today())};
        m.home.write("Nasdaq.txt", joined(lines));
        m.form.Command1_Click();
        m.form.MSChart1_PointSelected(3);
        QCOMPARE(m.form.TooltipGrafico(), QString::fromLatin1(lines[1]));
        m.form.MSChart1_PointSelected(1);
        QCOMPARE(m.form.TooltipGrafico(), QString());
        // A click on a point of the drawn series selects it.
        emit m.form.SerieGrafico()->clicked(m.form.SerieGrafico()->at(3));
        QCOMPARE(m.form.TooltipGrafico(), QString::fromLatin1(lines[2]));

        m.form.Command1_Click();
        QCOMPARE(m.form.TooltipGrafico(), QString());

        // Fewer points than before: no point reaches a line of the earlier rebuild.
        const QByteArray only = line("17:00", "9503,34", "+ 0,20 %", "9522,00", today());
        m.home.write("Nasdaq.txt", joined({only}));
        m.form.Command1_Click();
        QCOMPARE(m.form.NumeroPunti, 1);
        m.form.MSChart1_PointSelected(2);
        QCOMPARE(m.form.TooltipGrafico(), QString::fromLatin1(only));
        for (int row : {3, 4, 0, -1, 40000})
            m.form.MSChart1_PointSelected(row);
        QVERIFY(!m.form.TooltipGrafico().contains(u"16:"));
    }

    void missingFile()
    {
        Main m;
        QVERIFY(m.load());
        m.home.write("Nasdaq.txt", joined({line("16:00", "9503,34", "+ 0,52 %", "9551,12", today())}));
        m.form.Command1_Click();
        m.form.MSChart1_PointSelected(2);
        QVERIFY(QFile::remove(m.home.file("Nasdaq.txt")));
        m.form.Command1_Click();
        QCOMPARE(m.form.NumeroPunti, 0);
        QCOMPARE(m.form.SerieGrafico()->count(), 1);
        QCOMPARE(m.form.TooltipGrafico(), QString());
        // Inside an update with saving off: the update still shows its values.
        m.form.nonsalva_Click();
        m.form.AggiornaQuotazione(quote("16:30|9600,00|1,02|9503,34"));
        QCOMPARE(m.form.Text3->text(), QStringLiteral("+ 1,02 %"));
        QCOMPARE(m.form.SerieGrafico()->count(), 1);
        QVERIFY(!m.home.exists("Nasdaq.txt"));
        QVERIFY(m.desktop.errors.isEmpty());
    }

    void autoChart_data()
    {
        QTest::addColumn<bool>("ticked");
        QTest::newRow("ticked") << true;
        QTest::newRow("unticked") << false;
    }
    void autoChart()
    {
        QFETCH(bool, ticked);
        Main m;
        QVERIFY(m.load());
        QVERIFY(m.form.Check1->isChecked()); // ticked at start
        m.form.Check1->setChecked(ticked);
        m.form.AggiornaQuotazione(quote("16:00|9400,00|1,25|9503,34"));
        QCOMPARE(m.form.NumeroPunti, ticked ? 1 : 0);
        QCOMPARE(m.form.SerieGrafico()->count(), ticked ? 2 : 1);
        if (ticked) {
            QCOMPARE(m.form.SerieGrafico()->at(1).y(), -1.25);
            QCOMPARE(m.form.SerieGrafico()->pen().color(), QColor(255, 0, 0));
        }
    }
};

QTEST_MAIN(TestStoricoGui)
#include "tst_storicogui.moc"
