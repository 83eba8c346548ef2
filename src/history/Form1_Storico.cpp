// History file and chart of the main window.
#include <QAction>
#include <QChartView>
#include <QDate>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QValueAxis>

#include "platform/FileSistema.h"
#include "history/Storico.h"
#include "platform/Ambiente.h"
#include "platform/Desktop.h"
#include "ui/Form1.h"

namespace {
const QString SalvaOn = QStringLiteral("Salva ON");
constexpr int MassimoPuntiConSegni = 500;
} // namespace

QString Form1::FileStorico() const
{
    return platform::appFile(NomeFileStorico(Titolo->text()));
}

void Form1::AccodaStorico()
{
    if (salvataggio->title() == SalvaOn && Text3->text() != UltimaVariazione
        && !Text2->text().trimmed().isEmpty()) {
        const QByteArray record =
            ScriviRecord(Text1->text().trimmed(), Text4->text().trimmed(),
                         Text3->text().trimmed(), Text2->text().trimmed(),
                         TestoData(QDate::currentDate()));
        // A record that cannot be written is lost; the poll goes on.
        platform::appendRecord(FileStorico(), record, nullptr);
    }
    UltimaVariazione = Text3->text();
}

void Form1::Command1_Click()
{
    MSChart1->setToolTip(QString());
    NumeroPunti = 0;
    // A missing or unreadable file leaves the chart with its placeholder alone. After a
    // poll only the records appended since the previous rebuild are read.
    PuntiGrafico punti;
    LettoreGrafico.Leggi(FileStorico(), TestoData(QDate::currentDate()), &punti);
    // Point k + 1 is the k-th record; the shown points are compared on the way, so that a
    // rebuild that brings nothing new costs no list of 22,000 points.
    const QList<QPointF> mostrati = SerieGrafico()->points();
    const QPointF segnaposto = mostrati.first();
    bool nuoviPunti = mostrati.size() != punti.Valori.size() + 1;
    double minimo = segnaposto.y();
    double massimo = minimo;
    for (qsizetype i = 0; i < punti.Valori.size(); ++i) {
        const double valore = punti.Valori[i];
        minimo = std::min(minimo, valore);
        massimo = std::max(massimo, valore);
        if (!nuoviPunti)
            nuoviPunti = mostrati[i + 1].x() != double(i + 2) || mostrati[i + 1].y() != valore;
        if (!RigheGrafico[i + 1].isSharedWith(punti.Righe[i]))
            RigheGrafico[i + 1] = punti.Righe[i];
    }
    NumeroPunti = int(punti.Valori.size());

    // Each change of the points, the colour or an axis range lays all points out again,
    // which costs milliseconds at 22,000 points: change only what differs, and when more
    // than one thing does, make the other changes while the series holds one point.
    const QColor colore = punti.Colore == 1 ? QColor(255, 0, 0) : QColor(0, 100, 50);
    const bool nuovoColore = punti.Colore != 0 && SerieGrafico()->pen().color() != colore;
    const double margine = std::max(0.05, (massimo - minimo) * 0.1);
    const double fineX = std::max(2, NumeroPunti + 1);
    const double minimoY = minimo - margine;
    const double massimoY = massimo + margine;
    const bool nuovaX = assex_->min() != 1 || assex_->max() != fineX;
    const bool nuovaY = assey_->min() != minimoY || assey_->max() != massimoY;
    // Markers help to pick a point while there are few; with more points than pixels
    // they only blur the line and make every repaint draw thousands of circles.
    const bool segni = NumeroPunti <= MassimoPuntiConSegni;
    if (SerieGrafico()->pointsVisible() != segni) {
        SerieGrafico()->replace(QList<QPointF>{segnaposto});
        SerieGrafico()->setPointsVisible(segni);
        nuoviPunti = true;
    }
    if (int(nuoviPunti) + int(nuovoColore) + int(nuovaX) + int(nuovaY) > 1) {
        SerieGrafico()->replace(QList<QPointF>{segnaposto});
        nuoviPunti = true;
    }
    if (nuovoColore) {
        QPen penna = SerieGrafico()->pen();
        penna.setColor(colore);
        SerieGrafico()->setPen(penna);
        SerieGrafico()->setColor(colore);
    }
    // The axis lays out a label per tick: never pass through a state with the new range
    // and the old interval (thousands of ticks when the points jump from few to many).
    const double passoX = std::max(1, NumeroPunti / 5);
    if (passoX > assex_->tickInterval()) {
        assex_->setTickInterval(passoX);
        assex_->setRange(1, fineX);
    } else {
        assex_->setRange(1, fineX);
        assex_->setTickInterval(passoX);
    }
    assey_->setRange(minimoY, massimoY);
    if (nuoviPunti) {
        QList<QPointF> serie;
        serie.reserve(punti.Valori.size() + 1);
        serie.append(segnaposto);
        for (qsizetype i = 0; i < punti.Valori.size(); ++i)
            serie.append(QPointF(double(i + 2), punti.Valori[i]));
        SerieGrafico()->replace(serie);
    }
}

void Form1::Aggiorna_Click()
{
    // Asked for by hand: read the whole file, whatever was done to it since.
    LettoreGrafico.Dimentica();
    Command1_Click();
}

void Form1::MSChart1_PointSelected(int riga)
{
    const int indice = riga - 1;
    if (indice < 0 || indice > NumeroPunti)
        return;
    MSChart1->setToolTip(RigheGrafico[indice]);
}

void Form1::salva_Click()
{
    salvataggio->setTitle(SalvaOn);
}

void Form1::nonsalva_Click()
{
    salvataggio->setTitle(QStringLiteral("Salva Off"));
}

void Form1::ApriFile_Click()
{
    const QString percorso = FileStorico();
    QString errore;
    if (!platform::Desktop::instance().startProgram(platform::editorProgram(), {percorso}, &errore))
        platform::Desktop::instance().showError(
            this, QStringLiteral("Apri File"),
            QStringLiteral("Impossibile aprire il file \"%1\" con l'editor \"%2\": %3")
                .arg(percorso, platform::editorProgram(), errore));
}

void Form1::CancellaFile_Click()
{
    platform::Desktop &desktop = platform::Desktop::instance();
    if (!desktop.askYesNo(this, QStringLiteral("Eliminazione File"),
                          QStringLiteral("Vuoi veramente cancellare il file del grafico ?")))
        return;
    QString errore;
    LettoreGrafico.Dimentica();
    if (!platform::recreateEmpty(FileStorico(), &errore))
        desktop.showError(this, QStringLiteral("Eliminazione File"), errore);
}
