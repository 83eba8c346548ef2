// The quote request, the answer rule, the quote page parser, the server address and the rise/fall and bar rules.
#include <QtTest>

#include "platform/Ambiente.h"
#include "quote/MessaggiHttp.h"
#include "quote/PaginaQuotazione.h"
#include "quote/Quotazione.h"

namespace {
const QString TimeM = QStringLiteral("ET</abbr><br /></span>"), PriceM = QStringLiteral("Last price:");
const QString ChangeM = QStringLiteral("Shows primary price"), CloseM = QStringLiteral("Previous Close:");
// Digits and points at the top: a window read from the wrong place would not come out empty.
const QString Head = QStringLiteral("<!-- 2026.12.06 1234567890 1234567890 1234567890 1234567890 -->\n");

// A window of `width` characters `dist` before (negative) or after the marker's first character,
// with `edge` just outside it on both sides.
QString block(const QString &m, int dist, int width, const QString &v, QChar edge)
{
    const QString w = edge + v.leftJustified(width, u' ', true) + edge;
    return (dist < 0 ? w + QString(-dist - width - 1, u' ') + m : m + QString(dist - m.size() - 1, u' ') + w) + u'\n';
}
QByteArray page(const QString &t, const QString &v, const QString &c = "+0.45%", const QString &k = "981.55",
                QChar e = u' ')
{
    return (Head + block(TimeM, -36, 8, t, e) + block(PriceM, 18, 8, v, e) + block(ChangeM, -46, 9, c, e)
            + block(CloseM, 40, 18, k, e) + "</html>\n").toUtf8();
}
} // namespace

class TestQuotazione : public QObject {
    Q_OBJECT
private slots:
    // One rule per row: 'q' the request path of a symbol, 'a' the body of an answer ("(none)": not used),
    // 'p' the time|price|change|close of a page, 's' the host|Host line|port of a server address,
    // 'b' one step of the bars, 'f' rise or fall of "close|last" texts (empty: neither is shown),
    // 'w' the window system asked for with QT_QPA_PLATFORM|WAYLAND_DISPLAY|DISPLAY.
    void rules_data() {
        QTest::addColumn<char>("rule"); QTest::addColumn<QByteArray>("in"); QTest::addColumn<QByteArray>("out");
        auto row = [n = 0](char rule, const QByteArray &in, const QByteArray &out) mutable {
            QTest::addRow("%c%d %.40s", rule, ++n, in.toPercentEncoding(" :;,/|<>").constData()) << rule << in << out;
        };
        const auto split = [](const char *r, int i) { return QByteArray(r).split('>').at(i); };
        const char *requests[][2] = {{"^IXIC", "^IXIC"},
            {"CZ 26%#\r\n\x1f\x7f\xe2\x82\xac", "CZ%2026%25%23%0D%0A%1F%7F%E2%82%AC"},
            {" C.Z=F-a&b?c^_~!$'()*+,/:;<>@[]`{|} \t", "C.Z=F-a&b?c^_~!$'()*+,/:;<>@[]`{|}%20%09"},
            {"\x0b\x0c" "CZ\xc2\xa0  ", "%0B%0CCZ%C2%A0"}}; // blanks alone are trimmed
        for (const auto &r : requests)
            row('q', r[0], QByteArray("/qc/stocks/quotes.aspx?symbols=") + r[1]);
        const QByteArray no = "(none)", ok = "HTTP/1.1 200 OK\r\n", body = "body", cl = ok + "Content-Length: ";
        const QByteArray te = ok + "Transfer-Encoding: chunked\r\n\r\n", end = "\r\nbody\r\n0\r\n\r\n";
        const QByteArray answers[][2] = {{ok + "content-LENGTH:  4 \r\n\r\nbody\r\n\r\nmore", body},
            {cl + "4\r\n\r\nbod", no}, {cl + "+4\r\n\r\nbody", no}, {cl + "4\r\nContent-Length: 3\r\n\r\nbody", no},
            {"HTTP/1.0 299\r\nA: b\r\n\r\nbo\r\n\r\ndy", "bo\r\n\r\ndy"}, {"HTTP/1.1 204 No\r\n\r\n", ""},
            {"HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\nbody", no}, {"HTTP/1.1 300 X\r\n\r\nbody", no},
            {"HTTP/1.1 2000 X\r\n\r\nbody", no}, {"Content-Length: 4\r\n\r\nbody", no}, {ok + "body", no},
            {te + "4 ;a=\"b\"\r\nbody\r\nA\r\n0123456789\r\n0;x\r\nT: 1\r\n\r\nmore", "body0123456789"},
            {cl + "1\r\nTransfer-Encoding: Chunked\r\n\r\n2\r\nbo\r\n0\r\n\r\n", "bo"},
            {te + "4\r\nbody\r\n", no}, {te + "4\r\nbody\r\n0\r\n", no}, {te + "4\r\nbodyXX0\r\n\r\n", no},
            {te + "A" + end, no}, {te + "0x4" + end, no}, {te + "10000000000000004" + end, no},
            {ok + "Transfer-Encoding: gzip, chunked\r\n\r\n4" + end, no}};
        for (const auto &r : answers)
            row('a', r[0], r[1]);
        // Exact starts: 36 before the time marker; windows cut by the page's ends; the first of two markers.
        const QString t = ">10:35pm", v = "16234.56", c = "-10.12345", k = "<td>   16,180.2575", sp28(28, u' ');
        const QByteArray full = "22:35|16234,56|10,12345|16180,2575", std = page("4:00pm", "987.12");
        const QByteArray pages[][2] = {{page(t, v, c, k, u'9'), full}, {ScriviPagina(t, v, c, k), full},
            {std + page("1:11am", "111.11", "2.22", "333.33"), "16:00|987,12|0,45|981,55"},
            {QByteArray(std).replace("Last price:", "Last Price:"), "16:00||0,45|981,55"},
            {(Head + "<p>1:11pm 2.22 3.33</p>").toUtf8(), "||0,0|"},
            {("4:00pm  " + sp28 + TimeM).toUtf8(), "16:00||0,0|"}, {(":00pm  " + sp28 + TimeM).toUtf8(), "||0,0|"},
            {(CloseM + QString(25, u' ') + "981.55\n" + PriceM + "       98").toUtf8(), "|98|0,0|981,55"},
            {page("4:00pm", QString::fromUtf8("1,234.5\xd9\xa3")), "16:00|1234,5|0,45|981,55"}};
        for (const auto &r : pages)
            row('p', r[0], r[1]);
        for (const char *r : {"4:00pm>16:00", "10:35PM>22:35", "12:10pm>12:10", "9:45Am>9:45", "12:05am>0:05",
                              "16:00>16:00", "1:5pm>1:5pm"})
            row('p', page(QString(r).section(u'>', 0, 0), "987.12"), split(r, 1) + "|987,12|0,45|981,55");
        // As text "9990,1" > "10005,3"; as numbers it is a rise. Empty or blank counts as 0.
        for (const char *r : {"sq.ex:65536>q.ex|q.ex|80", "s[::1]:8080>::1|[::1]|8080", "s[::1]:x>::1|[::1]|80",
                 "b4280|700>4480|900", "b4281|9000>45|510", "f 9990,1| 10005,3>rise", "f 10005,3| 9990,1>fall",
                 "f 987,12| 987,12>rise", "f 981,5| 981,45>fall", "f 981,55| >fall", "f 1,2,3| 987,12>", "f 1| 2.5>",
                 "f inf| 1>", "w|wayland-0|:0>xcb", "wwayland|wayland-0|:0>", "w|wayland-0|>", "w||:0>"})
            row(r[0], split(r + 1, 0), split(r + 1, 1));
    }
    void rules() {
        QFETCH(char, rule); QFETCH(QByteArray, in); QFETCH(QByteArray, out);
        const QString a = QString(in).section(u'|', 0, 0), b = QString(in).section(u'|', 1);
        const std::optional<bool> fall = InRibasso(a, b);
        const Quotazione q = EstraiQuotazione(QString(in));
        const platform::ServerAddress s = platform::parseServer(QString(in));
        const PosizioniBarre p = PassoBarre(a.toDouble(), b.toDouble());
        const QString got = rule == 'q' ? PercorsoQuotazione(QString(in))
            : rule == 'a' ? QString::fromLatin1(CorpoRisposta(in).value_or("(none)"))
            : rule == 'p' ? QStringList{q.Ora, q.Valore, q.Variazione, q.Chiusura}.join(u'|')
            : rule == 's' ? s.host + u'|' + s.hostHeader + u'|' + QString::number(s.port)
            : rule == 'b' ? QString::number(p.Barra1) + u'|' + QString::number(p.Barra2)
            : rule == 'w' ? QString(platform::windowSystem(in.split('|')[0], in.split('|')[1], in.split('|')[2]))
            : fall ? QString(*fall ? "fall" : "rise") : QString();
        QCOMPARE(got, QString(out));
    }
};

QTEST_APPLESS_MAIN(TestQuotazione)
#include "tst_quotazione.moc"
