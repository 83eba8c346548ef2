#pragma once
// Records on their way to the history files, in order. The lock that instances share is
// tried without waiting; while another instance holds it, the records wait here and are
// tried again a moment later, so the window never waits for it. After about 100 ms a
// record goes out without the lock: a stuck program must not hold the readings back.
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QTimer>

class CodaStorico : public QObject {
    Q_OBJECT
public:
    explicit CodaStorico(QObject *parent = nullptr);
    // Whatever still waits is written now, without the lock if need be.
    ~CodaStorico() override;

    // Appends the record to the file at percorso, at once or after those still waiting.
    void Accoda(const QString &percorso, const QByteArray &record);

signals:
    // One for each record: written or not (errore names the file and the reason), and
    // whether it had to wait for the lock.
    void Esito(bool scritto, const QString &errore, bool rinviato);

private:
    void Svuota(bool rinviato, bool finale);

    struct Voce {
        QString Percorso;
        QByteArray Record;
    };
    QQueue<Voce> coda_;
    QTimer riprova_;
    QElapsedTimer attesa_; // since the record at the head first found the lock taken
};
