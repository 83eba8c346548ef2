// The speech adapter: never makes the GUI thread wait on the engine, closes even when the
// speech service never answers, tries a fresh engine after a failure, and hands texts to
// the engine one at a time, in order, only when it is Ready.
#include <QLocalServer>
#include <QtTest>

#include "platform/Sintesi.h"

using enum QTextToSpeech::State;
using Step = std::pair<QString, QTextToSpeech::State>; // a text added (or "" for a state report), the engine's state
Q_DECLARE_METATYPE(QList<Step>)

class SintesiTest : public QObject {
    Q_OBJECT
private slots:
    void engineNeverBlocks_data()
    {
        QTest::addColumn<bool>("silentService"); QTest::addColumn<int>("failures");
        // The engine stays inside its connection for ever: nothing fails, nothing waits.
        QTest::newRow("service never answers") << true << 0;
        // Each text finds no engine and tries a fresh one: two texts, two failures.
        QTest::newRow("no service") << false << 2;
    }
    void engineNeverBlocks()
    {
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
        for (const char *text : {"ore 16:00", "Nasdaq"})
            speech->speak(QString::fromLatin1(text));
        bool ticked = false;
        QTimer::singleShot(0, this, [&ticked] { ticked = true; });
        QTRY_VERIFY(ticked);
        if (silentService)
            QTRY_VERIFY(service->hasPendingConnections()); // the engine is in its connection now
        QTRY_COMPARE(failed.count(), failures);
        QVERIFY(!QTest::qWaitFor([&] { return failed.count() > failures; }, 1000)); // nor one more, late
        speech.reset(); // returns, even with the engine stuck
    }

    void queue_data()
    {
        // handedOver: after each step, "" for none.
        QTest::addColumn<QList<Step>>("steps"); QTest::addColumn<QStringList>("handedOver");
        // Right after say() the engine still reports Ready: the second text must wait for
        // the first one's end, not cut it off.
        QTest::newRow("in order, one at a time") << QList<Step>{{"uno", Ready}, {"due", Ready}, {"", Speaking},
            {"tre", Speaking}, {"", Ready}, {"", Speaking}, {"", Ready}}
            << QStringList{"uno", "", "", "", "due", "", "tre"};
        // Asked while it is not Ready, the engine would cancel everybody's speech.
        QTest::newRow("only when Ready")
            << QList<Step>{{"uno", Paused}, {"", Speaking}, {"", Ready}} << QStringList{"", "", "uno"};
    }
    void queue()
    {
        QFETCH(QList<Step>, steps); QFETCH(QStringList, handedOver);
        platform::SpeechQueue queue;
        QStringList got;
        for (const auto &[text, state] : steps)
            got << (text.isEmpty() ? queue.stateChanged(state) : queue.add(text, state)).value_or(QString());
        QCOMPARE(got, handedOver);
    }
};

QTEST_GUILESS_MAIN(SintesiTest)
#include "tst_sintesi.moc"
