#pragma once
// Settings files: the field reader shared by DatiIndex.cfg and fut.txt, and the
// index list built from them.
#include <QString>
#include <QStringList>
#include <QByteArray>

// Turns the bytes of a settings file into text: UTF-16 after a UTF-16 byte order mark
// (either order), UTF-8 when the bytes are valid UTF-8 (a leading BOM is dropped),
// Windows-1252 otherwise.
QString DecodificaImpostazioni(const QByteArray &byte);

// Reads fields one after the other from a settings text.
// A field ends at a comma or a line break (CR LF, CR or LF); blanks before a field
// are skipped; a field that begins with a double quote runs to the next double quote
// (commas allowed inside) and whatever follows the closing quote up to the next
// comma or line break is skipped.
class LettoreCampi {
public:
    explicit LettoreCampi(const QString &testo);
    // True when no field is left. Trailing blanks and empty lines count as the end,
    // so a file that ends in empty lines yields no bogus empty record.
    bool Fine() const;
    // The next field; empty text when the end has been reached.
    QString LeggiCampo();
private:
    QString Testo;
    qsizetype Pos = 0;
    // First position at or after Pos holding neither a blank nor a line break
    // (-1: not looked for yet). Kept so that long runs of empty lines are scanned once.
    mutable qsizetype ProssimoDato = -1;
};

struct ListaIndici {
    QStringList Nomi;      // List1
    QStringList Simboli;   // List2
    bool ConFutures = false;
    QString CodiceFutures; // first field of fut.txt, when present
};

// Name of the futures entry of the index list.
inline const QString NomeFutures = QStringLiteral("Fut\u00f9res");

// Builds the index list from the text of fut.txt (absent when futTesto is null)
// and the text of DatiIndex.cfg: the futures entry first, then one entry per
// record. A last record without its symbol is dropped.
ListaIndici CostruisciLista(const QString *futTesto, const QString &datiTesto);

// The argument text of the process: the arguments after the program's name,
// joined by single blanks ("" when there is none).
QString TestoArgomenti(const QStringList &argomentiProcesso);

// The list position selected by the argument text: 1 for "1", 2 for "2", -1 otherwise.
int PosizioneDaArgomento(const QString &argomento);
