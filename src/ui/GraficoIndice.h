#pragma once
// The chart of today's readings (MSChart1): a line of the per-cent change, one point
// per record of today, rebuilt from the history file.
#include <QChartView>

#include "history/LettoreStorico.h"
#include "history/VistaGrafico.h"

class QLineSeries;
class QValueAxis;

class GraficoIndice : public QChartView {
    Q_OBJECT
public:
    explicit GraficoIndice(QWidget *parent = nullptr);

    // Reads the file (only what was appended since the last read, unless it changed
    // otherwise) and shows its points of today. A missing or unreadable file leaves the
    // placeholder alone.
    void Ricostruisci(const QString &percorso, const QString &oggi);
    // The next rebuild reads the whole file.
    void Dimentica() { lettore_.Dimentica(); }
    // The whole record charted at a row (row 2 is the first record); empty otherwise.
    QString Riga(int riga) const;
    int NumeroPunti() const { return int(punti_.Valori.size()); }

signals:
    void PuntoSelezionato(int riga);

protected:
    // The points drawn depend on the width: computed again at each resize.
    void resizeEvent(QResizeEvent *event) override;
    // A left click picks the drawn point nearest it, or none (row 0) when it hits none.
    void mousePressEvent(QMouseEvent *event) override;

private:
    void Mostra(const VistaGrafico &vista);
    int Colonne() const;

    QLineSeries *serie_ = nullptr;
    QValueAxis *assex_ = nullptr;
    QValueAxis *assey_ = nullptr;
    LettoreStorico lettore_;
    PuntiGrafico punti_;
};
