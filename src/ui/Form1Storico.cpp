// History file and chart of the main window.
#include <QAction>
#include <QCheckBox>
#include <QDate>
#include <QLineEdit>
#include <QMenu>

#include "history/CodaStorico.h"
#include "history/Storico.h"
#include "platform/Ambiente.h"
#include "platform/Desktop.h"
#include "platform/FileSistema.h"
#include "ui/Form1.h"
#include "ui/GraficoIndice.h"

namespace {
const QString SalvaOn = QStringLiteral("Salva ON");
} // namespace

QString Form1::FileStorico() const
{
    return platform::appFile(NomeFileStorico(NomeIndice));
}

void Form1::AccodaStorico()
{
    if (salvataggio->title() == SalvaOn && Text3->text() != UltimaVariazione
        && !Text2->text().trimmed().isEmpty()) {
        const QByteArray record =
            ScriviRecord(Text1->text().trimmed(), Text4->text().trimmed(),
                         Text3->text().trimmed(), Text2->text().trimmed(),
                         TestoData(QDate::currentDate()));
        if (!CodaRecord) {
            CodaRecord = new CodaStorico(this);
            connect(CodaRecord, &CodaStorico::Esito, this, &Form1::StoricoScritto);
        }
        CodaRecord->Accoda(FileStorico(), record);
    }
    UltimaVariazione = Text3->text();
}

void Form1::StoricoScritto(bool scritto, const QString &errore, bool rinviato)
{
    // Told once per run of failures, without stopping the polls; the record is lost.
    if (!scritto && !StoricoInErrore)
        desktop_.notify(QStringLiteral("Quotaro: lettura non salvata"), errore);
    StoricoInErrore = !scritto;
    // A record that waited for another instance's lock joins the chart now.
    if (scritto && rinviato && Check1->isChecked())
        Command1_Click();
}

void Form1::Command1_Click()
{
    MSChart1->setToolTip(QString());
    MSChart1->Ricostruisci(FileStorico(), TestoData(QDate::currentDate()));
}

void Form1::Aggiorna_Click()
{
    // Asked for by hand: read the whole file, whatever was done to it since.
    MSChart1->Dimentica();
    Command1_Click();
}

void Form1::MSChart1_PointSelected(int riga)
{
    MSChart1->setToolTip(MSChart1->Riga(riga));
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
    // The editor is given a file that exists, even before the first record.
    platform::createIfMissing(percorso);
    QString errore;
    if (!desktop_.startProgram(platform::editorProgram(), {percorso}, &errore))
        desktop_.showError(this, QStringLiteral("Apri File"),
                           QStringLiteral("Impossibile aprire il file \"%1\" con l'editor \"%2\": %3")
                               .arg(percorso, platform::editorProgram(), errore));
}

void Form1::CancellaFile_Click()
{
    if (!desktop_.askYesNo(this, QStringLiteral("Eliminazione File"),
                           QStringLiteral("Vuoi veramente cancellare il file del grafico ?")))
        return;
    QString errore;
    MSChart1->Dimentica();
    if (!platform::recreateEmpty(FileStorico(), &errore))
        desktop_.showError(this, QStringLiteral("Eliminazione File"), errore);
}
