#include "history/VistaGrafico.h"

#include <algorithm>

namespace {

// Per pixel column, the lowest and the highest point, in their order: the stroke between
// them covers the column's pixels as the line through every point does.
void AggiungiColonna(QList<QPointF> *punti, const QList<QPointF> &colonna)
{
    if (colonna.isEmpty())
        return;
    const auto [basso, alto] = std::minmax_element(colonna.begin(), colonna.end(),
                                                   [](QPointF a, QPointF b) { return a.y() < b.y(); });
    QList<QPointF> scelti{*basso, *alto};
    std::sort(scelti.begin(), scelti.end(), [](QPointF a, QPointF b) { return a.x() < b.x(); });
    for (const QPointF &punto : scelti)
        if (punti->last() != punto)
            punti->append(punto);
}

} // namespace

VistaGrafico CalcolaVista(const PuntiGrafico &punti, int colonne)
{
    VistaGrafico vista;
    const int numero = int(punti.Valori.size());
    double minimo = 0;
    double massimo = 0;
    for (double valore : punti.Valori) {
        minimo = std::min(minimo, valore);
        massimo = std::max(massimo, valore);
    }
    const double margine = std::max(0.05, (massimo - minimo) * 0.1);
    vista.MinimoY = minimo - margine;
    vista.MassimoY = massimo + margine;
    vista.FineX = std::max(2, numero + 1);
    vista.PassoX = std::max(1, numero / 5);
    vista.Segni = numero <= MassimoPuntiConSegni;
    vista.NuovoColore = punti.Colore != 0;
    vista.Colore = punti.Colore == 1 ? QColor(255, 0, 0) : QColor(0, 100, 50);

    vista.Punti.append(QPointF(1, 0)); // the placeholder row
    // Drawing more points than the chart has pixel columns is wasted work.
    const bool riduci = colonne > 0 && numero > 4 * colonne;
    vista.Ridotta = riduci;
    if (!riduci)
        vista.Punti.reserve(numero + 1);
    QList<QPointF> colonna;
    int colonnaCorrente = 0;
    for (int i = 0; i < numero; ++i) {
        const QPointF punto(i + 2, punti.Valori[i]);
        if (!riduci) {
            vista.Punti.append(punto);
            continue;
        }
        const int c = int((punto.x() - 1) * colonne / (vista.FineX - 1));
        if (c != colonnaCorrente) {
            AggiungiColonna(&vista.Punti, colonna);
            colonna.clear();
            colonnaCorrente = c;
        }
        colonna.append(punto);
    }
    AggiungiColonna(&vista.Punti, colonna);
    // The line ends at the latest reading, whatever its column holds.
    if (numero > 0 && vista.Punti.last().x() != numero + 1)
        vista.Punti.append(QPointF(numero + 1, punti.Valori.last()));
    return vista;
}

QString DescrizioneGrafico(const PuntiGrafico &punti)
{
    if (punti.Righe.isEmpty())
        return QStringLiteral("Nessuna lettura di oggi");
    const QByteArray ultima = punti.Righe.last().toLatin1();
    const auto campo = [&ultima](Colonne colonne) { return QString::fromLatin1(Finestra(ultima, colonne)); };
    const qsizetype numero = punti.Righe.size();
    return QStringLiteral("%1 %2 di oggi; l'ultima alle %3: %4, valore %5")
        .arg(numero)
        .arg(numero == 1 ? QStringLiteral("lettura") : QStringLiteral("letture"))
        .arg(campo({1, LarghezzaZona}), campo(ColonneVariazione), campo(ZonaValore));
}

qsizetype PuntoVicino(const QList<QPointF> &posizioni, QPointF clic, double raggio)
{
    qsizetype scelto = -1;
    double migliore = raggio * raggio;
    for (qsizetype i = 0; i < posizioni.size(); ++i) {
        const QPointF d = posizioni[i] - clic;
        const double distanza = d.x() * d.x() + d.y() * d.y();
        if (distanza <= migliore) {
            migliore = distanza;
            scelto = i;
        }
    }
    return scelto;
}
