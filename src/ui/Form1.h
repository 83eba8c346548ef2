#pragma once
// The main window: the four value boxes, the chart, the menu bar, and the invisible
// helpers (timers, sockets, index lists) the other subsystems work on. Its handlers
// are defined next to the subsystem they belong to (shell/, quote/, history/,
// voice/, futures/); this file's .cpp holds the layout and window behaviour.
#include <QMainWindow>
#include <QString>
#include <QVector>

#include "history/LettoreStorico.h"
#include "quote/Quotazione.h"

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QTimer;
class QChartView;
class QChart;
class QLineSeries;
class QValueAxis;

namespace platform {
class SocketControl;
}
class Form2;
class Form3;
class EtichettaCliccabile;

class Form1 : public QMainWindow {
    Q_OBJECT
public:
    // argomento: the process's argument text ("", "1", "2", ...).
    explicit Form1(const QString &argomento = QString(), QWidget *parent = nullptr);
    ~Form1() override;

    // Start-up: history files, then CaricaImpostazioni. False when the settings file
    // is missing (the user has been told; the program is to end).
    bool Form_Load();
    bool CaricaImpostazioni();

    // Controls, named as the program has always named them.
    EtichettaCliccabile *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QCheckBox *Check1 = nullptr;
    QCheckBox *Check2 = nullptr;
    QCheckBox *Check3 = nullptr;
    QWidget *Shape1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLineEdit *Text2 = nullptr;
    QLineEdit *Text3 = nullptr;
    QLineEdit *Text4 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QChartView *MSChart1 = nullptr;
    QListWidget *List1 = nullptr;
    QListWidget *List2 = nullptr;
    platform::SocketControl *WscHttp = nullptr;
    platform::SocketControl *Winsock1 = nullptr;
    QTimer *Timer2 = nullptr;
    QTimer *TimerVoce = nullptr;

    // Menu bar.
    QAction *Titolo = nullptr;
    QAction *Titolo2 = nullptr;
    QMenu *velocita = nullptr;
    QAction *basso = nullptr;
    QAction *veloce = nullptr;
    QAction *TopBar = nullptr;
    QMenu *salvataggio = nullptr;
    QAction *salva = nullptr;
    QAction *nonsalva = nullptr;
    QMenu *FileGrafico = nullptr;
    QAction *Aggiorna = nullptr;
    QAction *ApriFile = nullptr;
    QAction *CancellaFile = nullptr;
    QAction *HomePage = nullptr;

    // Module-level state.
    QString HostQuotazioni;
    QString PercorsoRichiesta;
    QString BufferRisposta;   // quote answer
    QString BufferFutures;    // futures-code answer, kept apart from the quote's
    QString HostFutures;
    int NumeroPunti = 0;
    QVector<QString> RigheGrafico;
    LettoreStorico LettoreGrafico; // today's points of the history file, between rebuilds
    QString Simbolo;
    QString UltimaVariazione;
    QString ArgomentoComando;

    // Largest answer kept; a longer one is abandoned without an update.
    static constexpr qsizetype LimiteRisposta = 4 * 1024 * 1024;

    // The compact window, created (narrow, hidden) on first use.
    Form2 &FinestraRidotta();
    bool HaFinestraRidotta() const { return form2_ != nullptr; }
    // The futures-code window, created on first use.
    Form3 &FinestraFutures();
    bool HaFinestraFutures() const { return form3_ != nullptr; }

    // Chart access for the rebuild and the tests.
    QLineSeries *SerieGrafico() const { return serie_; }
    QString TooltipGrafico() const;

    // History file of the selected index.
    QString FileStorico() const;

    // Shell: start-up, index choice, polling.
    void Titolo_Click();
    void List1_Click(int posizione);
    void Titolo2_Click();
    void Command3_Click();
    void SelezionaIndice(int posizione);
    void AvviaPolling();

    // Quote poll and update.
    void Timer2_Timer();
    void WscHttp_Connect();
    void WscHttp_DataArrival();
    void WscHttp_Close();
    void AggiornaQuotazione(const Quotazione &q);

    // History and chart.
    void AccodaStorico();
    void Command1_Click();
    void Aggiorna_Click();
    void MSChart1_PointSelected(int riga);
    void salva_Click();
    void nonsalva_Click();
    void ApriFile_Click();
    void CancellaFile_Click();

    // Voice.
    void TimerVoce_Timer();
    void Check3_Click();

    // Futures code.
    void Command2_Click();
    void Winsock1_Connect();
    void Winsock1_DataArrival();
    void Winsock1_Close();

    // Window behaviour.
    void Form_Resize();
    void Check2_Click();
    void TopBar_Click();
    void basso_Click();
    void veloce_Click();
    void HomePage_Click();
    void Label1_Click();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void CreaControlli();
    void CreaMenu();
    void CreaGrafico();
    void CollegaEventi();
    // Appends what a socket received to its buffer, one character per byte; an
    // answer past LimiteRisposta is abandoned and its buffer emptied.
    void RiceviDati(platform::SocketControl *socket, QString &buffer);

    QWidget *area_ = nullptr;
    QChart *grafico_ = nullptr;
    QLineSeries *serie_ = nullptr;
    QValueAxis *assex_ = nullptr;
    QValueAxis *assey_ = nullptr;
    Form2 *form2_ = nullptr;
    Form3 *form3_ = nullptr;
};
