#include "ui/Form1.h"

#include <QAction>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QValueAxis>

#include "futures/Form3.h"
#include "history/Storico.h"
#include "platform/Ambiente.h"
#include "platform/Desktop.h"
#include "platform/Finestre.h"
#include "platform/SocketControl.h"
#include "ui/Controlli.h"
#include "ui/Form2.h"
#include "ui/Layout.h"

// The poll interval of a speed, unless a test run asked for its own.
static int IntervalloPolling(int intervallo)
{
    const int richiesto = platform::pollIntervalOverride();
    return richiesto > 0 ? richiesto : intervallo;
}

// The icons live in the core library, which is linked statically.
static void CaricaRisorse()
{
    Q_INIT_RESOURCE(quotaro);
}

Form1::Form1(const QString &argomento, QWidget *parent)
    : QMainWindow(parent), RigheGrafico(MassimoPunti + 1), ArgomentoComando(argomento)
{
    CaricaRisorse();
    setWindowTitle(QStringLiteral("Indici by ") + Credito);
    setWindowIcon(QIcon(QStringLiteral(":/icone/quotaro.png")));
    setFont(Carattere(8.25, false));
    area_ = new QWidget(this);
    setCentralWidget(area_);
    CreaControlli();
    CreaGrafico();
    CreaMenu();
    CollegaEventi();
    // Fixed single border: the client area keeps its design size.
    setFixedSize(platform::px(LarghezzaForm1), platform::px(AltezzaForm1) + menuBar()->sizeHint().height());
}

Form1::~Form1()
{
    delete form2_;
    delete form3_;
}

void Form1::CreaControlli()
{
    Label1 = new EtichettaCliccabile(
        QStringLiteral(" Ora Att.   Chiusura     Variazione   Valore Att.  "), area_);
    Label1->setToolTip(QStringLiteral("Indici by ") + Credito);
    Label1->setFont(Carattere(8.25, true));
    Label1->setFrameShape(QFrame::Box);
    ImpostaSfondo(Label1, QColor(192, 192, 255));
    Posiziona(Label1, 90, 45, 4020, 285);

    Label2 = new QLabel(area_);
    Label2->setFrameShape(QFrame::Box);
    ImpostaSfondo(Label2, QColor(0, 192, 192));
    Posiziona(Label2, 4170, 45, 2055, 285);

    Check1 = new QCheckBox(QStringLiteral("Auto"), area_);
    ImpostaSfondo(Check1, QColor(0, 192, 192));
    Check1->setChecked(true);
    Posiziona(Check1, 4260, 90, 810, 210);

    Check2 = new QCheckBox(QStringLiteral("On Top"), area_);
    ImpostaSfondo(Check2, QColor(0, 192, 192));
    Posiziona(Check2, 5160, 90, 915, 195);

    Shape1 = CreaRettangolo(area_, QColor(0, 0, 255));
    Posiziona(Shape1, 90, 330, 240, 75);

    Text1 = CreaCasella(area_, 9.75);
    Posiziona(Text1, 90, 405, 780, 315);
    Text4 = CreaCasella(area_, 9.75);
    Posiziona(Text4, 900, 405, 1095, 315);
    Text3 = CreaCasella(area_, 9.75);
    Posiziona(Text3, 2025, 405, 1005, 300);
    Text2 = CreaCasella(area_, 9.75);
    Posiziona(Text2, 3060, 405, 1050, 315);
    for (QLineEdit *casella : {Text1, Text4, Text3})
        ImpostaSfondo(casella, QColor(255, 255, 255));
    ImpostaSfondo(Text2, palette().color(QPalette::Base));

    Check3 = new QCheckBox(QStringLiteral("Attiva Voce"), area_);
    Check3->setToolTip(QStringLiteral("Attiva - Disattiva voce"));
    Posiziona(Check3, 4260, 420, 1185, 255);

    Command3 = new QPushButton(QStringLiteral("Nuove"), area_);
    Command3->setToolTip(QStringLiteral("Apre le finestre Nasdaq - Dow Jones"));
    Posiziona(Command3, 5520, 405, 720, 285);

    List1 = new QListWidget(area_);
    Posiziona(List1, 90, 45, 1140, 255);
    ImpostaSfondo(List1, palette().color(QPalette::Button));
    List1->hide();
    List2 = new QListWidget(area_);
    Posiziona(List2, 2835, 1935, 960, 255);
    List2->hide();

    Command1 = new QPushButton(QStringLiteral("Grafico"), area_);
    Command1->setToolTip(QStringLiteral("Aggiorna il grafico"));
    Posiziona(Command1, 5280, 810, 870, 285);
    Command1->hide();
    Command2 = new QPushButton(QStringLiteral("Command2"), area_);
    Posiziona(Command2, 1860, 2700, 1215, 495);
    Command2->hide();

    WscHttp = new platform::SocketControl(this);
    Winsock1 = new platform::SocketControl(this);
    Timer2 = new QTimer(this);
    Timer2->setInterval(IntervalloPolling(IntervalloLento));
    TimerVoce = new QTimer(this);
    TimerVoce->setInterval(IntervalloVoce);
    TimerVoce->start();

    OrdineTab({Text1, Text2, Text3, Text4, Check1, Check2, Command3, Check3});
}

void Form1::CreaGrafico()
{
    serie_ = new QLineSeries;
    serie_->setPointsVisible(true);
    serie_->append(1, 0); // the placeholder row, never filled by a rebuild
    grafico_ = new QChart;
    grafico_->addSeries(serie_);
    grafico_->legend()->hide();
    grafico_->setMargins(QMargins(2, 2, 2, 2));
    grafico_->setBackgroundRoundness(0);
    assex_ = new QValueAxis;
    assey_ = new QValueAxis;
    assex_->setLabelFormat(QStringLiteral("%d"));
    assex_->setTickType(QValueAxis::TicksDynamic);
    assex_->setTickAnchor(1);
    assex_->setTickInterval(1);
    assey_->setLabelFormat(QStringLiteral("%.2f"));
    for (QValueAxis *asse : {assex_, assey_}) {
        asse->setLabelsFont(Carattere(7, false));
        asse->setTickCount(5);
    }
    grafico_->addAxis(assex_, Qt::AlignBottom);
    grafico_->addAxis(assey_, Qt::AlignLeft);
    serie_->attachAxis(assex_);
    serie_->attachAxis(assey_);
    assex_->setRange(1, 2);
    assey_->setRange(-1, 1);
    MSChart1 = new QChartView(grafico_, area_);
    MSChart1->setRenderHint(QPainter::Antialiasing);
    Posiziona(MSChart1, 90, 765, 6195, 2580);
}

void Form1::CreaMenu()
{
    QMenuBar *barra = menuBar();
    // Narrow items, so the whole bar fits the fixed width of the window.
    barra->setStyleSheet(QStringLiteral("QMenuBar::item { padding: 2px 4px; }"));
    auto spaziatore = [barra] {
        QAction *vuota = barra->addAction(QString());
        vuota->setEnabled(false);
    };
    spaziatore();
    Titolo = barra->addAction(QStringLiteral("Indice"));
    spaziatore();
    Titolo2 = barra->addAction(QStringLiteral("Avvia"));
    spaziatore();
    velocita = barra->addMenu(QStringLiteral("56K"));
    basso = velocita->addAction(QStringLiteral("56K"));
    veloce = velocita->addAction(QStringLiteral("Adsl"));
    spaziatore();
    TopBar = barra->addAction(QStringLiteral("Top ^ "));
    spaziatore();
    salvataggio = barra->addMenu(QStringLiteral("Salva ON"));
    salva = salvataggio->addAction(QStringLiteral("ON"));
    nonsalva = salvataggio->addAction(QStringLiteral("Off"));
    spaziatore();
    FileGrafico = barra->addMenu(QStringLiteral("Grafico"));
    Aggiorna = FileGrafico->addAction(QStringLiteral("Aggiorna"));
    ApriFile = FileGrafico->addAction(QStringLiteral("Apri File"));
    CancellaFile = FileGrafico->addAction(QStringLiteral("Cancella File"));
    spaziatore();
    HomePage = barra->addAction(QStringLiteral("Home"));
}

void Form1::CollegaEventi()
{
    connect(Titolo, &QAction::triggered, this, &Form1::Titolo_Click);
    connect(List1, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *voce) { List1_Click(List1->row(voce)); });
    connect(Titolo2, &QAction::triggered, this, &Form1::Titolo2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Timer2, &QTimer::timeout, this, &Form1::Timer2_Timer);
    connect(WscHttp, &platform::SocketControl::connected, this, &Form1::WscHttp_Connect);
    connect(WscHttp, &platform::SocketControl::dataArrived, this, &Form1::WscHttp_DataArrival);
    connect(WscHttp, &platform::SocketControl::closed, this, &Form1::WscHttp_Close);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Aggiorna, &QAction::triggered, this, &Form1::Aggiorna_Click);
    connect(serie_, &QLineSeries::clicked, this,
            [this](const QPointF &punto) { MSChart1_PointSelected(qRound(punto.x())); });
    connect(salva, &QAction::triggered, this, &Form1::salva_Click);
    connect(nonsalva, &QAction::triggered, this, &Form1::nonsalva_Click);
    connect(ApriFile, &QAction::triggered, this, &Form1::ApriFile_Click);
    connect(CancellaFile, &QAction::triggered, this, &Form1::CancellaFile_Click);
    connect(TimerVoce, &QTimer::timeout, this, &Form1::TimerVoce_Timer);
    connect(Check3, &QCheckBox::clicked, this, &Form1::Check3_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Winsock1, &platform::SocketControl::connected, this, &Form1::Winsock1_Connect);
    connect(Winsock1, &platform::SocketControl::dataArrived, this, &Form1::Winsock1_DataArrival);
    connect(Winsock1, &platform::SocketControl::closed, this, &Form1::Winsock1_Close);
    connect(Check2, &QCheckBox::clicked, this, &Form1::Check2_Click);
    connect(TopBar, &QAction::triggered, this, &Form1::TopBar_Click);
    connect(basso, &QAction::triggered, this, &Form1::basso_Click);
    connect(veloce, &QAction::triggered, this, &Form1::veloce_Click);
    connect(HomePage, &QAction::triggered, this, &Form1::HomePage_Click);
    connect(Label1, &EtichettaCliccabile::clicked, this, &Form1::Label1_Click);
}

Form2 &Form1::FinestraRidotta()
{
    if (!form2_)
        form2_ = new Form2(this);
    return *form2_;
}

Form3 &Form1::FinestraFutures()
{
    if (!form3_)
        form3_ = new Form3(this);
    return *form3_;
}

QString Form1::TooltipGrafico() const
{
    return MSChart1->toolTip();
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

void Form1::closeEvent(QCloseEvent *event)
{
    // Closing the main window ends the instance, whatever else is shown.
    event->accept();
    QApplication::quit();
}

void Form1::Form_Resize()
{
    const double larghezza = platform::twips(area_->width()) - MargineDestroGrafico;
    const double altezza = platform::twips(area_->height()) - platform::twips(MSChart1->y())
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
    platform::Desktop::instance().startProgram(platform::browserProgram(), {IndirizzoHomePage});
}

void Form1::Label1_Click()
{
    HomePage_Click();
}
