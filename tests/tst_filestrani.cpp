// Files the program does not control, through the main window: history files of odd
// shapes charted and appended to, settings files in other encodings and sizes read at
// start-up, and history files or folders that cannot be written.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QtTest>
#include <cmath>
#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TestSupport.h"
#include "ui/Form1.h"

namespace {

QString day(int offset = 0)
{
    return QDate::currentDate().addDays(offset).toString(QStringLiteral("dd/MM/yyyy"));
}

// A record as the writer lays it out, without its line end.
QByteArray record(const QByteArray &time, const QByteArray &change, const QString &date = day())
{
    QByteArray line;
    for (const QByteArray &field : {time, QByteArray("9503,34"), change, QByteArray("9551,12")})
        line += field.leftJustified(14, ' ');
    return line + date.toLatin1();
}

// A main window in its own folder, the settings loaded, following Nasdaq.
struct Main {
    TempHome home;
    RecordingDesktop desktop;
    Form1 form;
    bool load()
    {
        if (!form.Form_Load())
            return false;
        form.List1_Click(1);
        return form.Titolo->text() == u"Nasdaq";
    }
    void update(const char *time, const char *change)
    {
        form.AggiornaQuotazione(Quotazione{time, "9551,12", change, "9503,34"});
    }
    QList<QByteArray> charted() const
    {
        QList<QByteArray> lines;
        for (int k = 1; k <= form.NumeroPunti; ++k)
            lines << form.RigheGrafico[k].toLatin1();
        return lines;
    }
};

} // namespace

class FileStraniTest : public QObject {
    Q_OBJECT
    std::unique_ptr<ScriptedServer> server_;

private slots:
    void initTestCase()
    {
        // Start-up without an argument asks for the futures code: a server that has none.
        server_ = std::make_unique<ScriptedServer>(ScriptedServer::reply(httpAnswer("")));
        qputenv("QUOTARO_FUTURES_SERVER", server_->address().toLatin1());
    }

    // Charted without stopping: exactly today's records; the next update's record
    // is written whole after what was there and becomes the last point.
    void oddHistory_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QList<QByteArray>>("charted");
        const QByteArray a = record("9:30", "+ 0,10 %"), b = record("9:31", "- 0,20 %");
        const QByteArray nulTime = record(QByteArray("9:\0\0", 4), "+ 0,40 %");
        const QByteArray nulDate = record("9:33", "+ 0,50 %").replace(59, 1, QByteArray(1, '\0'));
        const QByteArray padded = a + QByteArray(10000 - a.size(), ' ');
        const QByteArray high = record("9:34", "+ \xE9\xFF,\x80 %");
        QByteArray noise(256 * 1024, Qt::Uninitialized);
        QRandomGenerator random(7);
        for (char &c : noise)
            c = char(random.bounded(256));

        QTest::newRow("empty lines") << "\r\n" + a + "\r\n\r\n\r\n" + b + "\r\n\r\n" << QList{a, b};
        QTest::newRow("one character") << "x\r\n" + a + "\r\n7\r\n" << QList{a};
        QTest::newRow("10,000 characters") << QByteArray(10000, '9') + "\r\n" + padded + "\r\n"
                                           << QList{padded};
        QTest::newRow("record followed by letters") << a + QByteArray(9000, 'x') + "\r\n" + b + "\r\n"
                                                    << QList{b};
        QTest::newRow("NUL bytes") << QByteArray(100, '\0') + "\r\n" + nulTime + "\r\n" + nulDate + "\r\n"
                                   << QList{nulTime};
        QTest::newRow("lone CR, no final line break") << a + "\r\r" + b << QList{a, b};
        QTest::newRow("no final line break after 1 character") << a + "\r\nz" << QList{a};
        QTest::newRow("another day between today's")
            << a + "\r\n" + record("9:30", "+ 1,00 %", day(-1)) + "\r\n" + record("9:30", "+ 2,00 %", "01/01/2000")
                   + "\r\n" + b + "\r\n"
            << QList{a, b};
        QTest::newRow("bytes above 127") << high + "\r\n" << QList{high};
        QTest::newRow("binary garbage") << a + "\r\n" + noise + "\r\n" + b << QList{a, b};
    }
    void oddHistory()
    {
        QFETCH(QByteArray, content);
        QFETCH(QList<QByteArray>, charted);
        Main m;
        QVERIFY(m.load());
        m.home.write("Nasdaq.txt", content);
        m.form.Aggiorna->trigger();
        QCOMPARE(m.charted(), charted);
        for (const QPointF &point : m.form.SerieGrafico()->points())
            QVERIFY(std::isfinite(point.y()));

        m.update("16:00", "0,77");
        QVERIFY(m.home.read("Nasdaq.txt").startsWith(content));
        QCOMPARE(m.charted(), charted + QList{record("16:00", "+ 0,77 %")});
        QVERIFY(m.desktop.errors.isEmpty());
    }

    // Read at start-up, whatever the encoding or size; an accented name keeps its
    // letters, also in its history file's name on disk (UTF-8).
    void settingsFiles_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QByteArray>("fut");
        QTest::addColumn<QStringList>("names"); // List1 from position 1 on, the first few
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("code");
        const QStringList accented{QStringLiteral("Borsa Citt\u00E0"), QStringLiteral("Z\u00FCrich \u20AC")};
        QTest::newRow("UTF-8") << QByteArray("Borsa Citt\xC3\xA0,^BC\r\nZ\xC3\xBCrich \xE2\x82\xAC,^SSMI\r\n")
                               << QByteArray("C\xC3\xA9Z26\r\n") << accented << 3 << QStringLiteral("C\u00E9Z26");
        QTest::newRow("Windows-1252") << QByteArray("Borsa Citt\xE0,^BC\r\nZ\xFCrich \x80,^SSMI\r\n")
                                      << QByteArray("C\xE9Z26\r\n") << accented << 3 << QStringLiteral("C\u00E9Z26");
        QTest::newRow("BOM") << QByteArray("\xEF\xBB\xBFNasdaq,^IXIC\r\n") << QByteArray("\xEF\xBB\xBF" "CZ26")
                             << QStringList{"Nasdaq"} << 2 << "CZ26";
        QTest::newRow("NUL bytes") << "Nasdaq,^IXIC\r\n" + QByteArray(3, '\0') + ",^X\r\nD.Jones,^DJI"
                                   << QByteArray("CZ\0" "26", 5)
                                   << QStringList{"Nasdaq", QString(3, QChar(0)), "D.Jones"} << 4
                                   << QString::fromLatin1("CZ\0" "26", 5);
        QByteArray big;
        int records = 0;
        for (; big.size() < 10'000'000; ++records)
            big += "Indice " + QByteArray::number(records) + ",^I" + QByteArray::number(records) + "\r\n";
        QTest::newRow("10 MB settings") << big << QByteArray("CZ26") << QStringList{"Indice 0", "Indice 1"}
                                        << records + 1 << "CZ26";
        QTest::newRow("10 MB fut.txt") << QByteArray("Nasdaq,^IXIC") << "CZ26," + QByteArray(10'000'000, 'C')
                                       << QStringList{"Nasdaq"} << 2 << "CZ26";
    }
    void settingsFiles()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QByteArray, fut);
        QFETCH(QStringList, names);
        QFETCH(int, count);
        QFETCH(QString, code);
        Main m;
        m.home.write("DatiIndex.cfg", settings);
        m.home.write("fut.txt", fut);
        QVERIFY(m.form.Form_Load());
        QCOMPARE(m.form.List1->count(), count);
        QCOMPARE(m.form.List2->count(), count);
        QCOMPARE(m.form.Simbolo, code);
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(m.form.List1->item(i + 1)->text(), names[i]);

        m.form.List1_Click(1);
        m.update("16:00", "0,52");
        const QByteArray onDisk = QFile::encodeName(m.home.file(names[0] + ".txt"));
        QVERIFY2(::access(onDisk.constData(), F_OK) == 0, onDisk.constData());
        QVERIFY(m.desktop.errors.isEmpty());
    }

    // The record of that update is lost, nothing is said, the update and the chart go
    // on, and records go in again once the file can be written.
    void unwritableHistory_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("full device") << "/dev/full";
        QTest::newRow("a folder in its place") << "folder";
        QTest::newRow("a pipe in its place") << "pipe";
        QTest::newRow("disk full half-way through the record") << "limit";
        QTest::newRow("read-only file") << "read-only";
    }
    void unwritableHistory()
    {
        QFETCH(QString, how);
        if (how == u"read-only" && ::geteuid() == 0)
            QSKIP("root ignores file permissions");
        Main m;
        QVERIFY(m.load());
        m.update("15:00", "0,10");
        const QByteArray before = m.home.read("Nasdaq.txt");
        QCOMPARE(before, record("15:00", "+ 0,10 %") + "\r\n");

        const QString path = m.home.file("Nasdaq.txt"), aside = path + ".aside";
        const rlimit limit = [] { rlimit l{}; ::getrlimit(RLIMIT_FSIZE, &l); return l; }();
        auto writable = [&] {
            ::setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, SIG_DFL);
            if (QFile::exists(aside)) {
                QFile::remove(path);
                QDir(path).removeRecursively();
                QFile::rename(aside, path);
            }
            QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        };
        auto guard = qScopeGuard(writable);
        if (how == u"limit") { // the disk takes 30 more bytes, not the whole record
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit small{rlim_t(before.size() + 30), limit.rlim_max};
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        } else if (how == u"read-only") {
            QVERIFY(QFile(path).setPermissions(QFile::ReadOwner));
        } else {
            QVERIFY(QFile::rename(path, aside));
            const QByteArray name = QFile::encodeName(path);
            QVERIFY(how == u"folder"  ? QDir().mkpath(path + "/inside")
                    : how == u"pipe" ? ::mkfifo(name.constData(), 0600) == 0
                                     : QFile::link(how, path));
        }

        m.update("15:01", "0,20");
        writable();
        QCOMPARE(m.form.UltimaVariazione, QStringLiteral("+ 0,20 %"));
        QCOMPARE(m.home.read("Nasdaq.txt"), before);
        m.update("15:02", "0,30");
        QCOMPARE(m.home.read("Nasdaq.txt"), before + record("15:02", "+ 0,30 %") + "\r\n");
        QCOMPARE(m.charted(), (QList{record("15:00", "+ 0,10 %"), record("15:02", "+ 0,30 %")}));
        QVERIFY(m.desktop.errors.isEmpty());
    }

    // No history file can be created: start-up still reads the settings, updates and
    // charts go on, and nothing is said.
    void uncreatableHistoryFiles_data()
    {
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::newRow("history names lead into a missing folder") << false;
        QTest::newRow("read-only folder") << true;
    }
    void uncreatableHistoryFiles()
    {
        QFETCH(bool, readOnlyFolder);
        if (readOnlyFolder && ::geteuid() == 0)
            QSKIP("root ignores folder permissions");
        Main m;
        if (readOnlyFolder)
            QVERIFY(QFile(m.home.path()).setPermissions(QFile::ReadOwner | QFile::ExeOwner));
        for (const char *name : {"Futures.txt", "Nasdaq.txt", "D.Jones.txt"})
            QVERIFY(readOnlyFolder || QFile::link(m.home.file(QStringLiteral("missing/") + name), m.home.file(name)));
        auto restore = qScopeGuard([&] {
            QFile(m.home.path()).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        });
        QVERIFY(m.load());
        QCOMPARE(m.form.List1->count(), 4);
        m.update("16:00", "0,52");
        QCOMPARE(m.form.Text3->text(), QStringLiteral("+ 0,52 %"));
        QCOMPARE(m.form.NumeroPunti, 0);
        QVERIFY(!QFileInfo(m.home.file("Nasdaq.txt")).isFile());
        QVERIFY(m.desktop.errors.isEmpty());
    }
};

QTEST_MAIN(FileStraniTest)
#include "tst_filestrani.moc"
