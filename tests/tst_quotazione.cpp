// Tests of the quote request text, the quote page parser and the rise/fall and bar rules.
#include <QtTest>

#include <algorithm>
#include <utility>

#include "quote/Quotazione.h"

namespace {

const QString TimeMarker = QStringLiteral("ET</abbr><br /></span>");
const QString PriceMarker = QStringLiteral("Last price:");
const QString ChangeMarker = QStringLiteral("Shows primary price");
const QString CloseMarker = QStringLiteral("Previous Close:");

const QString Header = QStringLiteral(
    "HTTP/1.1 200 OK\r\n"
    "Content-Type: text/html; charset=iso-8859-1\r\n"
    "Connection: close\r\n"
    "\r\n");

// Pads with blanks (dropped by both filters) or cuts to exactly n characters.
QString fit(const QString &s, qsizetype n)
{
    return s.leftJustified(n, u' ', true);
}

// Markup without digits, points or colons, to fill the gap between a window and its marker.
QString filler(qsizetype n)
{
    static const QString markup =
        QStringLiteral("<span class=\"quote-detail\"><abbr title=\"Eastern\">");
    QString s;
    while (s.size() < n)
        s += markup;
    return s.left(n);
}

// A window that begins `distance` characters before the marker, with `edge` on both sides.
QString blockBefore(const QString &marker, qsizetype distance, qsizetype width,
                    const QString &content, QChar edge)
{
    return QString(edge) + fit(content, width) + QString(edge)
        + filler(distance - width - 1) + marker;
}

// A window that begins `distance` characters after the marker's first character.
QString blockAfter(const QString &marker, qsizetype distance, qsizetype width,
                   const QString &content, QChar edge)
{
    return marker + filler(distance - marker.size() - 1) + QString(edge)
        + fit(content, width) + QString(edge);
}

QString timeBlock(const QString &t, QChar edge = u' ')
{
    return blockBefore(TimeMarker, 36, 8, t, edge);
}
QString priceBlock(const QString &v, QChar edge = u' ')
{
    return blockAfter(PriceMarker, 18, 8, v, edge);
}
QString changeBlock(const QString &v, QChar edge = u' ')
{
    return blockBefore(ChangeMarker, 46, 9, v, edge);
}
QString closeBlock(const QString &v, QChar edge = u' ')
{
    return blockAfter(CloseMarker, 40, 18, v, edge);
}

// A quote page with the four markers at the distances the server's layout has.
struct Page
{
    QString head = QStringLiteral(
        "<!DOCTYPE html>\n<html><head><title>Quote</title></head><body>\n");
    QString time = QStringLiteral("4:00pm");
    QString price = QStringLiteral("987.12");
    QString change = QStringLiteral("+0.45%");
    QString close = QStringLiteral("981.55");
    QChar edge = u' ';
    bool withTime = true, withPrice = true, withChange = true, withClose = true;
    bool reversed = false;
    QString extra; // appended after the four blocks

    QString body() const
    {
        QStringList blocks;
        if (withTime)
            blocks << timeBlock(time, edge);
        if (withPrice)
            blocks << priceBlock(price, edge);
        if (withChange)
            blocks << changeBlock(change, edge);
        if (withClose)
            blocks << closeBlock(close, edge);
        if (reversed)
            std::reverse(blocks.begin(), blocks.end());
        return head + QStringLiteral("<div class=\"quote\">\n<p>")
            + blocks.join(QStringLiteral("</p>\n<p>")) + QStringLiteral("</p>\n</div>\n")
            + extra + QStringLiteral("</body></html>\n");
    }
    QString answer() const { return Header + body(); }
};

} // namespace

class TestQuotazione : public QObject
{
    Q_OBJECT

private:
    void addParseColumns();
    void checkParse();

private slots:
    void requestPath_data();
    void requestPath();
    void requestBytes_data();
    void requestBytes();

    void body_data();
    void body();
    void extractReplacesBuffer_data();
    void extractReplacesBuffer();

    void numberFilter_data();
    void numberFilter();
    void timeFilter_data();
    void timeFilter();
    void convertTime_data();
    void convertTime();

    void pageBuilderDistances();
    void parsePage_data();
    void parsePage();
    void parseMarkerPositions_data();
    void parseMarkerPositions();

    void readPrice_data();
    void readPrice();
    void riseOrFall_data();
    void riseOrFall();

    void barStep_data();
    void barStep();
    void barWalk_data();
    void barWalk();
};

// ---- request ----

void TestQuotazione::requestPath_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QString>("path");
    const QString base = QStringLiteral("/qc/stocks/quotes.aspx?symbols=");
    QTest::newRow("plain") << "$COMPX" << base + "$COMPX";
    QTest::newRow("blanks around") << "  ^DJI \t" << base + "^DJI";
    QTest::newRow("inner blank kept") << " NQ Z6 " << base + "NQ Z6";
    QTest::newRow("no escaping") << "a&b=c%20?#" << base + "a&b=c%20?#";
    QTest::newRow("empty") << "" << base;
    QTest::newRow("blanks only") << "   " << base;
}

void TestQuotazione::requestPath()
{
    QFETCH(QString, symbol);
    QFETCH(QString, path);
    QCOMPARE(PercorsoQuotazione(symbol), path);
}

void TestQuotazione::requestBytes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("quote") << "/qc/stocks/quotes.aspx?symbols=$COMPX" << "quotes.example"
                           << QByteArray("GET /qc/stocks/quotes.aspx?symbols=$COMPX HTTP/1.1\r\n"
                                         "Host: quotes.example\r\n"
                                         "Connection: close\r\n"
                                         "Accept: */*\r\n"
                                         "\r\n");
    QTest::newRow("futures") << "/browser/fut.txt" << "127.0.0.1"
                             << QByteArray("GET /browser/fut.txt HTTP/1.1\r\n"
                                           "Host: 127.0.0.1\r\n"
                                           "Connection: close\r\n"
                                           "Accept: */*\r\n"
                                           "\r\n");
    // One byte per character: a Latin-1 letter is one byte, not two UTF-8 bytes.
    QTest::newRow("latin-1 byte") << QString::fromLatin1("/x?s=caf\xe9") << "h"
                                  << QByteArray("GET /x?s=caf\xe9 HTTP/1.1\r\n"
                                                "Host: h\r\n"
                                                "Connection: close\r\n"
                                                "Accept: */*\r\n"
                                                "\r\n");
}

void TestQuotazione::requestBytes()
{
    QFETCH(QString, path);
    QFETCH(QString, host);
    QFETCH(QByteArray, bytes);
    const QByteArray request = TestoRichiesta(path, host);
    QCOMPARE(request, bytes);
    QVERIFY(request.endsWith("\r\n\r\n"));
    QCOMPARE(request.count("\r\n"), 5);
}

// ---- body ----

void TestQuotazione::body_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("body");
    QTest::newRow("header and page") << "HTTP/1.1 200 OK\r\nA: b\r\n\r\n<html>"
                                     << "<html>";
    QTest::newRow("first blank line wins") << "H\r\n\r\nbody\r\n\r\nmore"
                                           << "body\r\n\r\nmore";
    QTest::newRow("blank line at start") << "\r\n\r\npage" << "page";
    QTest::newRow("nothing after header") << "HTTP/1.1 204 No Content\r\n\r\n" << "";
    QTest::newRow("no blank line") << "abcdefgh" << "defgh";
    QTest::newRow("LF only is not a blank line") << "HTTP/1.1 200 OK\n\npage"
                                                 << "P/1.1 200 OK\n\npage";
    QTest::newRow("CR LF CR without LF") << "abc\r\n\rxyz" << "\r\n\rxyz";
    QTest::newRow("three characters") << "abc" << "";
    QTest::newRow("two characters") << "ab" << "";
    QTest::newRow("empty") << "" << "";
}

void TestQuotazione::body()
{
    QFETCH(QString, answer);
    QFETCH(QString, body);
    QCOMPARE(CorpoRisposta(answer), body);
}

void TestQuotazione::extractReplacesBuffer_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("buffer");
    const Page page;
    QTest::newRow("full answer") << page.answer() << page.body();
    QTest::newRow("no blank line") << QString(QStringLiteral("XYZ") + page.body())
                                   << page.body();
    QTest::newRow("empty") << "" << "";
    QTest::newRow("short") << "ab" << "";
}

void TestQuotazione::extractReplacesBuffer()
{
    QFETCH(QString, answer);
    QFETCH(QString, buffer);
    QString bufferRisposta = answer;
    EstraiQuotazione(bufferRisposta);
    QCOMPARE(bufferRisposta, buffer);
}

// ---- filters and time ----

void TestQuotazione::numberFilter_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("result");
    QTest::newRow("thousands separator") << "1,234.56" << "1234,56";
    QTest::newRow("sign and per cent") << "-1.25%" << "1,25";
    QTest::newRow("plus sign") << "+0.45 %" << "0,45";
    QTest::newRow("two points") << "1.234.5" << "1,234,5";
    QTest::newRow("markup digits kept") << "<h2>98.1" << "298,1";
    QTest::newRow("letters and blanks") << " n/a  " << "";
    QTest::newRow("colon dropped") << "4:00pm" << "400";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("non-ASCII digit dropped") << QString::fromUtf8("\u0663.5") << ",5";
}

void TestQuotazione::numberFilter()
{
    QFETCH(QString, window);
    QFETCH(QString, result);
    QCOMPARE(FiltroNumero(window), result);
}

void TestQuotazione::timeFilter_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("result");
    QTest::newRow("clean") << "4:00pm E" << "4:00pm";
    QTest::newRow("markup before") << "x>12:10p" << "12:10p";
    QTest::newRow("upper case PM") << " 10:35PM" << "10:35pm";
    QTest::newRow("upper case AM") << "12:05AM " << "12:05am";
    QTest::newRow("mixed case") << "9:45Am" << "9:45am";
    QTest::newRow("other letters") << "Tue, 4 " << "4";
    QTest::newRow("markup letters a, p, m kept") << "<span>" << "pa";
    QTest::newRow("point dropped") << "4.00pm" << "400pm";
    QTest::newRow("empty") << "" << "";
}

void TestQuotazione::timeFilter()
{
    QFETCH(QString, window);
    QFETCH(QString, result);
    QCOMPARE(FiltroOra(window), result);
}

void TestQuotazione::convertTime_data()
{
    QTest::addColumn<QString>("t");
    QTest::addColumn<QString>("result");
    QTest::newRow("4:00pm") << "4:00pm" << "16:00";
    QTest::newRow("1:05pm") << "1:05pm" << "13:05";
    QTest::newRow("10:35pm") << "10:35pm" << "22:35";
    QTest::newRow("11:59pm") << "11:59pm" << "23:59";
    QTest::newRow("12:10pm noon") << "12:10pm" << "12:10";
    QTest::newRow("9:45am") << "9:45am" << "9:45";
    QTest::newRow("10:35am") << "10:35am" << "10:35";
    QTest::newRow("12:05am midnight") << "12:05am" << "0:05";
    QTest::newRow("12:59am midnight") << "12:59am" << "0:59";
    QTest::newRow("upper PM") << "10:35PM" << "22:35";
    QTest::newRow("upper PM one digit") << "4:00PM" << "16:00";
    QTest::newRow("upper AM midnight") << "12:05AM" << "0:05";
    QTest::newRow("24-hour already") << "16:00" << "16:00";
    QTest::newRow("no suffix, one digit") << "4:00" << "4:00";
    QTest::newRow("long text cut to 5") << "123456789" << "12345";
    // Short and odd texts: nothing read out of range, nothing made up.
    QTest::newRow("empty") << "" << "";
    QTest::newRow("p") << "p" << "p";
    QTest::newRow("pm alone") << "pm" << "pm";
    QTest::newRow("am alone") << "am" << "am";
    QTest::newRow(":pm") << ":pm" << ":pm";
    QTest::newRow("hour part not a number") << "1:5pm" << "1:5pm";
    QTest::newRow("six chars, hour not a number") << ":00:pm" << ":00:pm";
    QTest::newRow("4pm") << "4pm" << "4pm";
    QTest::newRow("10pm") << "10pm" << "22pm";
    QTest::newRow("12pm") << "12pm" << "12pm";
    QTest::newRow("12am") << "12am" << "0am";
    QTest::newRow("12") << "12" << "12";
    QTest::newRow("six chars, midnight") << "12:5am" << "0:5";
}

void TestQuotazione::convertTime()
{
    QFETCH(QString, t);
    QFETCH(QString, result);
    QCOMPARE(ConvertiOra(t), result);
}

// ---- parser ----

void TestQuotazione::pageBuilderDistances()
{
    // The helper itself must put the windows where the server's page has them.
    Page page;
    page.time = QStringLiteral("T1:11pm");
    page.price = QStringLiteral("V222");
    page.change = QStringLiteral("C333");
    page.close = QStringLiteral("K444");
    const QString body = page.body();
    QCOMPARE(body.indexOf(TimeMarker) - body.indexOf(page.time), 36);
    QCOMPARE(body.indexOf(page.price) - body.indexOf(PriceMarker), 18);
    QCOMPARE(body.indexOf(ChangeMarker) - body.indexOf(page.change), 46);
    QCOMPARE(body.indexOf(page.close) - body.indexOf(CloseMarker), 40);
}

void TestQuotazione::addParseColumns()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("ora");
    QTest::addColumn<QString>("valore");
    QTest::addColumn<QString>("variazione");
    QTest::addColumn<QString>("chiusura");
}

void TestQuotazione::checkParse()
{
    QFETCH(QString, answer);
    QFETCH(QString, ora);
    QFETCH(QString, valore);
    QFETCH(QString, variazione);
    QFETCH(QString, chiusura);
    QString buffer = answer;
    const Quotazione q = EstraiQuotazione(buffer);
    QCOMPARE(q.Ora, ora);
    QCOMPARE(q.Valore, valore);
    QCOMPARE(q.Variazione, variazione);
    QCOMPARE(q.Chiusura, chiusura);
}

void TestQuotazione::parsePage_data()
{
    addParseColumns();

    QTest::newRow("typical afternoon")
        << Page().answer() << "16:00" << "987,12" << "0,45" << "981,55";

    {
        // Every window filled to its last character and a digit just outside on
        // both sides: a window one character off or one too wide picks up a 9.
        Page p;
        p.edge = u'9';
        p.time = QStringLiteral(">10:35pm");
        p.price = QStringLiteral("16234.56");
        p.change = QStringLiteral("-10.12345");
        p.close = QStringLiteral("<td>   16,180.2575");
        QTest::newRow("full windows, digits at the edges")
            << p.answer() << "22:35" << "16234,56" << "10,12345" << "16180,2575";
    }
    {
        Page p;
        p.edge = u'9';
        QTest::newRow("short values, digits at the edges")
            << p.answer() << "16:00" << "987,12" << "0,45" << "981,55";
    }
    {
        Page p;
        p.time = QStringLiteral("9:45am");
        p.price = QStringLiteral("9,551.12");
        p.change = QStringLiteral("-1.25%");
        p.close = QStringLiteral("9,672.01");
        QTest::newRow("morning, thousands separators")
            << p.answer() << "9:45" << "9551,12" << "1,25" << "9672,01";
    }
    for (const auto &[time, expected] :
         {std::pair{"12:05am", "0:05"}, std::pair{"12:10pm", "12:10"},
          std::pair{"10:35PM", "22:35"}, std::pair{"4:00PM", "16:00"},
          std::pair{"12:05AM", "0:05"}, std::pair{"1:05pm", "13:05"}}) {
        Page p;
        p.time = QString::fromLatin1(time);
        QTest::addRow("time %s", time)
            << p.answer() << QString::fromLatin1(expected) << "987,12" << "0,45" << "981,55";
    }
    {
        Page p;
        p.close = QStringLiteral("1.234.5");
        QTest::newRow("two points, two commas")
            << p.answer() << "16:00" << "987,12" << "0,45" << "1,234,5";
    }
    {
        Page p;
        p.price = QStringLiteral("<h2>98.1");
        QTest::newRow("markup digit inside the window")
            << p.answer() << "16:00" << "298,1" << "0,45" << "981,55";
    }
    {
        Page p;
        p.change = QStringLiteral("unch");
        QTest::newRow("change without digits")
            << p.answer() << "16:00" << "987,12" << "0,0" << "981,55";
    }
    {
        Page p;
        p.reversed = true;
        QTest::newRow("markers in reverse order")
            << p.answer() << "16:00" << "987,12" << "0,45" << "981,55";
    }
    {
        Page p;
        p.extra = QStringLiteral("<p>") + timeBlock(QStringLiteral("1:11am"))
            + priceBlock(QStringLiteral("111.11")) + changeBlock(QStringLiteral("2.22"))
            + closeBlock(QStringLiteral("333.33")) + QStringLiteral("</p>\n");
        QTest::newRow("repeated markers, first wins")
            << p.answer() << "16:00" << "987,12" << "0,45" << "981,55";
    }

    // Missing markers. The head of the page is full of digits and points, so a
    // window taken from the page's start would not come out empty.
    const QString digitHead = QStringLiteral(
        "<!-- build 2026.12.06 1234567890 1234567890 1234567890 1234567890 -->\n");
    {
        Page p;
        p.head = digitHead;
        p.withTime = false;
        QTest::newRow("no time marker")
            << p.answer() << "" << "987,12" << "0,45" << "981,55";
    }
    {
        Page p;
        p.head = digitHead;
        p.withPrice = false;
        QTest::newRow("no last price marker")
            << p.answer() << "16:00" << "" << "0,45" << "981,55";
    }
    {
        Page p;
        p.head = digitHead;
        p.withChange = false;
        QTest::newRow("no change marker")
            << p.answer() << "16:00" << "987,12" << "0,0" << "981,55";
    }
    {
        Page p;
        p.head = digitHead;
        p.withClose = false;
        QTest::newRow("no previous close marker")
            << p.answer() << "16:00" << "987,12" << "0,45" << "";
    }
    {
        Page p;
        QString body = p.body();
        body.replace(PriceMarker, QStringLiteral("Last Price:"));
        body.replace(CloseMarker, QStringLiteral("previous close:"));
        QTest::newRow("markers compared case-sensitively")
            << QString(Header + digitHead + body) << "16:00" << "" << "0,45" << "";
    }
    {
        // Markers in the header do not count: only the body is searched.
        const QString header = QStringLiteral("HTTP/1.1 200 OK\r\nX-Note: Last price: 12345678 ")
            + QStringLiteral("Previous Close: 1234567890123456789012345678901234567890\r\n\r\n");
        Page p;
        p.withPrice = false;
        p.withClose = false;
        QTest::newRow("markers in the header only")
            << QString(header + p.body()) << "16:00" << "" << "0,45" << "";
    }
    QTest::newRow("foreign page")
        << QString(Header + "<html><body>404 Not Found, 2026.12.06</body></html>")
        << "" << "" << "0,0" << "";
    QTest::newRow("empty answer") << "" << "" << "" << "0,0" << "";
    QTest::newRow("header without body")
        << "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n" << "" << "" << "0,0" << "";
    QTest::newRow("no blank line, page from 4th char")
        << QString(QStringLiteral("XYZ") + Page().body())
        << "16:00" << "987,12" << "0,45" << "981,55";
    QTest::newRow("LF-only header")
        << QString(QStringLiteral("HTTP/1.1 200 OK\nServer: x\n\n") + Page().body())
        << "16:00" << "987,12" << "0,45" << "981,55";
}

void TestQuotazione::parsePage()
{
    checkParse();
}

void TestQuotazione::parseMarkerPositions_data()
{
    addParseColumns();
    const QString h = Header;

    // The time window starts 36 before the marker: marker at 37 reads from the 1st
    // character, marker at 36 would start at 0 and gives nothing.
    QTest::newRow("time marker at 37")
        << QString(h + fit("4:00pm", 8) + filler(28) + TimeMarker)
        << "16:00" << "" << "0,0" << "";
    QTest::newRow("time marker at 36")
        << QString(h + fit(":00pm", 7) + filler(28) + TimeMarker)
        << "" << "" << "0,0" << "";
    QTest::newRow("time marker at start")
        << QString(h + TimeMarker + "4:00pm 4:00pm 4:00pm 4:00pm 4:00pm 4:00pm")
        << "" << "" << "0,0" << "";

    QTest::newRow("change marker at 47")
        << QString(h + fit("0.45", 9) + filler(37) + ChangeMarker)
        << "" << "" << "0,45" << "";
    QTest::newRow("change marker at 46")
        << QString(h + fit(".45", 8) + filler(37) + ChangeMarker)
        << "" << "" << "0,0" << "";
    QTest::newRow("change marker at start")
        << QString(h + ChangeMarker + " 0.45 0.45 0.45 0.45 0.45 0.45 0.45 0.45 0.45")
        << "" << "" << "0,0" << "";

    QTest::newRow("price marker at start")
        << QString(h + PriceMarker + filler(7) + "987.12  7") << "" << "987,12" << "0,0" << "";
    QTest::newRow("close marker at start")
        << QString(h + CloseMarker + filler(25) + fit("981.55", 18) + "7")
        << "" << "" << "0,0" << "981,55";

    // Windows after a marker are cut by the page's end.
    QTest::newRow("price window cut at the end")
        << QString(h + PriceMarker + filler(7) + "98") << "" << "98" << "0,0" << "";
    QTest::newRow("price window just past the end")
        << QString(h + PriceMarker + filler(7)) << "" << "" << "0,0" << "";
    QTest::newRow("price window far past the end")
        << QString(h + PriceMarker + "1.5") << "" << "" << "0,0" << "";
    QTest::newRow("close window cut at the end")
        << QString(h + CloseMarker + filler(25) + "1.5") << "" << "" << "0,0" << "1,5";
    QTest::newRow("close window past the end")
        << QString(h + CloseMarker + " 123 456") << "" << "" << "0,0" << "";
}

void TestQuotazione::parseMarkerPositions()
{
    checkParse();
}

// ---- rise or fall ----

void TestQuotazione::readPrice_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("shown price") << " 987,12" << 987.12;
    QTest::newRow("trailing blank") << "987,12 " << 987.12;
    QTest::newRow("five digits") << " 10005,3" << 10005.3;
    QTest::newRow("no decimals") << " 42" << 42.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("blank") << " " << 0.0;
    QTest::newRow("letters") << " n/a" << 0.0;
    QTest::newRow("two commas") << " 1,234,5" << 0.0;
    QTest::newRow("point is not the separator") << " 987.12" << 0.0;
}

void TestQuotazione::readPrice()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(LeggiPrezzo(text), value);
}

void TestQuotazione::riseOrFall_data()
{
    QTest::addColumn<QString>("close");
    QTest::addColumn<QString>("price");
    QTest::addColumn<bool>("fall");
    QTest::newRow("rise") << " 981,55" << " 987,12" << false;
    QTest::newRow("fall") << " 987,12" << " 981,55" << true;
    QTest::newRow("equal counts as rise") << " 987,12" << " 987,12" << false;
    // Compared as text, "9990,1" > "10005,3"; as numbers it is a rise.
    QTest::newRow("more digits, rise") << " 9990,1" << " 10005,3" << false;
    QTest::newRow("more digits, fall") << " 10005,3" << " 9990,1" << true;
    QTest::newRow("decimals only differ") << " 981,5" << " 981,45" << true;
    QTest::newRow("close empty") << " " << " 987,12" << false;
    QTest::newRow("price empty") << " 981,55" << " " << true;
    QTest::newRow("both empty") << "" << "" << false;
}

void TestQuotazione::riseOrFall()
{
    QFETCH(QString, close);
    QFETCH(QString, price);
    QFETCH(bool, fall);
    QCOMPARE(InRibasso(close, price), fall);
}

// ---- activity bars ----

void TestQuotazione::barStep_data()
{
    QTest::addColumn<double>("bar1");
    QTest::addColumn<double>("bar2");
    QTest::addColumn<double>("newBar1");
    QTest::addColumn<double>("newBar2");
    QTest::newRow("design start") << 90.0 << 510.0 << 290.0 << 710.0;
    QTest::newRow("lands on 4480, no wrap") << 4280.0 << 4700.0 << 4480.0 << 4900.0;
    QTest::newRow("just beyond 4480 wraps") << 4281.0 << 4701.0 << 45.0 << 510.0;
    QTest::newRow("from 4480 wraps") << 4480.0 << 4900.0 << 45.0 << 510.0;
    QTest::newRow("second bar wraps with the first") << 4400.0 << 0.0 << 45.0 << 510.0;
    QTest::newRow("second bar far right, no wrap") << 100.0 << 9000.0 << 300.0 << 9200.0;
}

void TestQuotazione::barStep()
{
    QFETCH(double, bar1);
    QFETCH(double, bar2);
    QFETCH(double, newBar1);
    QFETCH(double, newBar2);
    const PosizioniBarre p = PassoBarre(bar1, bar2);
    QCOMPARE(p.Barra1, newBar1);
    QCOMPARE(p.Barra2, newBar2);
}

void TestQuotazione::barWalk_data()
{
    QTest::addColumn<double>("start1");
    QTest::addColumn<double>("start2");
    QTest::addColumn<int>("stepsToWrap");
    QTest::newRow("from design position") << 90.0 << 510.0 << 22;
    QTest::newRow("from wrapped position") << 45.0 << 510.0 << 23;
}

void TestQuotazione::barWalk()
{
    QFETCH(double, start1);
    QFETCH(double, start2);
    QFETCH(int, stepsToWrap);
    PosizioniBarre p{start1, start2};
    int steps = 0;
    while (steps < 100) {
        p = PassoBarre(p.Barra1, p.Barra2);
        ++steps;
        if (p.Barra1 == 45)
            break;
        QCOMPARE(p.Barra1, start1 + 200 * steps);
        QCOMPARE(p.Barra2, start2 + 200 * steps);
        QVERIFY(p.Barra1 <= 4480);
    }
    QCOMPARE(steps, stepsToWrap);
    QCOMPARE(p.Barra2, 510.0);
}

QTEST_APPLESS_MAIN(TestQuotazione)
#include "tst_quotazione.moc"
