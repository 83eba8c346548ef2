// The quote poll of the main window: tick, answer, update, and what the user is told
// of the feed (no answer, stale values, a closed market).
#include <QCheckBox>
#include <QLineEdit>

#include "market/Calendario.h"
#include "platform/Ambiente.h"
#include "platform/Desktop.h"
#include "quote/Quotazione.h"
#include "quote/TrasferimentoHttp.h"
#include "shell/Impostazioni.h"
#include "ui/Controlli.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Layout.h"

void Form1::Timer2_Timer()
{
    // An answer still under way at the next tick did not come in time.
    if (WscHttp->InCorso())
        QuotazioneFallita(QStringLiteral("nessuna risposta in tempo"));
    const platform::ServerAddress server = platform::quoteServer();
    if (const QString rifiuto = ServerNonFidato(server); !rifiuto.isEmpty()) {
        WscHttp->Abbandona();
        QuotazioneFallita(rifiuto);
        return;
    }
    // A tick abandons any answer still under way.
    WscHttp->Avvia(server, PercorsoQuotazione(Simbolo));
}

void Form1::WscHttp_Close(const QString &corpo)
{
    const Quotazione q = EstraiQuotazione(corpo);
    // Known fresh or not before the update, whose alerts stay quiet on stale values.
    if (!q.Valore.isEmpty())
        Stato.Riuscita(platform::now(), q.Ora);
    AggiornaQuotazione(q);
    if (q.Valore.isEmpty())
        return QuotazioneFallita(QStringLiteral("pagina senza quotazione"));
    MostraStato();
    RichiediFuturesSeServe();
}

void Form1::AggiornaQuotazione(const Quotazione &q)
{
    MostraTesto(Text1, QStringLiteral(" ") + q.Ora);
    MostraTesto(Text2, QStringLiteral(" ") + q.Valore);
    MostraTesto(Text3, q.Variazione + QStringLiteral(" %"));
    MostraTesto(Text4, QStringLiteral(" ") + q.Chiusura);

    // A price that is no number gives neither sign nor colour: the step is left out.
    if (const std::optional<bool> ribasso = InRibasso(Text4->text(), Text2->text())) {
        MostraTesto(Text3, (*ribasso ? QStringLiteral("- ") : QStringLiteral("+ ")) + Text3->text());
        for (QLineEdit *casella : {Text3, Text2, Text4, Text1})
            ImpostaSfondo(casella, *ribasso ? ColoreRibasso : ColoreRialzo);
    }

    Form2 &ridotta = FinestraRidotta();
    ridotta.CopiaValori({Text1, Text2, Text3, Text4});

    const PosizioniBarre barre = PassoBarre(SinistraTwips(Shape1), ridotta.SinistraBarra());
    SpostaSinistra(Shape1, barre.Barra1);
    ridotta.SpostaBarra(barre.Barra2);

    AccodaStorico();
    ControllaAvvisi();
    if (Check1->isChecked())
        Command1_Click();
}

void Form1::QuotazioneFallita(const QString &motivo)
{
    const platform::ServerAddress server = platform::quoteServer();
    if (Stato.Fallita(platform::now(), motivo))
        desktop_.notify(QStringLiteral("Quotaro"), AvvisoNessunaQuotazione(server.text(), motivo));
    AvviaServerLocale(server, motivo);
    MostraStato();
}

QString Form1::ServerNonFidato(const platform::ServerAddress &server) const
{
    if (!server.builtIn)
        return {};
    const std::optional<uint> altro = platform::foreignListener(server.port);
    return altro ? QStringLiteral("la porta %1 è di un altro utente (uid %2)").arg(server.port).arg(*altro) : QString();
}

void Form1::AvviaServerLocale(const platform::ServerAddress &server, const QString &motivo)
{
    const QDateTime adesso = platform::now();
    if (!server.builtIn || motivo != MotivoRifiutata
        || (UltimoAvvioServer.isValid() && UltimoAvvioServer.secsTo(adesso) < 60))
        return;
    const QString programma = platform::localServerProgram();
    if (programma.isEmpty())
        return;
    UltimoAvvioServer = adesso;
    // It ends by itself after ten minutes without a request.
    desktop_.startProgram(programma, {QStringLiteral("--feed"), QStringLiteral("live"),
                                      QStringLiteral("--idle-exit"), QStringLiteral("600")});
}

market::StatoDati Form1::StatoAttuale() const
{
    return market::ValutaDati(platform::now(),
                              NomeIndice == NomeFutures ? market::Mercato::Futures : market::Mercato::Indice,
                              Stato.UltimoCambio, Stato.Fallimenti);
}

void Form1::MostraStato()
{
    const market::StatoDati stato = StatoAttuale();
    const bool fermi = stato == market::StatoDati::Fermi;
    // The look changes only here (a new background keeps it); the strip, once it exists,
    // copies it when it changes, and with every reading anyway.
    if (Fermo(Text1) != fermi) {
        for (QLineEdit *casella : {Text1, Text2, Text3, Text4})
            MostraFermo(casella, fermi);
        if (form2_)
            form2_->CopiaValori({Text1, Text2, Text3, Text4});
    }
    SuggerimentoDati = SuggerimentoQuotazioni(Stato, fermi, stato == market::StatoDati::MercatoChiuso,
                                              platform::quoteServer().text());
    AggiornaSuggerimenti();
}

void Form1::AggiornaSuggerimenti()
{
    QStringList parti{SuggerimentoDati, SuggerimentoAvvisi};
    parti.removeAll(QString());
    const QString note = parti.join(u'\n');
    for (QLineEdit *casella : {Text1, Text2, Text3, Text4})
        casella->setToolTip(note);
    if (form2_)
        form2_->ImpostaSuggerimento(note);
}
