#pragma once
// The two HTTP messages of a transfer: the request the program sends and the rule that
// takes the body out of the answer. Both transfers (quote page, futures code) use them.
#include <QByteArray>
#include <QString>
#include <optional>

// The five CR LF terminated request lines: GET, Host, Connection, Accept, empty;
// one byte per character.
QByteArray TestoRichiesta(const QString &percorso, const QString &host);

// The body of a whole answer, received up to the server's orderly close; nothing when
// the answer is not one to use. An answer is used only when
// - its first line is a status line "HTTP/1.x 2xx" (any other status, or none: nothing);
// - its header block ends with CR LF CR LF;
// - with "Transfer-Encoding: chunked" the chunked body decodes: sizes in hex, anything
//   after ';' on a size line ignored, each chunk followed by CR LF, the final 0 chunk and
//   the blank line after its trailer lines present; the body is the chunks joined. Any
//   other transfer coding, or a malformed chunk, gives nothing;
// - otherwise with "Content-Length" the body holds at least that many bytes; the body is
//   that many bytes, any beyond are ignored. A length that is not digits, or two lengths
//   that differ, give nothing;
// - with neither header the body is everything after the header block.
std::optional<QByteArray> CorpoRisposta(const QByteArray &risposta);

// Why CorpoRisposta refused an answer, in the words the user reads: "risposta HTTP 503"
// for a whole status line of another status, else "risposta incompleta o non valida".
QString MotivoRisposta(const QByteArray &risposta);
