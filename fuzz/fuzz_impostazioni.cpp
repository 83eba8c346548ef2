// Settings files: the decoder, the field reader and the index list.
// Input: the bytes of DatiIndex.cfg; when they hold a line "===", the bytes before it
// are fut.txt and the bytes after it DatiIndex.cfg.
#include <cstddef>
#include <cstdint>

#include "Proprieta.h"
#include "shell/Impostazioni.h"

namespace {

void CheckReader(const QString &text)
{
    LettoreCampi reader(text);
    qsizetype fields = 0;
    qsizetype characters = 0;
    while (!reader.Fine()) {
        const QString field = reader.LeggiCampo();
        characters += field.size();
        ++fields;
        // Every field consumes at least one character of the text.
        REQUIRE(fields <= text.size());
        REQUIRE(characters <= text.size());
    }
    // Past the end the reader stays empty.
    REQUIRE(reader.LeggiCampo().isEmpty());
    REQUIRE(reader.Fine());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                     qsizetype(size));
    const qsizetype split = input.indexOf("\n===\n");
    const bool withFut = split >= 0;
    const QByteArray futBytes = withFut ? input.left(split) : QByteArray();
    const QByteArray settingsBytes = withFut ? input.mid(split + 5) : input;

    const QString futText = DecodificaImpostazioni(futBytes);
    const QString settingsText = DecodificaImpostazioni(settingsBytes);
    // UTF-8 never yields more UTF-16 units than bytes; Windows-1252 yields one per byte.
    REQUIRE(futText.size() <= futBytes.size());
    REQUIRE(settingsText.size() <= settingsBytes.size());

    CheckReader(futText);
    CheckReader(settingsText);

    const ListaIndici list = CostruisciLista(withFut ? &futText : nullptr, settingsText);
    REQUIRE(list.Nomi.size() == list.Simboli.size());
    REQUIRE(list.ConFutures == withFut);
    if (withFut) {
        REQUIRE(!list.Nomi.isEmpty());
        REQUIRE(list.Nomi.first() == NomeFutures);
        REQUIRE(list.Simboli.first() == list.CodiceFutures);
    }
    // Each record of DatiIndex.cfg takes two fields, so two characters at least.
    REQUIRE(list.Nomi.size() - (withFut ? 1 : 0) <= settingsText.size() / 2 + 1);

    // The command line reader takes any text.
    const int position = PosizioneDaArgomento(settingsText);
    REQUIRE(position == -1 || position == 1 || position == 2);
    return 0;
}
