// The speech adapter: never makes the GUI thread wait on the engine, closes even when the
// speech service never answers, tries a fresh engine after a failure, and hands texts to
// the engine one at a time, in order, only when it is Ready.
#include <QLocalServer>
#include <QtTest>

#include "platform/Sintesi.h"

using enum QTextToSpeech::State;

class SintesiTest : public QObject {
    Q_OBJECT
private slots:
    void engineNeverBlocks_data() {
        QTest::addColumn<bool>("silentService"); QTest::addColumn<int>("failures");
        // The engine stays inside its connection for ever: nothing fails, nothing waits.
        QTest::newRow("service never answers") << true << 0;
        // Each text finds no engine and tries a fresh one: two texts, two failures.
        QTest::newRow("no service") << false << 2;
    }
    void engineNeverBlocks() {
        QFETCH(bool, silentService); QFETCH(int, failures);
        // Accepts connections and never says a word. It stays open until the process ends:
        // the engine left waiting in it must not wake up while later cases run.
        static QTemporaryDir dir;
        static auto *const service = new QLocalServer;
        const QString path = dir.filePath(QStringLiteral("speechd.sock"));
        QVERIFY(service->isListening() || service->listen(path));
        qputenv("SPEECHD_ADDRESS", silentService ? "unix_socket:" + QFile::encodeName(path) : "none");
        auto speech = std::make_unique<platform::Speech>();
        QSignalSpy failed(speech.get(), &platform::Speech::engineFailed);
        speech->speak("ore 16:00"), speech->speak("Nasdaq");
        if (silentService)
            QTRY_VERIFY(service->hasPendingConnections()); // the engine is in its connection now
        QTRY_COMPARE(failed.count(), failures);
        QVERIFY(!QTest::qWaitFor([&] { return failed.count() > failures; }, 1000)); // nor one more, late
        speech.reset(); // returns, even with the engine stuck
    }

    // Each text goes to the engine only when it is Ready (asked while busy, it would cancel everybody's
    // speech) and the one before has ended (right after say() it still reports Ready), in order.
    void queue() {
        // A text added (or "" for a state report) with the engine's state; what is handed over at once.
        const std::pair<QString, QTextToSpeech::State> steps[] = {{"uno", Ready}, {"due", Ready}, {"", Speaking},
            {"tre", Speaking}, {"", Ready}, {"", Speaking}, {"", Ready}, {"", Speaking}, {"", Ready},
            {"quattro", Paused}, {"", Ready}};
        platform::SpeechQueue queue;
        QStringList got;
        for (const auto &[text, state] : steps)
            got << (text.isEmpty() ? queue.stateChanged(state) : queue.add(text, state)).value_or(QString());
        QCOMPARE(got.join('|'), "uno||||due||tre||||quattro");
    }
};

QTEST_GUILESS_MAIN(SintesiTest)
#include "tst_sintesi.moc"
