#include "platform/Sintesi.h"

#include <QDeadlineTimer>
#include <QLocale>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <memory>

namespace platform {

namespace {
// A short sentence takes a few seconds; a text not finished by then will never be
// (the service went away mid-sentence, or cannot open a sound device).
constexpr int TextTimeLimitMs = 30000;
// Closing the program: how long the engine may take to stop.
constexpr int StopWaitMs = 2000;
} // namespace

// Owns the engine; lives in the speech thread, so every call that may wait on
// speech-dispatcher waits there.
class SpeechWorker : public QObject {
    Q_OBJECT
public:
    SpeechWorker()
    {
        watchdog_.setSingleShot(true);
        watchdog_.setInterval(TextTimeLimitMs);
        connect(&watchdog_, &QTimer::timeout, this, &SpeechWorker::fail);
    }

    void add(const QString &text)
    {
        if (!engine_ && !startEngine()) {
            emit failed();
            return;
        }
        handOver(queue_.add(text, engine_->state()));
    }

signals:
    void handedOver(const QString &text);
    void failed();

private:
    bool startEngine()
    {
        if (closing())
            return false;
        // Connects to speech-dispatcher (starting it when needed): seconds, or for ever.
        auto engine = std::make_unique<QTextToSpeech>(QStringLiteral("speechd"));
        const QList<QLocale> locales = engine->availableLocales();
        const auto italian = std::find_if(locales.begin(), locales.end(), [](const QLocale &l) {
            return l.language() == QLocale::Italian;
        });
        if (italian != locales.end())
            engine->setLocale(*italian);
        if (engine->state() != QTextToSpeech::Ready)
            return false;
        engine_ = engine.release();
        engine_->setParent(this);
        connect(engine_, &QTextToSpeech::stateChanged, this, &SpeechWorker::engineStateChanged);
        return true;
    }

    void engineStateChanged(QTextToSpeech::State state)
    {
        if (state == QTextToSpeech::Error) {
            fail();
            return;
        }
        if (state == QTextToSpeech::Ready)
            watchdog_.stop();
        handOver(queue_.stateChanged(state));
    }

    void handOver(const std::optional<QString> &text)
    {
        if (!text || closing())
            return;
        watchdog_.start();
        engine_->say(*text); // may report Error at once, which drops the engine
        emit handedOver(*text);
    }

    // The engine may be inside its own signal: it is deleted once control is back
    // in the event loop.
    void fail()
    {
        watchdog_.stop();
        queue_.clear();
        if (engine_) {
            engine_->disconnect(this);
            engine_->deleteLater();
            engine_ = nullptr;
        }
        emit failed();
    }

    static bool closing() { return QThread::currentThread()->isInterruptionRequested(); }

    QTextToSpeech *engine_ = nullptr;
    SpeechQueue queue_;
    QTimer watchdog_{this}; // a child, so that it moves to the speech thread with the worker
};

Speech::Speech(QObject *parent)
    : QObject(parent), thread_(new QThread), worker_(new SpeechWorker)
{
    thread_->setObjectName(QStringLiteral("Sintesi"));
    worker_->moveToThread(thread_);
    // The worker, and the engine with it, is deleted in its thread as the thread ends.
    connect(thread_, &QThread::finished, worker_, &QObject::deleteLater);
    connect(worker_, &SpeechWorker::handedOver, this, &Speech::spoken);
    connect(worker_, &SpeechWorker::failed, this, &Speech::engineFailed);
    thread_->start();
}

Speech::~Speech()
{
    thread_->requestInterruption();
    thread_->quit();
    if (thread_->wait(QDeadlineTimer(StopWaitMs))) {
        delete thread_;
        return;
    }
    // Stuck in a call to a speech service that never answers (those calls have no time
    // limit). Closing must not wait for ever, and terminating the thread would unwind
    // through Qt and the speech library half-way: it is left behind, blocked, to end with
    // the process. Kept in a list so that it is never deleted while it runs.
    // Should the call ever return, the worker and its engine are not deleted then (the
    // application may be gone by that time): they go with the process too.
    QObject::disconnect(thread_, &QThread::finished, worker_, nullptr);
    static auto *const abandoned = new QList<QThread *>;
    abandoned->append(thread_);
}

void Speech::speak(const QString &text)
{
    if (text.isEmpty())
        return; // the engine would say nothing and report no end: the queue would stall
    QMetaObject::invokeMethod(worker_, [worker = worker_, text] { worker->add(text); },
                              Qt::QueuedConnection);
}

std::optional<QString> SpeechQueue::add(const QString &text, QTextToSpeech::State engine)
{
    pending_.enqueue(text);
    return next(engine);
}

std::optional<QString> SpeechQueue::stateChanged(QTextToSpeech::State engine)
{
    if (engine == QTextToSpeech::Ready)
        busy_ = false;
    return next(engine);
}

void SpeechQueue::clear()
{
    pending_.clear();
    busy_ = false;
}

std::optional<QString> SpeechQueue::next(QTextToSpeech::State engine)
{
    if (busy_ || engine != QTextToSpeech::Ready || pending_.isEmpty())
        return std::nullopt;
    busy_ = true;
    return pending_.dequeue();
}

} // namespace platform

#include "Sintesi.moc"
