// The quote request, the quote page parser and the rise/fall and bar rules.
#include <QtTest>

#include "quote/Quotazione.h"

namespace {
const QString TimeM = QStringLiteral("ET</abbr><br /></span>"), PriceM = QStringLiteral("Last price:");
const QString ChangeM = QStringLiteral("Shows primary price"), CloseM = QStringLiteral("Previous Close:");
const QString Header = QStringLiteral("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
// Digits and points at the top: a window read from the wrong place would not come out empty.
const QString Head = QStringLiteral("<!-- 2026.12.06 1234567890 1234567890 1234567890 1234567890 -->\n");

// A window of `width` characters `dist` before (negative) or after the marker's first character,
// with `edge` just outside it on both sides. A null value leaves the marker out.
QString block(const QString &m, int dist, int width, const QString &v, QChar edge)
{
    if (v.isNull())
        return {};
    const QString w = edge + v.leftJustified(width, u' ', true) + edge + u'\n';
    return dist < 0 ? w.chopped(1) + QString(-dist - width - 1, u' ') + m + u'\n'
                    : m + QString(dist - m.size() - 1, u' ') + w;
}
QString page(const QString &t, const QString &v, const QString &c, const QString &k, QChar e = u' ')
{
    return Head + block(TimeM, -36, 8, t, e) + block(PriceM, 18, 8, v, e)
        + block(ChangeM, -46, 9, c, e) + block(CloseM, 40, 18, k, e) + "</html>\n";
}
const QString Std = page("4:00pm", "987.12", "+0.45%", "981.55");
const QStringList StdQ{"16:00", "987,12", "0,45", "981,55"};
} // namespace

class TestQuotazione : public QObject {
    Q_OBJECT
private slots:
    void request() {
        QCOMPARE(TestoRichiesta(PercorsoQuotazione(" ^DJI \t"), "quotes.example"),
                 QByteArray("GET /qc/stocks/quotes.aspx?symbols=^DJI HTTP/1.1\r\nHost: quotes.example\r\n"
                            "Connection: close\r\nAccept: */*\r\n\r\n"));
        // One byte per character, no escaping.
        QCOMPARE(TestoRichiesta(QString::fromLatin1("/x?s=a&b\xe9"), "h"),
                 QByteArray("GET /x?s=a&b\xe9 HTTP/1.1\r\nHost: h\r\nConnection: close\r\nAccept: */*\r\n\r\n"));
    }

    void textRules_data() {
        QTest::addColumn<int>("rule"); // 0 body, 1 number filter, 2 time filter, 3 time conversion
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        const char *rows[][3] = {
            {"0", "HTTP/1.1 200 OK\r\nA: b\r\n\r\n<html>", "<html>"}, {"0", "H\r\n\r\nb\r\n\r\nm", "b\r\n\r\nm"},
            {"0", "\r\n\r\npage", "page"}, {"0", "H\r\n\r\n", ""}, {"0", "abcdefgh", "defgh"},
            {"0", "HTTP/1.1\n\npage", "P/1.1\n\npage"}, {"0", "abc\r\n\rxyz", "\r\n\rxyz"}, {"0", "abc", ""}, {"0", "", ""},
            {"1", "1,234.56", "1234,56"}, {"1", "-1.25%", "1,25"}, {"1", "1.234.5", "1,234,5"},
            {"1", "4:00PM E", "400"}, {"1", "<span>", ""}, {"2", "1,234.56", "123456"}, {"2", "4:00PM E", "4:00pm"},
            {"2", "x>12:05Am", "12:05am"}, {"2", "<span>", "pa"}, {"2", "4.00pm", "400pm"},
            {"3", "4:00pm", "16:00"}, {"3", "10:35pm", "22:35"}, {"3", "11:59pm", "23:59"}, {"3", "12:10pm", "12:10"},
            {"3", "9:45am", "9:45"}, {"3", "12:05am", "0:05"}, {"3", "10:35PM", "22:35"}, {"3", "4:00PM", "16:00"},
            {"3", "12:05AM", "0:05"}, {"3", "16:00", "16:00"}, {"3", "123456789", "12345"}, {"3", "", ""},
            {"3", "p", "p"}, {"3", "pm", "pm"}, {"3", ":pm", ":pm"}, {"3", "1:5pm", "1:5pm"}, {"3", ":00:pm", ":00:pm"},
            {"3", "4pm", "4pm"}, {"3", "10pm", "22pm"}, {"3", "12pm", "12pm"}, {"3", "12am", "0am"}, {"3", "12:5am", "0:5"}};
        for (const auto &r : rows)
            QTest::addRow("%s: %s", r[0], r[1]) << atoi(r[0]) << QString(r[1]) << QString(r[2]);
        QTest::newRow("1: non-ASCII digit") << 1 << QStringLiteral("\u0663.5") << ",5";
    }
    void textRules() {
        QFETCH(int, rule);
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(rule == 0 ? CorpoRisposta(in) : rule == 1 ? FiltroNumero(in)
                 : rule == 2 ? FiltroOra(in) : ConvertiOra(in), out);
    }

    void parse_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("quote"); // time, price, change, close
        const QString n, h = Header;
        QTest::newRow("typical") << h + Std << StdQ;
        // A window one off or one too wide would pick up a 9.
        QTest::newRow("full windows, 9 at the edges") << h + page(">10:35pm", "16234.56", "-10.12345", "<td>   16,180.2575", u'9')
            << QStringList{"22:35", "16234,56", "10,12345", "16180,2575"};
        QTest::newRow("change without digits") << h + page("4:00pm", "987.12", "unch", "981.55") << QStringList{"16:00", "987,12", "0,0", "981,55"};
        QTest::newRow("repeated markers, first wins") << h + Std + page("1:11am", "111.11", "2.22", "333.33") << StdQ;
        QTest::newRow("no time marker") << h + page(n, "987.12", "+0.45%", "981.55") << QStringList{"", "987,12", "0,45", "981,55"};
        QTest::newRow("no last price marker") << h + page("4:00pm", n, "+0.45%", "981.55") << QStringList{"16:00", "", "0,45", "981,55"};
        QTest::newRow("no change marker") << h + page("4:00pm", "987.12", n, "981.55") << QStringList{"16:00", "987,12", "0,0", "981,55"};
        QTest::newRow("no previous close marker") << h + page("4:00pm", "987.12", "+0.45%", n) << QStringList{"16:00", "987,12", "0,45", ""};
        QTest::newRow("markers only in the header") << "HTTP/1.1 200 OK\r\nX: Last price: 12345678 Previous Close: "
            + Head + "\r\n\r\n" + page("4:00pm", n, "+0.45%", n) << QStringList{"16:00", "", "0,45", ""};
        QTest::newRow("markers compared case-sensitively") << QString(h + Std).replace(PriceM, "Last Price:").replace(CloseM, "previous close:")
            << QStringList{"16:00", "", "0,45", ""};
        QTest::newRow("empty answer") << "" << QStringList{"", "", "0,0", ""};
        QTest::newRow("no blank line, page from 4th char") << "XYZ" + Std << StdQ;
        // Exact starts: 36 before the time marker, 46 before the change marker.
        QTest::newRow("time marker at 37") << h + "4:00pm  " + QString(28, u' ') + TimeM << QStringList{"16:00", "", "0,0", ""};
        QTest::newRow("time marker at 36") << h + ":00pm  " + QString(28, u' ') + TimeM << QStringList{"", "", "0,0", ""};
        QTest::newRow("change marker at 47") << h + "0.45     " + QString(37, u' ') + ChangeM << QStringList{"", "", "0,45", ""};
        QTest::newRow("change marker at 46") << h + ".45     " + QString(37, u' ') + ChangeM << QStringList{"", "", "0,0", ""};
        QTest::newRow("time and change markers at start") << h + TimeM + ChangeM + " 4:00pm 0.45 4:00pm 0.45 4:00pm 0.45 4:00pm 0.45 4:00pm 0.45" << QStringList{"", "", "0,0", ""};
        QTest::newRow("price marker at start, window cut") << h + PriceM + "       98" << QStringList{"", "98", "0,0", ""};
        QTest::newRow("close marker at start") << h + CloseM + QString(25, u' ') + "981.55            7" << QStringList{"", "", "0,0", "981,55"};
        QTest::newRow("price window past the end") << h + PriceM + "1.5" << QStringList{"", "", "0,0", ""};
    }
    void parse() {
        QFETCH(QString, answer);
        QFETCH(QStringList, quote);
        QString buffer = answer;
        const Quotazione q = EstraiQuotazione(buffer);
        QCOMPARE((QStringList{q.Ora, q.Valore, q.Variazione, q.Chiusura}), quote);
        QCOMPARE(buffer, CorpoRisposta(answer)); // the buffer keeps only the body
    }

    void riseOrFall() {
        // close, price, fall. As text "9990,1" > "10005,3"; as numbers it is a rise.
        const char *rows[][3] = {{" 981,55", " 987,12", ""}, {" 987,12", " 981,55", "f"}, {" 987,12", " 987,12", ""},
            {" 9990,1", " 10005,3", ""}, {" 10005,3", " 9990,1", "f"}, {" 981,5", " 981,45", "f"},
            {" ", " 987,12", ""}, {" 981,55", " ", "f"}, {"", "", ""}, {" 981,55", " 987.12", "f"}};
        for (const auto &r : rows)
            QVERIFY2(InRibasso(r[0], r[1]) == (*r[2] == 'f'), r[0]);
    }

    void barWalk() {
        // start of bar 1, start of bar 2, steps until bar 1 wraps to 45 (bar 2 then goes back to 510)
        const double rows[][3] = {{90, 510, 22}, {45, 510, 23}, {80, 510, 23}, {90, 9000, 22}};
        for (const auto &r : rows) {
            PosizioniBarre p{r[0], r[1]};
            int steps = 0;
            while (++steps < 100 && (p = PassoBarre(p.Barra1, p.Barra2)).Barra1 != 45) {
                QCOMPARE(p.Barra1, r[0] + 200 * steps);
                QCOMPARE(p.Barra2, r[1] + 200 * steps);
            }
            QCOMPARE(steps, int(r[2]));
            QCOMPARE(p.Barra2, 510.0);
        }
    }
};

QTEST_APPLESS_MAIN(TestQuotazione)
#include "tst_quotazione.moc"
