#include "history/VistaGrafico.h"

#include <algorithm>

VistaGrafico CalcolaVista(const PuntiGrafico &punti)
{
    VistaGrafico vista;
    const int numero = int(punti.Valori.size());
    vista.Punti.reserve(numero + 1);
    vista.Punti.append(QPointF(1, 0));
    double minimo = 0;
    double massimo = 0;
    for (int i = 0; i < numero; ++i) {
        const double valore = punti.Valori[i];
        minimo = std::min(minimo, valore);
        massimo = std::max(massimo, valore);
        vista.Punti.append(QPointF(i + 2, valore));
    }
    const double margine = std::max(0.05, (massimo - minimo) * 0.1);
    vista.MinimoY = minimo - margine;
    vista.MassimoY = massimo + margine;
    vista.FineX = std::max(2, numero + 1);
    vista.PassoX = std::max(1, numero / 5);
    vista.Segni = numero <= MassimoPuntiConSegni;
    vista.NuovoColore = punti.Colore != 0;
    vista.Colore = punti.Colore == 1 ? QColor(255, 0, 0) : QColor(0, 100, 50);
    return vista;
}
