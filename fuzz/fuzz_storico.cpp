// History records: the writer, the record's zones and windows, the chart points and values.
// Input: a first line "time|close|change|value|date" (the record to write and the
// day to chart), then the bytes of a history file.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "Proprieta.h"
#include "history/Storico.h"

namespace {

QString Blankless(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

// Columns of a record line as text.
QString Window(const QByteArray &line, Colonne columns)
{
    const QByteArrayView window = Finestra(line, columns);
    return QString::fromLatin1(window.data(), window.size());
}

// A chart value: a text that is no number counts as 0.
double Value(const QString &text)
{
    double number = 0;
    return LeggiNumero(text.toLatin1(), &number) ? number : 0;
}

bool PlainLatin1(const QString &text)
{
    for (QChar c : text)
        if (c.unicode() > 0xFF || c == u'\r' || c == u'\n')
            return false;
    return true;
}

void CheckPoints(const PuntiGrafico &points)
{
    REQUIRE(points.Valori.size() == points.Righe.size());
    REQUIRE(points.Righe.size() <= MassimoPunti);
    REQUIRE(points.Colore >= 0 && points.Colore <= 2);
    // No charted record means no colour, unless a record of today had no change.
    if (!points.Righe.isEmpty())
        REQUIRE(points.Colore != 0);
    for (double v : points.Valori)
        REQUIRE(std::isfinite(v));
    for (const QString &line : points.Righe)
        REQUIRE(!line.contains(u'\r') && !line.contains(u'\n'));
}

// Today's points as the reading rule states them, line by line on plain text: a line
// ends at CR LF, a lone CR or a lone LF; the date window picks today's records and
// the change window, without its last character, is the value.
struct Reference {
    QStringList lines;
    QList<double> values;
    bool today = false;
};

Reference ReferencePoints(const QByteArray &file, const QString &date)
{
    Reference r;
    const QString day = Blankless(date);
    for (QChar c : day)
        if (c.unicode() > 0xFF)
            return r;
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < file.size(); ++i) {
        if (file[i] != '\r' && file[i] != '\n')
            continue;
        lines << file.mid(start, i - start);
        if (file[i] == '\r' && i + 1 < file.size() && file[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < file.size())
        lines << file.mid(start);
    for (const QByteArray &bytes : lines) {
        if (Window(bytes, ColonneData) != day)
            continue;
        r.today = true;
        const QString change = Window(bytes, ColonneVariazione);
        if (change.isEmpty() || r.lines.size() >= MassimoPunti)
            continue;
        r.lines << QString::fromLatin1(bytes);
        r.values << Value(change.chopped(1));
    }
    return r;
}

void CheckAgainstReference(const QByteArray &file, const QString &date)
{
    const PuntiGrafico points = CalcolaPunti(file, date);
    CheckPoints(points);
    const Reference r = ReferencePoints(file, date);
    REQUIRE(points.Righe.size() == r.lines.size());
    for (qsizetype i = 0; i < r.lines.size(); ++i) {
        REQUIRE(points.Righe[i] == r.lines[i]);
        REQUIRE(points.Valori[i] == r.values[i]);
    }
    REQUIRE((points.Colore != 0) == r.today);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                     qsizetype(size));
    const qsizetype lineEnd = input.indexOf('\n');
    const QByteArray head = lineEnd < 0 ? input : input.left(lineEnd);
    const QByteArray file = lineEnd < 0 ? QByteArray() : input.mid(lineEnd + 1);

    // Fields of the record; the odd byte above 0x7F comes in as Latin-1.
    QStringList fields = QString::fromLatin1(head).split(u'|');
    while (fields.size() < 5)
        fields << QString();
    const QString &time = fields[0], &close = fields[1], &change = fields[2],
                  &value = fields[3], &date = fields[4];

    // Today's points of any file.
    CheckAgainstReference(file, date);
    // A chart value of any text is a number.
    for (const QString &f : fields)
        REQUIRE(std::isfinite(Value(f)));

    // Any record ends its line; its fields come back from the print zones.
    const QByteArray record = ScriviRecord(time, close, change, value, date);
    REQUIRE(record.endsWith("\r\n"));
    const QString line = QString::fromLatin1(record.chopped(2));
    const QString t1 = Blankless(time), t2 = Blankless(close), t3 = Blankless(change),
                  t4 = Blankless(value);
    const bool plain = PlainLatin1(time) && PlainLatin1(close) && PlainLatin1(change)
                       && PlainLatin1(value) && PlainLatin1(date);
    const bool fitZones = t1.size() < 14 && t2.size() < 14 && t3.size() < 14 && t4.size() < 14;
    if (!plain || !fitZones)
        return 0;

    REQUIRE(line.size() == 56 + date.size());
    REQUIRE(Blankless(line.mid(0, 14)) == t1);
    REQUIRE(Blankless(line.mid(14, 14)) == t2);
    REQUIRE(Blankless(line.mid(28, 14)) == t3);
    REQUIRE(Blankless(line.mid(42, 14)) == t4);
    REQUIRE(line.mid(56) == date);
    // The zones give their fields back; each window holds the end of the zone before
    // it (blanks when that field is short enough) and the start of its own field.
    const QByteArray bytes = record.chopped(2);
    REQUIRE(Window(bytes, ZonaChiusura) == t2);
    REQUIRE(Window(bytes, ZonaValore) == t4);
    REQUIRE(Window(bytes, ColonneVariazione) == Blankless(t3.left(9)));
    const QString day = Blankless(date);
    if (t4.size() <= 12 && date.size() <= 13)
        REQUIRE(Window(bytes, ColonneData) == day);

    // Written after a whole file, the record of today is its last charted point.
    if (day.isEmpty() || date.size() > 13 || t4.size() > 12 || t3.isEmpty())
        return 0;
    QByteArray history = file;
    if (!history.isEmpty() && !history.endsWith('\n') && !history.endsWith('\r'))
        history += "\r\n";
    history += record;
    const PuntiGrafico points = CalcolaPunti(history, date);
    CheckPoints(points);
    if (points.Righe.size() < MassimoPunti) {
        REQUIRE(!points.Righe.isEmpty());
        REQUIRE(points.Righe.last() == line);
        REQUIRE(points.Valori.last() == Value(Window(bytes, ColonneVariazione).chopped(1)));
    }
    return 0;
}
