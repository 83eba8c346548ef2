#include "ui/GraficoIndice.h"

#include <QChart>
#include <QLineSeries>
#include <QMouseEvent>
#include <QValueAxis>

#include "ui/Controlli.h"

// The view owns the chart it is built with (a chart set later would leave its first one
// ownerless).
GraficoIndice::GraficoIndice(QWidget *parent) : QChartView(new QChart, parent)
{
    serie_ = new QLineSeries;
    serie_->setPointsVisible(true);
    serie_->append(1, 0); // the placeholder row, never filled by a rebuild
    QChart *grafico = chart();
    grafico->addSeries(serie_);
    grafico->legend()->hide();
    grafico->setMargins(QMargins(2, 2, 2, 2));
    grafico->setBackgroundRoundness(0);
    // The chart's light design and the boxes' numbers, whatever the desktop: decimal
    // comma, no thousands separator.
    setBackgroundBrush(grafico->backgroundBrush());
    QLocale italiano(QLocale::Italian, QLocale::Italy);
    italiano.setNumberOptions(QLocale::OmitGroupSeparator);
    grafico->setLocale(italiano);
    grafico->setLocalizeNumbers(true);
    setAccessibleName(QStringLiteral("Grafico della variazione di oggi"));
    viewport()->setAccessibleName(accessibleName()); // it takes the focus for the view
    setAccessibleDescription(DescrizioneGrafico(punti_));
    assex_ = new QValueAxis;
    assey_ = new QValueAxis;
    assex_->setLabelFormat(QStringLiteral("%.0f")); // the localised labels take this form only
    assex_->setTickType(QValueAxis::TicksDynamic);
    assex_->setTickAnchor(1);
    assex_->setTickInterval(1);
    assey_->setLabelFormat(QStringLiteral("%.2f"));
    for (QValueAxis *asse : {assex_, assey_}) {
        asse->setLabelsFont(Carattere(7, false));
        asse->setTickCount(5);
    }
    grafico->addAxis(assex_, Qt::AlignBottom);
    grafico->addAxis(assey_, Qt::AlignLeft);
    serie_->attachAxis(assex_);
    serie_->attachAxis(assey_);
    assex_->setRange(1, 2);
    assey_->setRange(-1, 1);
    setRenderHint(QPainter::Antialiasing);
}

void GraficoIndice::Ricostruisci(const QString &percorso, const QString &oggi)
{
    if (!lettore_.Leggi(percorso, oggi, &punti_))
        punti_ = PuntiGrafico();
    Mostra(CalcolaVista(punti_, Colonne()));
    setAccessibleDescription(DescrizioneGrafico(punti_));
}

int GraficoIndice::Colonne() const
{
    // The plot area once the chart has been laid out; the view's width before.
    const int area = int(chart()->plotArea().width());
    return area > 0 ? area : viewport()->width();
}

void GraficoIndice::resizeEvent(QResizeEvent *event)
{
    QChartView::resizeEvent(event);
    if (NumeroPunti() > 0)
        Mostra(CalcolaVista(punti_, Colonne()));
}

void GraficoIndice::mousePressEvent(QMouseEvent *event)
{
    QChartView::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    // In pixels, where the points are drawn: a row nearest in x alone may lie far below.
    const QList<QPointF> punti = serie_->points();
    QList<QPointF> posizioni;
    posizioni.reserve(punti.size());
    for (const QPointF &punto : punti)
        posizioni.append(chart()->mapToPosition(punto, serie_));
    const QPointF clic = chart()->mapFromScene(mapToScene(event->position().toPoint()));
    // Within a marker's reach of its centre.
    const qsizetype scelto = PuntoVicino(posizioni, clic, 8);
    emit PuntoSelezionato(scelto < 0 ? 0 : qRound(punti[scelto].x()));
}

QString GraficoIndice::Riga(int riga) const
{
    const int indice = riga - 2;
    return indice >= 0 && indice < punti_.Righe.size() ? punti_.Righe[indice] : QString();
}

void GraficoIndice::Mostra(const VistaGrafico &vista)
{
    // Each change of the points, the colour or an axis range lays all points out again,
    // which costs milliseconds at 22,000 points: change only what differs, and when more
    // than one thing does, make the other changes while the series holds one point.
    const QList<QPointF> segnaposto{vista.Punti.first()};
    bool nuoviPunti = serie_->points() != vista.Punti;
    const bool nuovoColore = vista.NuovoColore && serie_->pen().color() != vista.Colore;
    const bool nuovaX = assex_->min() != 1 || assex_->max() != vista.FineX;
    const bool nuovaY = assey_->min() != vista.MinimoY || assey_->max() != vista.MassimoY;
    if (serie_->pointsVisible() != vista.Segni || int(nuoviPunti) + int(nuovoColore) + int(nuovaX) + int(nuovaY) > 1) {
        serie_->replace(segnaposto);
        serie_->setPointsVisible(vista.Segni);
        nuoviPunti = true;
    }
    if (nuovoColore) {
        QPen penna = serie_->pen();
        penna.setColor(vista.Colore);
        serie_->setPen(penna);
        serie_->setColor(vista.Colore);
    }
    // The axis lays out a label per tick: never pass through a state with the new range
    // and the old interval (thousands of ticks when the points jump from few to many).
    if (vista.PassoX > assex_->tickInterval()) {
        assex_->setTickInterval(vista.PassoX);
        assex_->setRange(1, vista.FineX);
    } else {
        assex_->setRange(1, vista.FineX);
        assex_->setTickInterval(vista.PassoX);
    }
    assey_->setRange(vista.MinimoY, vista.MassimoY);
    if (nuoviPunti)
        serie_->replace(vista.Punti);
    // A thinned line is a run of short vertical strokes, where smoothing the edges shows
    // nothing and costs most of the painting.
    setRenderHint(QPainter::Antialiasing, !vista.Ridotta);
}
