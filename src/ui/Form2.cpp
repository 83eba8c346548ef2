#include "ui/Form2.h"

#include <QGuiApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QUrl>

#include "platform/Ambiente.h"
#include "platform/Desktop.h"
#include "platform/Finestre.h"
#include "ui/Controlli.h"
#include "ui/Form4.h"
#include "ui/Layout.h"

Form2::Form2(platform::Desktop &desktop, QWidget *principale)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      desktop_(desktop), principale_(principale)
{
    setWindowTitle(QStringLiteral("Indici by RQ finestra ridotta"));
    setWindowIcon(QIcon(QStringLiteral(":/icone/quotaro-ridotta.png")));
    setFont(Carattere(8.25, false));
    resize(platform::px(LarghezzaLarga), platform::px(AltezzaRidotta));
    move(0, 0);

    Label2 = new EtichettaCliccabile(QStringLiteral("FUT"), this);
    Label2->setToolTip(QStringLiteral("Indice selezionato, clicca per spostare la barra"));
    Posiziona(Label2, 45, 90, 375, 195);

    Text1 = CreaCasella(this, 8.25);
    Posiziona(Text1, 405, 45, 735, 285);
    Shape2 = CreaRettangolo(this, QColor(0, 0, 255));
    Posiziona(Shape2, 510, 315, 240, 75);
    Text4 = CreaCasella(this, 8.25);
    Posiziona(Text4, 1170, 45, 1005, 285);
    Text3 = CreaCasella(this, 8.25);
    Posiziona(Text3, 2205, 45, 915, 285);
    Text2 = CreaCasella(this, 8.25);
    Posiziona(Text2, 3150, 45, 1005, 285);
    ImpostaSuggerimento(QString());

    Text5 = new QLineEdit(this);
    ImpostaSfondo(Text5, QColor(255, 255, 192));
    Posiziona(Text5, 4185, 45, 1230, 285);
    Text5->installEventFilter(this);

    Image1 = new EtichettaCliccabile(this);
    Image1->setPixmap(QPixmap(QStringLiteral(":/icone/lente.png")));
    Image1->setToolTip(QStringLiteral("Cerca sul Web"));
    Posiziona(Image1, 5490, 45, 240, 240);

    Label3 = new EtichettaCliccabile(QStringLiteral("<"), this);
    Label3->setToolTip(QStringLiteral("Home Page Quotaro"));
    Posiziona(Label3, 5820, 60, 150, 195);
    Label3->hide();

    Label1 = new EtichettaCliccabile(QStringLiteral(" Esci"), this);
    Label1->setToolTip(QStringLiteral("Premere per usire dalla finestra piccola"));
    Posiziona(Label1, 6030, 90, 375, 195);

    Shape1 = CreaRettangolo(this, QColor(255, 0, 0));
    Posiziona(Shape1, 6435, 45, 105, 285);

    for (QWidget *mano : {static_cast<QWidget *>(Image1), static_cast<QWidget *>(Label3),
                          static_cast<QWidget *>(Label1)})
        mano->setCursor(Qt::PointingHandCursor);

    NominaColonne({Text1, Text4, Text3, Text2});
    Text5->setAccessibleName(QStringLiteral("Parole da cercare"));
    // " Esci" is reached with Tab after the four boxes.
    Label1->setFocusPolicy(Qt::TabFocus);
    OrdineTab({Text1, Text2, Text3, Text4, Label1, Text5});
    NominaControlli({{Label2, "Label2"}, {Text1, "Text1"}, {Shape2, "Shape2"}, {Text4, "Text4"},
                     {Text3, "Text3"}, {Text2, "Text2"}, {Text5, "Text5"}, {Image1, "Image1"},
                     {Label3, "Label3"}, {Label1, "Label1"}, {Shape1, "Shape1"}});

    connect(Label2, &EtichettaCliccabile::clicked, this, &Form2::Label2_Click);
    connect(Label3, &EtichettaCliccabile::clicked, this, &Form2::Label3_Click);
    connect(Image1, &EtichettaCliccabile::clicked, this, &Form2::Image1_Click);
    connect(Label1, &EtichettaCliccabile::clicked, this, &Form2::Label1_Click);
    CollegaAvvisi(this, {Text1, Text2, Text3, Text4}, [this] { emit AvvisiRichiesti(); });

    Form_Load();
}

double Form2::LeftTwips() const { return platform::twips(x()); }
double Form2::TopTwips() const { return platform::twips(y()); }
double Form2::WidthTwips() const { return platform::twips(width()); }

void Form2::MoveTwips(double left, double top)
{
    const QPoint chiesto(platform::px(left), platform::px(top));
    QScreen *schermo = QGuiApplication::screenAt(chiesto);
    if (!schermo)
        schermo = screen();
    move(PostoCheEntra(QRect(chiesto, size()), schermo->geometry()));
    sinistraChiesta_ = left;
    postoAdattato_ = pos();
}

void Form2::MostraIndice(const QString &nome)
{
    Label2->setText(nome.left(3));
}

void Form2::CopiaValori(std::initializer_list<const QLineEdit *> principali)
{
    QLineEdit *const copie[] = {Text1, Text2, Text3, Text4};
    QLineEdit *const *copia = copie;
    for (const QLineEdit *principale : principali)
        MostraTesto(*copia++, principale->text());
    copia = copie;
    for (const QLineEdit *principale : principali) {
        ImpostaSfondo(*copia, Sfondo(principale));
        MostraFermo(*copia++, Fermo(principale));
    }
}

void Form2::ImpostaSuggerimento(const QString &testo)
{
    const std::pair<QLineEdit *, QString> caselle[] = {
        {Text1, QStringLiteral("Ora attuale USA")}, {Text4, QStringLiteral("Fixing ultimo valore")},
        {Text3, QStringLiteral("Variazione percentuale")}, {Text2, QStringLiteral("Valore attuale")}};
    for (const auto &[casella, proprio] : caselle)
        casella->setToolTip(testo.isEmpty() ? proprio : proprio + u'\n' + testo);
}

double Form2::SinistraBarra() const
{
    return SinistraTwips(Shape2);
}

void Form2::SpostaBarra(double sinistra)
{
    SpostaSinistra(Shape2, sinistra);
}

void Form2::Form_Load()
{
    Label3_Click();
}

void Form2::Form_Activate()
{
    platform::setStaysOnTop(this, true);
}

void Form2::Label2_Click()
{
    // A strip moved in from the screen's edge still counts as standing at its stop.
    const float l = float(pos() == postoAdattato_ ? sinistraChiesta_ : LeftTwips());
    const float t = float(TopTwips());
    const float w = float(WidthTwips());
    if (l == 0)
        MoveTwips(w, 0);
    else if (l == w)
        MoveTwips(w + w, 0);
    else if (l == float(w + w))
        MoveTwips(0, 0);
    else if (t != 0)
        MoveTwips(0, 0);
}

void Form2::Label3_Click()
{
    const double w = WidthTwips();
    const double passo = (w != LarghezzaLarga) ? PassoLarghezza : -PassoLarghezza;
    resize(platform::px(float(w + passo)), height());
    for (QWidget *controllo : {Shape1, static_cast<QWidget *>(Label1), static_cast<QWidget *>(Label3)})
        SpostaSinistra(controllo, float(SinistraTwips(controllo) + passo));
    Label3->setText(passo > 0 ? QStringLiteral("<") : QStringLiteral(">"));
    Text5->setVisible(passo > 0);
}

void Form2::Image1_Click()
{
    // The search words are one query value ("&", "#", "+" and "%" included), and the
    // address reaches the browser as one argument.
    const QString parole = QString::fromLatin1(QUrl::toPercentEncoding(Text5->text()));
    desktop_.startProgram(platform::browserProgram(),
                          {IndirizzoHomePage + PercorsoRicerca + parole + CodaRicerca});
}

void Form2::Text5_KeyPress(int carattere)
{
    if (carattere != 13)
        return;
    Image1_Click();
    Text5->setText(QString());
}

void Form2::Label1_Click()
{
    hide();
    principale_->show();
}

void Form2::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Label1_Click();
}

bool Form2::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        Form_Activate();
    return QWidget::event(event);
}

bool Form2::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Text5 && event->type() == QEvent::KeyPress) {
        const int tasto = static_cast<QKeyEvent *>(event)->key();
        if (tasto == Qt::Key_Return || tasto == Qt::Key_Enter) {
            Text5_KeyPress(13);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form2::mousePressEvent(QMouseEvent *event)
{
    origineTrascinamento_ = event->globalPosition().toPoint() - pos();
    mossaChiesta_ = false;
    trascinamento_ = false;
}

void Form2::mouseMoveEvent(QMouseEvent *event)
{
    // Only the left button alone drags the strip.
    if (event->buttons() != Qt::LeftButton)
        return;
    // The window manager goes on from where the pointer has taken the window so far.
    if (!mossaChiesta_ || trascinamento_)
        move(event->globalPosition().toPoint() - origineTrascinamento_);
    // The window manager's move ends with the release that it sees; asking again from a
    // later move of the same press would start a move that no release ends.
    if (!mossaChiesta_) {
        mossaChiesta_ = true;
        trascinamento_ = !platform::startSystemMove(this);
    }
}

void Form2::mouseReleaseEvent(QMouseEvent *)
{
    mossaChiesta_ = false;
    trascinamento_ = false;
}
