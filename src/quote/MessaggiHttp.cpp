#include "quote/MessaggiHttp.h"

#include <QByteArrayView>
#include <QList>
#include <QRegularExpression>
#include <algorithm>

namespace {

bool SoloCifre(QByteArrayView testo, bool esadecimali)
{
    return !testo.isEmpty() && std::all_of(testo.begin(), testo.end(), [esadecimali](char c) {
        return (c >= '0' && c <= '9')
               || (esadecimali && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
    });
}

// Chunks joined, from the first size line on; nothing when the coding is broken or cut.
// Each round takes at least three bytes off the rest, so the walk ends.
std::optional<QByteArray> DecodificaBlocchi(QByteArrayView resto)
{
    QByteArray corpo;
    for (;;) {
        const qsizetype fineRiga = resto.indexOf("\r\n");
        if (fineRiga < 0)
            return std::nullopt;
        QByteArrayView misura = resto.first(fineRiga);
        if (const qsizetype estensioni = misura.indexOf(';'); estensioni >= 0)
            misura = misura.first(estensioni).trimmed();
        bool ok = false;
        const qlonglong dimensione = SoloCifre(misura, true) ? misura.toLongLong(&ok, 16) : -1;
        if (!ok)
            return std::nullopt;
        resto = resto.sliced(fineRiga + 2);
        if (dimensione == 0) {
            // Trailer lines, if any, up to the blank line that ends the body.
            for (qsizetype riga = resto.indexOf("\r\n"); riga != 0; riga = resto.indexOf("\r\n")) {
                if (riga < 0)
                    return std::nullopt;
                resto = resto.sliced(riga + 2);
            }
            return corpo;
        }
        if (dimensione > resto.size() - 2 || resto.sliced(dimensione, 2) != "\r\n")
            return std::nullopt;
        corpo += resto.first(dimensione);
        resto = resto.sliced(dimensione + 2);
    }
}

} // namespace

QByteArray TestoRichiesta(const QString &percorso, const QString &host)
{
    const QString testo = QStringLiteral("GET ") + percorso + QStringLiteral(" HTTP/1.1\r\n")
        + QStringLiteral("Host: ") + host + QStringLiteral("\r\n")
        + QStringLiteral("Connection: close\r\n")
        + QStringLiteral("Accept: */*\r\n")
        + QStringLiteral("\r\n");
    return testo.toLatin1();
}

std::optional<QByteArray> CorpoRisposta(const QByteArray &risposta)
{
    static const QRegularExpression Riuscita(QStringLiteral("\\AHTTP/1\\.[0-9] 2[0-9][0-9]( |\\z)"));
    const qsizetype fineIntestazione = risposta.indexOf("\r\n\r\n");
    if (fineIntestazione < 0)
        return std::nullopt;
    // Every line of the header block with its CR LF; the status line first.
    const QByteArrayView intestazione = QByteArrayView(risposta).first(fineIntestazione + 2);
    qsizetype inizio = intestazione.indexOf("\r\n") + 2;
    if (!Riuscita.match(QString::fromLatin1(intestazione.first(inizio - 2))).hasMatch())
        return std::nullopt;

    QList<QByteArrayView> lunghezze, codifiche;
    while (inizio < intestazione.size()) {
        const qsizetype fine = intestazione.indexOf("\r\n", inizio);
        const QByteArrayView riga = intestazione.sliced(inizio, fine - inizio);
        inizio = fine + 2;
        const qsizetype duePunti = riga.indexOf(':');
        const QByteArrayView nome = riga.first(std::max<qsizetype>(duePunti, 0));
        const QByteArrayView valore = riga.sliced(duePunti + 1).trimmed();
        if (nome.compare("Content-Length", Qt::CaseInsensitive) == 0)
            lunghezze.append(valore);
        else if (nome.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0)
            codifiche.append(valore);
    }

    const QByteArrayView dopo = QByteArrayView(risposta).sliced(fineIntestazione + 4);
    if (!codifiche.isEmpty()) {
        if (codifiche.size() > 1 || codifiche.first().compare("chunked", Qt::CaseInsensitive) != 0)
            return std::nullopt;
        return DecodificaBlocchi(dopo);
    }
    if (lunghezze.isEmpty())
        return dopo.toByteArray();
    bool ok = SoloCifre(lunghezze.first(), false);
    const qlonglong lunghezza = ok ? lunghezze.first().toLongLong(&ok) : 0;
    for (const QByteArrayView altra : lunghezze)
        ok = ok && altra == lunghezze.first();
    if (!ok || lunghezza > dopo.size())
        return std::nullopt;
    return dopo.first(lunghezza).toByteArray();
}

QString MotivoRisposta(const QByteArray &risposta)
{
    static const QRegularExpression Stato(QStringLiteral("\\AHTTP/1\\.[0-9] ([0-9]{3})[ \\r]"));
    const QRegularExpressionMatch stato = Stato.match(QString::fromLatin1(risposta.left(20)));
    if (stato.hasMatch() && !stato.captured(1).startsWith(u'2'))
        return QStringLiteral("risposta HTTP ") + stato.captured(1);
    return QStringLiteral("risposta incompleta o non valida");
}
