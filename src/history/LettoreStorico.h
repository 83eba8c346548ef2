#pragma once
// Today's chart points of one history file, kept between rebuilds.
#include <QByteArray>
#include <QString>

#include <optional>

#include "history/Storico.h"
#include "platform/FileSistema.h"

// A rebuild after a poll reads only what was appended since the previous rebuild, so
// its cost does not grow with the past days in the file. The whole file is read again
// whenever that would not give the same points: another file or another day, a file
// that is missing, replaced (other inode), shorter, rewritten at the same size, or whose
// bytes just before the point reached last time are no longer the same. The result is
// what CalcolaPunti gives for the whole file; the one change it cannot see is an edit
// in place further back than those bytes in a file that also grew, which the menu
// "Aggiorna" (a whole read) shows.
class LettoreStorico {
public:
    // The points of the file at percorso for the date text oggi; false, with no
    // points, when the file is missing, unreadable or not a plain file.
    bool Leggi(const QString &percorso, const QString &oggi, PuntiGrafico *punti);

    // The next Leggi reads the whole file.
    void Dimentica();

    // What the last Leggi did: whether it read the whole file, and how many bytes.
    bool LetturaCompleta() const { return letturaCompleta_; }
    qint64 ByteLetti() const { return byteLetti_; }

private:
    bool SoloAggiunte(const QString &percorso, const QString &oggi,
                      const platform::FileFacts &ora) const;
    bool LeggiDa(const platform::ReadOnlyFile &file, const QByteArray &controllo,
                 PuntiGrafico *coda);

    // What the file looked like when it was last read; nothing after Dimentica.
    QString percorso_;
    QString oggi_;
    std::optional<platform::FileFacts> visto_;
    // Points of the lines before fine_: complete lines, each with its line end.
    qint64 fine_ = 0;
    QByteArray controllo_;        // the last bytes before fine_, to recognise the file
    PuntiGrafico punti_;

    bool letturaCompleta_ = false;
    qint64 byteLetti_ = 0;
};
