#pragma once
// The main window: the four value boxes, the chart, the menu bar and the invisible
// helpers (timers, the two transfers, the index lists). It owns its controls and the
// followed index; the logic it calls lives in the subsystem folders, and its handlers,
// named as the program has always named them, are split by concern over the
// Form1*.cpp files of this folder (start-up, quote, history, voice, futures code, alerts).
#include <QDateTime>
#include <QMainWindow>
#include <QSet>
#include <QString>

#include "alerts/Avvisi.h"
#include "market/Calendario.h"
#include "platform/Ambiente.h"
#include "quote/StatoQuotazioni.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QTimer;
class EtichettaCliccabile;
class IntestazioneColonne;
class Form2;
class Form3;
class Form4;
class GraficoIndice;
class CodaStorico;
class TrasferimentoHttp;
struct Quotazione;
namespace platform {
class Desktop;
class FileWatcher;
}

class Form1 : public QMainWindow {
    Q_OBJECT
public:
    // desktop: program start, speech and message boxes, owned by the caller.
    // argomento: the process's argument text ("", "1", "2", ...).
    Form1(platform::Desktop &desktop, const QString &argomento, QWidget *parent = nullptr);
    ~Form1() override;

    // Start-up: history files, settings, then the window the command line asks for.
    // False when the settings file is missing (the user has been told; the program ends).
    bool Form_Load();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

private:
    void CreaControlli();
    void CreaMenu();
    void CollegaEventi();
    Form2 &FinestraRidotta();
    Form3 &FinestraFutures();

    // Start-up, index choice, polling.
    bool CaricaImpostazioni();
    void Titolo_Click();
    void List1_Click(int posizione);
    void Titolo2_Click();
    void Command3_Click();
    void SelezionaIndice(const QString &nome, const QString &simbolo);
    void AvviaPolling();

    // Quote poll and update.
    void Timer2_Timer();
    void WscHttp_Close(const QString &corpo);
    void AggiornaQuotazione(const Quotazione &q);
    // A poll that brought no values: told once per run of failures.
    void QuotazioneFallita(const QString &motivo);
    // Why nothing may be sent to a server (the built-in one's port held by another user);
    // empty when it may.
    QString ServerNonFidato(const platform::ServerAddress &server) const;
    // Starts the local quote server when the built-in one refused the connection.
    void AvviaServerLocale(const platform::ServerAddress &server, const QString &motivo);
    // Fresh, stale or closed market: the boxes' look and tooltips, here and in the strip.
    market::StatoDati StatoAttuale() const;
    void MostraStato();
    void AggiornaSuggerimenti();

    // History and chart.
    QString FileStorico() const;
    void AccodaStorico();
    void StoricoScritto(bool scritto, const QString &errore, bool rinviato);
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
    void Winsock1_Close(const QString &corpo);
    void Winsock1_Fallita(const QString &motivo);
    // Asks for the futures code again after a good poll, while today's (New York) is not known.
    void RichiediFuturesSeServe();
    void Form3_CodiceSalvato(const QString &codice);

    // Alerts.
    void ApriAvvisi();
    void Form4_LivelliScelti(const QString &nome, const LivelliAvviso &livelli);
    // The levels of Avvisi.cfg, read on first use and again whenever the file changes.
    const FileAvvisi &Avvisi();
    void CaricaAvvisi();
    // A new reading against the followed index's levels: notified and spoken once per
    // crossing among the instances that follow the index.
    void ControllaAvvisi();


    // Window behaviour.
    void Form_Resize();
    // Centres the whole window, frame included, on the screen.
    void Centra();
    void Check2_Click();
    void TopBar_Click();
    void basso_Click();
    void veloce_Click();
    void HomePage_Click();
    void Label1_Click();

    platform::Desktop &desktop_;

    // Controls, named as the program has always named them.
    IntestazioneColonne *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QCheckBox *Check1 = nullptr;
    QCheckBox *Check2 = nullptr;
    QCheckBox *Check3 = nullptr;
    QWidget *Shape1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLineEdit *Text2 = nullptr;
    QLineEdit *Text3 = nullptr;
    QLineEdit *Text4 = nullptr;
    QPushButton *Command3 = nullptr;
    GraficoIndice *MSChart1 = nullptr;
    QListWidget *List1 = nullptr;
    QListWidget *List2 = nullptr;
    TrasferimentoHttp *WscHttp = nullptr;
    TrasferimentoHttp *Winsock1 = nullptr;
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

    // The followed index: its name (the caption of Titolo, shown with "&" as text),
    // its quote symbol, and the change text of the previous update.
    QString NomeIndice = QStringLiteral("Indice");
    QString Simbolo;
    QString UltimaVariazione;
    // The futures entry's own code (first field of fut.txt; empty without the file).
    QString CodiceFutures;
    QString ArgomentoComando;
    // An append failed and the user has been told; quiet until one succeeds again.
    bool StoricoInErrore = false;
    // The state of the quote feed, and what the boxes' tooltips say of it.
    StatoQuotazioni Stato;
    QString SuggerimentoDati;
    // The last time the local quote server was started (at most once a minute).
    QDateTime UltimoAvvioServer;
    // The futures code: whether this instance asks for it (started without an argument),
    // the New York date of the last code received, and when a retry may be made.
    bool FuturesRichiesti = false;
    QDate GiornoCodiceFutures;
    QDateTime ProssimaRichiestaFutures;
    QDateTime InizioRichiestaFutures;
    // Records waiting for the lock that instances share; made at the first record.
    CodaStorico *CodaRecord = nullptr;
    // Centred before the window system told the frame's size: centred again once it has.
    bool CentraConCornice = true;

    // Alerts: the file's levels, its watcher, the lines already reported as unreadable,
    // the last usable reading and its index, and the tooltip's note on the levels it is beyond.
    FileAvvisi FileLivelli;
    platform::FileWatcher *OsservaAvvisi = nullptr;
    QSet<QString> RigheSegnalate;
    StatoAvvisi StatoProprio; // used only where the shared one cannot be written
    std::optional<LetturaAvvisi> UltimaLettura;
    QString NomeUltimaLettura;
    QString SuggerimentoAvvisi;

    Form2 *form2_ = nullptr;
    Form3 *form3_ = nullptr;
    Form4 *form4_ = nullptr;
};
