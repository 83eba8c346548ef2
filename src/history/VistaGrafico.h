#pragma once
// What the chart shows for today's points: the pure part of the chart rebuild.
#include <QColor>
#include <QList>
#include <QPointF>

#include "history/Storico.h"

struct VistaGrafico {
    QList<QPointF> Punti;   // row 1 is the placeholder (1, 0); row k + 1 the k-th record
                            // (x is always the row, also when columns are thinned out)
    double FineX = 2;       // the x axis runs from 1 to here
    double MinimoY = -1;    // the y axis, with a margin around the points
    double MassimoY = 1;
    double PassoX = 1;      // distance between x ticks
    bool Segni = true;      // point markers, while they help to pick a point
    bool Ridotta = false;   // thinned out to the chart's pixel columns
    bool NuovoColore = false; // false: the series keeps its colour (no record of today)
    QColor Colore;
};

// Points at most this many carry a marker; more would only blur the line.
inline constexpr int MassimoPuntiConSegni = 500;

// colonne: the chart's width in pixel columns (0: unknown, every point is drawn). With
// more than four points per column, each column keeps its lowest and highest point and
// the line ends at the latest reading, so it looks the same and costs what its pixels cost.
VistaGrafico CalcolaVista(const PuntiGrafico &punti, int colonne = 0);

// What a screen reader says of the chart: how many readings of today, and the latest
// one's time, change and value.
QString DescrizioneGrafico(const PuntiGrafico &punti);
// The point nearest the click among those at most raggio from it (positions in pixels):
// its index, or -1 when none is that near.
qsizetype PuntoVicino(const QList<QPointF> &posizioni, QPointF clic, double raggio);
