#pragma once
// Speech output that never makes the windows wait.
//
// The speech engine (Qt's "speechd" engine, an Italian voice when it has one) lives in a
// thread of its own: starting it connects to speech-dispatcher and can take seconds, or
// for ever when the service does not answer. speak() only posts the text to that thread.
// Texts are spoken one after the other, in order: the engine gets the next text only
// once it is Ready again, because the speechd engine cancels every program's speech
// (a screen reader's too) when it is asked to speak while it is busy.
// An engine that fails is thrown away; the next text starts a fresh one. With no
// working engine the program stays silent.
//
// Create it after QApplication and destroy it before (it is an ordinary member or child
// of an object that main() owns): the engine is deleted in the destructor, while the
// speech plugin is still loaded. Qt 6.4's speechd engine tells speech-dispatcher to
// cancel all speech when it is deleted, idle or not: that happens once, at exit (and
// when an engine that failed is dropped), never for a new text.
#include <QObject>
#include <QQueue>
#include <QString>
#include <QTextToSpeech>
#include <optional>

class QThread;

namespace platform {

class SpeechWorker;

class Speech : public QObject {
    Q_OBJECT
public:
    explicit Speech(QObject *parent = nullptr);
    // Deletes the engine and stops its thread. A text being spoken is cut off (the
    // engine cancels it). An engine stuck in a service that never answers gets two
    // seconds, then its thread is left blocked until the process ends: closing never
    // hangs.
    ~Speech() override;

    // Returns at once; the text is spoken after those given before it.
    void speak(const QString &text);

signals:
    // The text was handed to the engine.
    void spoken(const QString &text);
    // The engine could not start, failed, or never finished a text; the texts waiting
    // are dropped and the next text starts a fresh engine.
    void engineFailed();

private:
    QThread *thread_;
    SpeechWorker *worker_;
};

// The texts waiting for the engine, and the rule that hands them over one at a time:
// only when the engine is Ready and has reported the end of the previous text (right
// after say() the engine still reports Ready until speech-dispatcher starts speaking).
class SpeechQueue {
public:
    // Queues a text; returns the text to hand to the engine now, if any.
    std::optional<QString> add(const QString &text, QTextToSpeech::State engine);
    // The engine reported a new state; returns the text to hand over now, if any.
    std::optional<QString> stateChanged(QTextToSpeech::State engine);
    // Forgets the waiting texts and the one handed over.
    void clear();

private:
    std::optional<QString> next(QTextToSpeech::State engine);

    QQueue<QString> pending_;
    bool busy_ = false;
};

} // namespace platform
