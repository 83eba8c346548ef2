#include "ui/Form4.h"

#include <QAction>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QGuiApplication>
#include <QVBoxLayout>

#include "ui/Controlli.h"

Form4::Form4() : QDialog(nullptr)
{
    setFont(Carattere(8.25, false));
    setWindowIcon(QIcon(QStringLiteral(":/icone/quotaro.png")));
    Text1 = new QLineEdit(this);
    Text2 = new QLineEdit(this);
    Text3 = new QLineEdit(this);
    Text1->setToolTip(QStringLiteral("Avvisa quando il valore sale sopra questo livello (vuoto: nessun avviso)"));
    Text2->setToolTip(QStringLiteral("Avvisa quando il valore scende sotto questo livello (vuoto: nessun avviso)"));
    Text3->setToolTip(QStringLiteral("Avvisa quando la variazione, in più o in meno, supera questa percentuale"));
    auto *campi = new QFormLayout;
    campi->addRow(QStringLiteral("&Sopra:"), Text1);
    campi->addRow(QStringLiteral("S&otto:"), Text2);
    campi->addRow(QStringLiteral("&Variazione oltre (%):"), Text3);

    Label4 = new QLabel(this);
    Label4->setWordWrap(true);
    Command1 = new QPushButton(QStringLiteral("Salva"), this);
    Command1->setDefault(true);
    Command2 = new QPushButton(QStringLiteral("Chiudi"), this);
    auto *pulsanti = new QHBoxLayout;
    pulsanti->addStretch();
    pulsanti->addWidget(Command1);
    pulsanti->addWidget(Command2);

    auto *colonna = new QVBoxLayout(this);
    colonna->addLayout(campi);
    colonna->addWidget(Label4);
    colonna->addLayout(pulsanti);
    setMinimumWidth(320);

    NominaControlli({{Text1, "Text1"}, {Text2, "Text2"}, {Text3, "Text3"}, {Label4, "Label4"},
                     {Command1, "Command1"}, {Command2, "Command2"}});
    for (QLineEdit *campo : {Text1, Text2, Text3})
        connect(campo, &QLineEdit::textChanged, this, &Form4::Controlla);
    connect(Command1, &QPushButton::clicked, this, &Form4::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
}

void Form4::Proponi(const QString &nomeIndice, const LivelliAvviso &livelli)
{
    NomeIndice = nomeIndice;
    setWindowTitle(QStringLiteral("Avvisi \u2014 ") + nomeIndice);
    const std::optional<double> valori[] = {livelli.Sopra, livelli.Sotto, livelli.Variazione};
    QLineEdit *const caselle[] = {Text1, Text2, Text3};
    for (int i = 0; i < 3; ++i)
        caselle[i]->setText(valori[i] ? NumeroDaDire(*valori[i]) : QString());
    Controlla();
    // Opened from the strip as from the main window: in the middle of the screen.
    if (!isVisible())
        if (QScreen *schermo = QGuiApplication::primaryScreen()) {
            adjustSize();
            move(schermo->geometry().center() - rect().center());
        }
    show();
    raise();
    activateWindow();
}

void Form4::MostraEsito(const QString &errore)
{
    Label4->setText(errore);
    if (errore.isEmpty())
        hide();
}

std::optional<LivelliAvviso> Form4::LeggiCampi()
{
    LivelliAvviso livelli;
    const std::pair<QLineEdit *, std::optional<double> *> campi[] = {
        {Text1, &livelli.Sopra}, {Text2, &livelli.Sotto}, {Text3, &livelli.Variazione}};
    for (const auto &[casella, livello] : campi) {
        const QString testo = casella->text().trimmed();
        if (testo.isEmpty())
            continue;
        *livello = LeggiNumeroItaliano(testo);
        if (!*livello) {
            Label4->setText(QStringLiteral("\"%1\" non è un numero: scrivere ad esempio 21500, 21.500 o 21500,5.")
                                .arg(testo));
            return std::nullopt;
        }
    }
    // The change alert watches the change's size, whatever sign was typed.
    if (livelli.Variazione)
        livelli.Variazione = std::abs(*livelli.Variazione);
    Label4->clear();
    return livelli;
}

void Form4::Controlla()
{
    Command1->setEnabled(LeggiCampi().has_value());
}

void Form4::Command1_Click()
{
    if (const std::optional<LivelliAvviso> livelli = LeggiCampi())
        emit LivelliScelti(NomeIndice, *livelli);
}

void CollegaAvvisi(QWidget *finestra, std::initializer_list<QLineEdit *> caselle, std::function<void()> apri)
{
    auto *avvisi = new QAction(QStringLiteral("Avvisi..."), finestra);
    avvisi->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    avvisi->setShortcutContext(Qt::WindowShortcut);
    avvisi->setObjectName(QStringLiteral("Avvisi"));
    finestra->addAction(avvisi);
    QObject::connect(avvisi, &QAction::triggered, finestra, [apri] { apri(); });
    for (QLineEdit *casella : caselle) {
        casella->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(casella, &QWidget::customContextMenuRequested, casella, [casella, avvisi](const QPoint &punto) {
            // The box's own menu (copy, select all), with the alerts after it.
            QMenu *menu = casella->createStandardContextMenu();
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->addSeparator();
            menu->addAction(avvisi);
            menu->popup(casella->mapToGlobal(punto));
        });
    }
}


