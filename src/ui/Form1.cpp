#include "ui/Form1.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include "platform/Ambiente.h"
#include "platform/Desktop.h"
#include "platform/Finestre.h"
#include "quote/TrasferimentoHttp.h"
#include "ui/Controlli.h"
#include "ui/Form2.h"
#include "ui/Form3.h"
#include "ui/Form4.h"
#include "ui/GraficoIndice.h"
#include "ui/Layout.h"

// The poll interval of a speed, unless a test run asked for its own.
static int IntervalloPolling(int intervallo)
{
    const int richiesto = platform::pollIntervalOverride();
    return richiesto > 0 ? richiesto : intervallo;
}

// The icons live in the window library, which is linked statically.
static void CaricaRisorse()
{
    Q_INIT_RESOURCE(quotaro);
}

Form1::Form1(platform::Desktop &desktop, const QString &argomento, QWidget *parent)
    : QMainWindow(parent), desktop_(desktop), ArgomentoComando(argomento)
{
    CaricaRisorse();
    setWindowTitle(QStringLiteral("Indici by ") + Credito);
    setWindowIcon(QIcon(QStringLiteral(":/icone/quotaro.png")));
    setFont(Carattere(8.25, false));
    setCentralWidget(new QWidget(this));
    CreaControlli();
    CreaMenu();
    CollegaEventi();
    // Fixed single border: the client area keeps its design size.
    setFixedSize(platform::px(LarghezzaForm1), platform::px(AltezzaForm1) + menuBar()->sizeHint().height());
}

Form1::~Form1()
{
    delete form2_;
    delete form3_;
    delete form4_;
}

void Form1::CreaControlli()
{
    QWidget *area = centralWidget();
    Label1 = new IntestazioneColonne(
        QStringLiteral(" Ora Att.   Chiusura     Variazione   Valore Att.  "), area);
    Label1->setToolTip(QStringLiteral("Indici by ") + Credito);
    Label1->setFont(Carattere(8.25, true));
    Label1->setFrameShape(QFrame::Box);
    ImpostaSfondo(Label1, QColor(192, 192, 255));
    Posiziona(Label1, 90, 45, 4020, 285);

    Label2 = new QLabel(area);
    Label2->setFrameShape(QFrame::Box);
    ImpostaSfondo(Label2, QColor(0, 192, 192));
    Posiziona(Label2, 4170, 45, 2055, 285);

    Check1 = new QCheckBox(QStringLiteral("Auto"), area);
    ImpostaSfondoCasella(Check1, QColor(0, 192, 192));
    Check1->setChecked(true);
    Posiziona(Check1, 4260, 90, 810, 210);

    Check2 = new QCheckBox(QStringLiteral("On Top"), area);
    ImpostaSfondoCasella(Check2, QColor(0, 192, 192));
    Posiziona(Check2, 5160, 90, 915, 195);
    Check1->setAccessibleDescription(QStringLiteral("Ridisegna il grafico a ogni lettura"));
    Check2->setAccessibleDescription(QStringLiteral("Tiene la finestra sopra le altre"));

    Shape1 = CreaRettangolo(area, QColor(0, 0, 255));
    Posiziona(Shape1, 90, 330, 240, 75);

    Text1 = CreaCasella(area, 9.75);
    Posiziona(Text1, 90, 405, 780, 315);
    Text4 = CreaCasella(area, 9.75);
    Posiziona(Text4, 900, 405, 1095, 315);
    Text3 = CreaCasella(area, 9.75);
    Posiziona(Text3, 2025, 405, 1005, 300);
    Text2 = CreaCasella(area, 9.75);
    Posiziona(Text2, 3060, 405, 1050, 315);
    // The value box takes the white of the desktop it was designed on, so the four boxes
    // look alike before any reading, whatever the desktop's colours.
    for (QLineEdit *casella : {Text1, Text4, Text3, Text2})
        ImpostaSfondo(casella, QColor(255, 255, 255));
    Label1->Allinea({Text1, Text4, Text3, Text2});
    NominaColonne({Text1, Text4, Text3, Text2});

    Check3 = new QCheckBox(QStringLiteral("Attiva Voce"), area);
    Check3->setToolTip(QStringLiteral("Attiva - Disattiva voce"));
    Posiziona(Check3, 4260, 420, 1185, 255);

    Command3 = new QPushButton(QStringLiteral("Nuove"), area);
    Command3->setToolTip(QStringLiteral("Apre le finestre Nasdaq - Dow Jones"));
    Posiziona(Command3, 5520, 405, 720, 285);

    MSChart1 = new GraficoIndice(area);
    Posiziona(MSChart1, 90, 765, 6195, 2580);

    List1 = new QListWidget(area);
    Posiziona(List1, 90, 45, 1140, 255);
    // The desktop's scroll-bar colour, with the desktop's text colour for it.
    QPalette colori = List1->palette();
    colori.setColor(QPalette::Base, colori.color(QPalette::Button));
    colori.setColor(QPalette::Text, colori.color(QPalette::ButtonText));
    List1->setPalette(colori);
    List1->setAccessibleName(QStringLiteral("Indici"));
    List1->setAccessibleDescription(QStringLiteral("Indice da seguire: frecce e Invio per sceglierlo"));
    List1->hide();
    List2 = new QListWidget(area);
    Posiziona(List2, 2835, 1935, 960, 255);
    List2->hide();

    WscHttp = new TrasferimentoHttp(this);
    Winsock1 = new TrasferimentoHttp(this);
    Timer2 = new QTimer(this);
    Timer2->setInterval(IntervalloPolling(IntervalloLento));
    TimerVoce = new QTimer(this);
    TimerVoce->setInterval(IntervalloVoce);
    TimerVoce->start();

    OrdineTab({Text1, Text2, Text3, Text4, MSChart1, Check1, Check2, Command3, List1, List2, Check3});
    // Names by which tests and accessibility tools find the controls.
    NominaControlli({{Label1, "Label1"}, {Label2, "Label2"}, {Check1, "Check1"},
                           {Check2, "Check2"}, {Check3, "Check3"}, {Shape1, "Shape1"},
                           {Text1, "Text1"}, {Text2, "Text2"}, {Text3, "Text3"}, {Text4, "Text4"},
                           {Command3, "Command3"}, {MSChart1, "MSChart1"}, {List1, "List1"},
                           {List2, "List2"}, {Timer2, "Timer2"}, {TimerVoce, "TimerVoce"}});
}

void Form1::CreaMenu()
{
    QMenuBar *barra = menuBar();
    // Narrow items, so the whole bar fits the fixed width of the window; the item the
    // keyboard or the pointer is on is lit, also before a drop-down opens.
    barra->setStyleSheet(QStringLiteral(
        "QMenuBar::item { padding: 2px 4px; }"
        "QMenuBar::item:selected:enabled { background: palette(highlight); color: palette(highlighted-text); }"));
    AggiungiSpaziatore(barra);
    Titolo = barra->addAction(QStringLiteral("Indice"));
    AggiungiSpaziatore(barra);
    Titolo2 = barra->addAction(QStringLiteral("Avvia"));
    AggiungiSpaziatore(barra);
    velocita = barra->addMenu(QStringLiteral("56K"));
    basso = velocita->addAction(QStringLiteral("56K"));
    veloce = velocita->addAction(QStringLiteral("Adsl"));
    AggiungiSpaziatore(barra);
    TopBar = barra->addAction(QStringLiteral("Top ^ "));
    AggiungiSpaziatore(barra);
    salvataggio = barra->addMenu(QStringLiteral("Salva ON"));
    salva = salvataggio->addAction(QStringLiteral("ON"));
    nonsalva = salvataggio->addAction(QStringLiteral("Off"));
    AggiungiSpaziatore(barra);
    FileGrafico = barra->addMenu(QStringLiteral("Grafico"));
    Aggiorna = FileGrafico->addAction(QStringLiteral("Aggiorna"));
    ApriFile = FileGrafico->addAction(QStringLiteral("Apri File"));
    CancellaFile = FileGrafico->addAction(QStringLiteral("Cancella File"));
    AggiungiSpaziatore(barra);
    HomePage = barra->addAction(QStringLiteral("Home"));
    // The drop-down menus speak in the window's font, as the bar does.
    for (QMenu *menu : {velocita, salvataggio, FileGrafico})
        menu->setFont(font());
    NominaControlli({{Titolo, "Titolo"}, {Titolo2, "Titolo2"}, {velocita, "velocita"},
                           {basso, "basso"}, {veloce, "veloce"}, {TopBar, "TopBar"},
                           {salvataggio, "salvataggio"}, {salva, "salva"}, {nonsalva, "nonsalva"},
                           {FileGrafico, "FileGrafico"}, {Aggiorna, "Aggiorna"}, {ApriFile, "ApriFile"},
                           {CancellaFile, "CancellaFile"}, {HomePage, "HomePage"}});
}

void Form1::CollegaEventi()
{
    connect(Titolo, &QAction::triggered, this, &Form1::Titolo_Click);
    // A click, or the arrow keys and Enter, choose an index.
    connect(List1, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *voce) { List1_Click(List1->row(voce)); });
    connect(List1, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *voce) { List1_Click(List1->row(voce)); });
    connect(Titolo2, &QAction::triggered, this, &Form1::Titolo2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Timer2, &QTimer::timeout, this, &Form1::Timer2_Timer);
    connect(WscHttp, &TrasferimentoHttp::Chiusa, this, &Form1::WscHttp_Close);
    connect(WscHttp, &TrasferimentoHttp::Fallita, this, &Form1::QuotazioneFallita);
    connect(Aggiorna, &QAction::triggered, this, &Form1::Aggiorna_Click);
    connect(MSChart1, &GraficoIndice::PuntoSelezionato, this, &Form1::MSChart1_PointSelected);
    connect(salva, &QAction::triggered, this, &Form1::salva_Click);
    connect(nonsalva, &QAction::triggered, this, &Form1::nonsalva_Click);
    connect(ApriFile, &QAction::triggered, this, &Form1::ApriFile_Click);
    connect(CancellaFile, &QAction::triggered, this, &Form1::CancellaFile_Click);
    connect(TimerVoce, &QTimer::timeout, this, &Form1::TimerVoce_Timer);
    connect(Check3, &QCheckBox::clicked, this, &Form1::Check3_Click);
    connect(Winsock1, &TrasferimentoHttp::Chiusa, this, &Form1::Winsock1_Close);
    connect(Winsock1, &TrasferimentoHttp::Fallita, this, &Form1::Winsock1_Fallita);
    connect(Check2, &QCheckBox::clicked, this, &Form1::Check2_Click);
    connect(TopBar, &QAction::triggered, this, &Form1::TopBar_Click);
    connect(basso, &QAction::triggered, this, &Form1::basso_Click);
    connect(veloce, &QAction::triggered, this, &Form1::veloce_Click);
    connect(HomePage, &QAction::triggered, this, &Form1::HomePage_Click);
    connect(Label1, &EtichettaCliccabile::clicked, this, &Form1::Label1_Click);
    CollegaAvvisi(this, {Text1, Text2, Text3, Text4}, [this] { ApriAvvisi(); });
}

Form2 &Form1::FinestraRidotta()
{
    if (!form2_) {
        form2_ = new Form2(desktop_, this);
        connect(form2_, &Form2::AvvisiRichiesti, this, &Form1::ApriAvvisi);
        AggiornaSuggerimenti();
    }
    return *form2_;
}

Form3 &Form1::FinestraFutures()
{
    if (!form3_) {
        form3_ = new Form3(desktop_);
        connect(form3_, &Form3::CodiceSalvato, this, &Form1::Form3_CodiceSalvato);
    }
    return *form3_;
}

void Form1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void Form1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    Form_Resize();
}

bool Form1::event(QEvent *event)
{
    // The frame is known once the window manager has framed the window, at the latest
    // when it first activates it.
    if (event->type() == QEvent::WindowActivate && CentraConCornice) {
        CentraConCornice = false;
        if (frameGeometry().size() != size())
            Centra();
    }
    return QMainWindow::event(event);
}

void Form1::Centra()
{
    platform::centreOnScreen(this);
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Closing the main window ends the instance, whatever else is shown.
    event->accept();
    QApplication::quit();
}

void Form1::Form_Resize()
{
    const double larghezza = platform::twips(centralWidget()->width()) - MargineDestroGrafico;
    const double altezza = platform::twips(centralWidget()->height()) - platform::twips(MSChart1->y())
                           - MargineBassoGrafico;
    // A minimised window has no room for the chart: leave it as it was.
    if (larghezza <= 0 || altezza <= 0)
        return;
    MSChart1->resize(platform::px(larghezza), platform::px(altezza));
}

void Form1::Check2_Click()
{
    if (Check2->checkState() == Qt::Checked)
        platform::setStaysOnTop(this, true);
    else if (Check2->checkState() == Qt::Unchecked)
        platform::setStaysOnTop(this, false);
}

void Form1::TopBar_Click()
{
    FinestraRidotta().show();
    hide();
}

void Form1::basso_Click()
{
    Timer2->setInterval(IntervalloPolling(IntervalloLento));
    velocita->setTitle(QStringLiteral("56 K"));
}

void Form1::veloce_Click()
{
    Timer2->setInterval(IntervalloPolling(IntervalloVeloce));
    velocita->setTitle(QStringLiteral("Adsl"));
}

void Form1::HomePage_Click()
{
    desktop_.startProgram(platform::browserProgram(), {IndirizzoHomePage});
}

void Form1::Label1_Click()
{
    HomePage_Click();
}
