// The quote request, the answer rule, the quote page parser and the rise/fall and bar rules.
#include <QtTest>

#include "quote/MessaggiHttp.h"
#include "quote/PaginaQuotazione.h"
#include "quote/Quotazione.h"

namespace {
const QString TimeM = QStringLiteral("ET</abbr><br /></span>"), PriceM = QStringLiteral("Last price:");
const QString ChangeM = QStringLiteral("Shows primary price"), CloseM = QStringLiteral("Previous Close:");
// Digits and points at the top: a window read from the wrong place would not come out empty.
const QString Head = QStringLiteral("<!-- 2026.12.06 1234567890 1234567890 1234567890 1234567890 -->\n");

// A window of `width` characters `dist` before (negative) or after the marker's first character,
// with `edge` just outside it on both sides. A null value leaves the marker out.
QString block(const QString &m, int dist, int width, const QString &v, QChar edge)
{
    const QString w = edge + v.leftJustified(width, u' ', true) + edge;
    return v.isNull() ? QString() : dist < 0 ? w + QString(-dist - width - 1, u' ') + m + u'\n'
                                             : m + QString(dist - m.size() - 1, u' ') + w + u'\n';
}
QString page(const QString &t, const QString &v, const QString &c, const QString &k, QChar e = u' ')
{
    return Head + block(TimeM, -36, 8, t, e) + block(PriceM, 18, 8, v, e) + block(ChangeM, -46, 9, c, e)
        + block(CloseM, 40, 18, k, e) + "</html>\n";
}
const QString Std = page("4:00pm", "987.12", "+0.45%", "981.55");
const QStringList StdQ{"16:00", "987,12", "0,45", "981,55"};
} // namespace

class TestQuotazione : public QObject {
    Q_OBJECT
private slots:
    // One rule per row: 'q' the request for a symbol (out: what follows "symbols="), 'a' the body of an
    // answer (null: not used), 'f' rise or fall of "close|last" texts (null: neither is shown).
    void rules_data() {
        QTest::addColumn<char>("rule"); QTest::addColumn<QByteArray>("in"); QTest::addColumn<QByteArray>("out");
        const char *requests[][2] = {{"^IXIC", "^IXIC"}, {" ^DJI \t", "^DJI"}, {"CZ 26", "CZ%2026"}, {"%#", "%25%23"},
            {"C.Z=F-a&b?c^_~!$'()*+,/:;<>@[]`{|}", "C.Z=F-a&b?c^_~!$'()*+,/:;<>@[]`{|}"},
            {"a\r\nb\x1f\x7f", "a%0D%0Ab%1F%7F"}, {"\xe2\x82\xac\xc3\xa9", "%E2%82%AC%C3%A9"}};
        for (const auto &r : requests)
            QTest::addRow("q %s", r[1]) << 'q' << QByteArray(r[0]) << QByteArray(r[1]);
        const QByteArray no, ok = "HTTP/1.1 200 OK\r\n", len = ok + "Content-Length: 4\r\n\r\n", body = "body";
        const QByteArray te = ok + "Transfer-Encoding: chunked\r\n\r\n", cl = ok + "Content-Length: ";
        const QByteArray answers[][2] = {{len + body, body}, {len + "body\r\n\r\nmore", body}, {len + "bod", no},
            {ok + "content-LENGTH:  2 \r\n\r\nbody", "bo"}, {cl + "+4\r\n\r\nbody", no},
            {cl + "4\r\nContent-Length: 3\r\n\r\nbody", no}, {"HTTP/1.1 204\r\n\r\n", ""},
            {"HTTP/1.0 299 X\r\nA: b\r\n\r\nbo\r\n\r\ndy", "bo\r\n\r\ndy"},
            {"HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\nbody", no},
            {"HTTP/1.1 199 X\r\n\r\nbody", no}, {"HTTP/1.1 300 X\r\n\r\nbody", no}, {"HTTP/1.1 2000 X\r\n\r\nbody", no},
            {"Content-Length: 4\r\n\r\nbody", no}, {"HTTP/1.1 200 OK\r\nbody", no},
            {te + "4\r\nbody\r\nA\r\n0123456789\r\n0\r\n\r\nmore", "body0123456789"},
            {te + "4 ;a=\"b\"\r\nbody\r\n0;x\r\nT: 1\r\n\r\n", body},
            {cl + "1\r\nTransfer-Encoding: Chunked\r\n\r\n2\r\nbo\r\n0\r\n\r\n", "bo"}, {te + "4\r\nbody\r\n", no},
            {te + "4\r\nbody\r\n0\r\n", no}, {te + "5\r\nbody\r\n0\r\n\r\n", no}, {te + "3\r\nbody\r\n0\r\n\r\n", no},
            {te + "0x4\r\nbody\r\n0\r\n\r\n", no}, {te + "10000000000000004\r\nbody\r\n0\r\n\r\n", no},
            {ok + "Transfer-Encoding: gzip, chunked\r\n\r\n4\r\nbody\r\n0\r\n\r\n", no}};
        for (const auto &r : answers)
            QTest::addRow("a %s", r[0].toPercentEncoding(" :;,/\"").constData()) << 'a' << r[0] << r[1];
        // As text "9990,1" > "10005,3"; as numbers it is a rise. Empty or blank counts as 0.
        const char *falls[][2] = {{" 981,55| 987,12", "rise"}, {" 987,12| 981,55", "fall"}, {" 987,12| 987,12", "rise"},
            {" 9990,1| 10005,3", "rise"}, {" 10005,3| 9990,1", "fall"}, {" 981,5| 981,45", "fall"},
            {" | 987,12", "rise"}, {" 981,55|", "fall"}, {"|", "rise"}, {" 1,2,3| 987,12", nullptr},
            {" 981,55| ,", nullptr}, {" 981,55| 987.12", nullptr}, {" inf| 1", nullptr}, {" 981,55| 9a", nullptr}};
        for (const auto &r : falls)
            QTest::addRow("f %s", r[0]) << 'f' << QByteArray(r[0]) << QByteArray(r[1]);
    }
    void rules() {
        QFETCH(char, rule); QFETCH(QByteArray, in); QFETCH(QByteArray, out);
        const std::optional<bool> fall = InRibasso(QString(in).section(u'|', 0, 0), QString(in).section(u'|', 1));
        if (rule == 'q')
            QCOMPARE(TestoRichiesta(PercorsoQuotazione(QString(in)), "h"), "GET /qc/stocks/quotes.aspx?symbols="
                     + out + " HTTP/1.1\r\nHost: h\r\nConnection: close\r\nAccept: */*\r\n\r\n");
        else if (rule == 'a')
            QCOMPARE(CorpoRisposta(in).value_or("(not used)"), out.isNull() ? QByteArray("(not used)") : out);
        else
            QCOMPARE(fall ? QByteArray(*fall ? "fall" : "rise") : QByteArray(), out);
    }

    void parse_data() {
        QTest::addColumn<QString>("page"); QTest::addColumn<QStringList>("quote"); // time, price, change, close
        const QString n, sp28(28, u' '), sp37(37, u' '), closeAt40 = CloseM + QString(25, u' ');
        const QString t = ">10:35pm", v = "16234.56", c = "-10.12345", k = "<td>   16,180.2575"; // full windows
        const QStringList full{"22:35", "16234,56", "10,12345", "16180,2575"};
        QTest::newRow("9 at the edges") << page(t, v, c, k, u'9') << full; // one off or too wide picks up a 9
        QTest::newRow("ScriviPagina") << QString::fromLatin1(ScriviPagina(t, v, c, k)) << full;
        // Exact starts: 36 before the time marker, 46 before the change marker; windows cut by the page's ends.
        const QString rows[][6] = {{"typical", Std, "16:00", "987,12", "0,45", "981,55"},
            {"markers twice", Std + page("1:11am", "111.11", "2.22", "333.33"), "16:00", "987,12", "0,45", "981,55"},
            {"no price marker", page("4:00pm", n, "+0.45%", "981.55"), "16:00", "", "0,45", "981,55"},
            {"case", QString(Std).replace(PriceM, "Last Price:"), "16:00", "", "0,45", "981,55"},
            {"empty", "", "", "", "0,0", ""}, {"no markers", Head + "<p>1:11pm 2.22 3.33</p>", "", "", "0,0", ""},
            {"time at 37", "4:00pm  " + sp28 + TimeM, "16:00", "", "0,0", ""},
            {"time at 36", ":00pm  " + sp28 + TimeM, "", "", "0,0", ""},
            {"change at 47", "0.45     " + sp37 + ChangeM, "", "", "0,45", ""},
            {"change at 46", ".45     " + sp37 + ChangeM, "", "", "0,0", ""},
            {"price cut", PriceM + "       98", "", "98", "0,0", ""},
            {"close at start", closeAt40 + "981.55            7", "", "", "0,0", "981,55"}};
        for (const auto &r : rows)
            QTest::newRow(qPrintable(r[0])) << r[1] << QStringList{r[2], r[3], r[4], r[5]};
        const char *times[][2] = {{"4:00pm", "16:00"}, {"10:35pm", "22:35"}, {"11:59pm", "23:59"}, {"12:10pm", "12:10"},
            {"9:45am", "9:45"}, {"12:05am", "0:05"}, {"10:35PM", "22:35"}, {">12:05Am", "0:05"}, {"16:00", "16:00"},
            {"<span>", "pa"}, {"pm", "pm"}, {":00:pm", ":00:pm"}, {"1:5pm", "1:5pm"}, {"4pm", "4pm"}, {"10pm", "22pm"},
            {"12pm", "12pm"}, {"12am", "0am"}, {"12:5am", "0:5"}};
        for (const auto &r : times)
            QTest::addRow("time %s", r[0]) << page(r[0], "987.12", "+0.45%", "981.55")
                                           << QStringList{r[1], "987,12", "0,45", "981,55"};
        const char *prices[][2] = {{"1,234.56", "1234,56"}, {"-1.25%", "1,25"}, {"1.234.5", "1,234,5"},
            {"4:00PM E", "400"}, {"<span>", ""}, {"\xd9\xa3.5", ",5"}};
        for (const auto &r : prices)
            QTest::addRow("price %s", r[0]) << page("4:00pm", QString::fromUtf8(r[0]), "+0.45%", "981.55")
                                            << QStringList{"16:00", r[1], "0,45", "981,55"};
    }
    void parse() {
        QFETCH(QString, page); QFETCH(QStringList, quote);
        const Quotazione q = EstraiQuotazione(page);
        QCOMPARE((QStringList{q.Ora, q.Valore, q.Variazione, q.Chiusura}), quote);
    }

    void barWalk() {
        // start of bar 1, start of bar 2, steps until bar 1 wraps to 45 and bar 2 goes back to 510
        const double rows[][3] = {{90, 510, 22}, {45, 510, 23}, {80, 510, 23}, {90, 9000, 22}};
        for (const auto &r : rows) {
            PosizioniBarre p{r[0], r[1]};
            for (int step = 1; step <= r[2]; ++step) {
                p = PassoBarre(p.Barra1, p.Barra2);
                QCOMPARE(QPointF(p.Barra1, p.Barra2),
                         step < r[2] ? QPointF(r[0] + 200 * step, r[1] + 200 * step) : QPointF(45, 510));
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestQuotazione)
#include "tst_quotazione.moc"
