// The quote poll of the main window: tick, answer, update.
#include <QCheckBox>
#include <QLineEdit>

#include "platform/Ambiente.h"
#include "quote/Quotazione.h"
#include "quote/TrasferimentoHttp.h"
#include "ui/Controlli.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Layout.h"

void Form1::Timer2_Timer()
{
    // A tick abandons any answer still under way.
    WscHttp->Avvia(platform::quoteServer(), PercorsoQuotazione(Simbolo));
}

void Form1::WscHttp_Close(const QString &corpo)
{
    AggiornaQuotazione(EstraiQuotazione(corpo));
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
