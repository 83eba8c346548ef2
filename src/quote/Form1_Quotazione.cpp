// The quote poll of the main window: tick, request, answer, update.
#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>

#include "platform/Ambiente.h"
#include "platform/SocketControl.h"
#include "quote/Quotazione.h"
#include "ui/Controlli.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Layout.h"

void Form1::Timer2_Timer()
{
    // A tick abandons any answer still under way.
    BufferRisposta.clear();
    PercorsoRichiesta = PercorsoQuotazione(Simbolo);
    const platform::ServerAddress server = platform::quoteServer();
    HostQuotazioni = server.host;
    WscHttp->Close();
    WscHttp->Connect(HostQuotazioni, server.port);
}

void Form1::WscHttp_Connect()
{
    WscHttp->SendData(TestoRichiesta(PercorsoRichiesta, HostQuotazioni));
}

void Form1::WscHttp_DataArrival()
{
    RiceviDati(WscHttp, BufferRisposta);
}

void Form1::RiceviDati(platform::SocketControl *socket, QString &buffer)
{
    const QByteArray dati = socket->GetData();
    if (buffer.size() + dati.size() > LimiteRisposta) {
        // No answer of ours is this long: drop it rather than grow without end.
        socket->Close();
        buffer.clear();
        return;
    }
    buffer += QString::fromLatin1(dati);
}

void Form1::WscHttp_Close()
{
    AggiornaQuotazione(EstraiQuotazione(BufferRisposta));
}

void Form1::AggiornaQuotazione(const Quotazione &q)
{
    Text1->setText(QStringLiteral(" ") + q.Ora);
    Text2->setText(QStringLiteral(" ") + q.Valore);
    Text3->setText(q.Variazione + QStringLiteral(" %"));
    Text4->setText(QStringLiteral(" ") + q.Chiusura);

    const bool ribasso = InRibasso(Text4->text(), Text2->text());
    Text3->setText((ribasso ? QStringLiteral("- ") : QStringLiteral("+ ")) + Text3->text());
    for (QLineEdit *casella : {Text3, Text2, Text4, Text1})
        ImpostaSfondo(casella, ribasso ? ColoreRibasso : ColoreRialzo);

    Form2 &ridotta = FinestraRidotta();
    const QLineEdit *principali[] = {Text1, Text2, Text3, Text4};
    QLineEdit *copie[] = {ridotta.Text1, ridotta.Text2, ridotta.Text3, ridotta.Text4};
    for (int i = 0; i < 4; ++i)
        copie[i]->setText(principali[i]->text());
    for (int i = 0; i < 4; ++i)
        ImpostaSfondo(copie[i], Sfondo(principali[i]));

    const PosizioniBarre barre = PassoBarre(SinistraTwips(Shape1), SinistraTwips(ridotta.Shape2));
    SpostaSinistra(Shape1, barre.Barra1);
    SpostaSinistra(ridotta.Shape2, barre.Barra2);

    AccodaStorico();
    if (Check1->isChecked())
        Command1_Click();
}
