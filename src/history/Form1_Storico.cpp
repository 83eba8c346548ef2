// History file and chart of the main window.
#include <QAction>
#include <QChartView>
#include <QDate>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QValueAxis>

#include "history/FileStorico.h"
#include "history/Storico.h"
#include "platform/Ambiente.h"
#include "platform/Desktop.h"
#include "ui/Form1.h"

namespace {
const QString SalvaOn = QStringLiteral("Salva ON");
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
        AccodaRecord(FileStorico(), record, nullptr);
    }
    UltimaVariazione = Text3->text();
}

void Form1::Command1_Click()
{
    MSChart1->setToolTip(QString());
    NumeroPunti = 0;
    QByteArray contenuto;
    // A missing or unreadable file leaves the chart with its placeholder alone.
    const PuntiGrafico punti = LeggiFile(FileStorico(), &contenuto)
                                   ? CalcolaPunti(contenuto, TestoData(QDate::currentDate()))
                                   : PuntiGrafico();
    QList<QPointF> serie;
    serie.reserve(punti.Valori.size() + 1);
    serie.append(SerieGrafico()->at(0));
    double minimo = serie.first().y();
    double massimo = minimo;
    for (qsizetype i = 0; i < punti.Valori.size(); ++i) {
        serie.append(QPointF(double(i + 2), punti.Valori[i]));
        minimo = std::min(minimo, punti.Valori[i]);
        massimo = std::max(massimo, punti.Valori[i]);
        RigheGrafico[i + 1] = punti.Righe[i];
    }
    NumeroPunti = int(punti.Valori.size());
    // One replace redraws once, however many points there are.
    SerieGrafico()->replace(serie);
    if (punti.Colore != 0) {
        QPen penna = SerieGrafico()->pen();
        penna.setColor(punti.Colore == 1 ? QColor(255, 0, 0) : QColor(0, 100, 50));
        SerieGrafico()->setPen(penna);
        SerieGrafico()->setColor(penna.color());
    }
    const double margine = std::max(0.05, (massimo - minimo) * 0.1);
    assex_->setRange(1, std::max(2, NumeroPunti + 1));
    assex_->setTickInterval(std::max(1, NumeroPunti / 5));
    assey_->setRange(minimo - margine, massimo + margine);
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
    if (!SvuotaFile(FileStorico(), &errore))
        desktop.showError(this, QStringLiteral("Eliminazione File"), errore);
}
