#include "shell/Impostazioni.h"

#include <QStringDecoder>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80-0x9F; the five unassigned bytes
// keep their own value.
const char16_t Cp1252Alti[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool Vuoto(QChar c) { return c == u' ' || c == u'\t'; }
bool FineRiga(QChar c) { return c == u'\r' || c == u'\n'; }

} // namespace

QString DecodificaImpostazioni(const QByteArray &byte)
{
    QByteArrayView dati(byte);
    // "Unicode" as a Windows editor saves it: UTF-16 after its byte order mark.
    const bool le = dati.startsWith("\xFF\xFE");
    if (le || dati.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(le ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                             QStringConverter::Flag::Stateless);
        return utf16.decode(dati.sliced(2));
    }
    if (dati.startsWith("\xEF\xBB\xBF"))
        dati = dati.sliced(3);
    // Stateless: a sequence cut short at the end of the file counts as an error too.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless
                                                  | QStringConverter::Flag::ConvertInitialBom);
    QString testo = utf8.decode(dati);
    if (!utf8.hasError())
        return testo;

    // A BOM before bytes that are not UTF-8 is still no part of the text.
    testo.resize(dati.size());
    QChar *uscita = testo.data();
    for (char b : dati) {
        const uchar u = uchar(b);
        *uscita++ = (u >= 0x80 && u <= 0x9F) ? QChar(Cp1252Alti[u - 0x80]) : QChar(u);
    }
    return testo;
}

LettoreCampi::LettoreCampi(const QString &testo) : Testo(testo) {}

bool LettoreCampi::Fine() const
{
    if (ProssimoDato < Pos) {
        ProssimoDato = Pos;
        while (ProssimoDato < Testo.size()
               && (Vuoto(Testo[ProssimoDato]) || FineRiga(Testo[ProssimoDato])))
            ++ProssimoDato;
    }
    return ProssimoDato >= Testo.size();
}

QString LettoreCampi::LeggiCampo()
{
    const qsizetype n = Testo.size();
    while (Pos < n && Vuoto(Testo[Pos]))
        ++Pos;
    if (Pos >= n)
        return QString();

    QString campo;
    if (Testo[Pos] == u'"') {
        const qsizetype chiusura = Testo.indexOf(u'"', Pos + 1);
        if (chiusura < 0) { // unterminated: the value runs to the end of the text
            campo = Testo.mid(Pos + 1);
            Pos = n;
            return campo;
        }
        campo = Testo.mid(Pos + 1, chiusura - Pos - 1);
        Pos = chiusura + 1;
        while (Pos < n && Testo[Pos] != u',' && !FineRiga(Testo[Pos]))
            ++Pos;
    } else {
        const qsizetype inizio = Pos;
        while (Pos < n && Testo[Pos] != u',' && !FineRiga(Testo[Pos]))
            ++Pos;
        campo = Testo.mid(inizio, Pos - inizio);
    }

    // Consume the separator: a comma, or one line break (CR LF is one break).
    if (Pos < n) {
        if (Testo[Pos] == u'\r' && Pos + 1 < n && Testo[Pos + 1] == u'\n')
            ++Pos;
        ++Pos;
    }
    return campo;
}

ListaIndici CostruisciLista(const QString *futTesto, const QString &datiTesto)
{
    ListaIndici lista;
    if (futTesto) {
        // The file exists, so the entry exists, even when it holds no code.
        LettoreCampi fut(*futTesto);
        lista.ConFutures = true;
        lista.CodiceFutures = fut.LeggiCampo();
        lista.Nomi << NomeFutures;
        lista.Simboli << lista.CodiceFutures;
    }

    LettoreCampi dati(datiTesto);
    while (!dati.Fine()) {
        const QString nome = dati.LeggiCampo();
        if (dati.Fine())
            break; // a last record without its symbol is no entry
        lista.Nomi << nome;
        lista.Simboli << dati.LeggiCampo();
    }
    return lista;
}

QString TestoArgomenti(const QStringList &argomentiProcesso)
{
    return argomentiProcesso.mid(1).join(u' ');
}

int PosizioneDaArgomento(const QString &argomento)
{
    if (argomento == u"1")
        return 1;
    if (argomento == u"2")
        return 2;
    return -1;
}
