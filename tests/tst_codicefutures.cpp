#include <QtTest>
#include "futures/CodiceFutures.h"

// Each row follows one answer through the chain: code read, offered or not, bytes of fut.txt.
class TestCodiceFutures : public QObject {
    Q_OBJECT
private slots:
    void chain_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("offered");
        QTest::addColumn<QByteArray>("bytes");
        const QString h = QStringLiteral("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n");
        QTest::newRow("equal") << h + "CZ26" << "CZ26" << "CZ26" << false << QByteArray("CZ26\r\n");
        QTest::newRow("CRLF, different") << h + "CH27\r\n" << "CZ26" << "CH27" << true << QByteArray("CH27\r\n");
        QTest::newRow("LF, case differs") << h + "CZ26\n" << "Cz26" << "CZ26" << true << QByteArray("CZ26\r\n");
        QTest::newRow("blank line, lowercase c") << h + "cz26\r\n\r\n" << "CZ26" << "cz26" << false << QByteArray("cz26\r\n");
        QTest::newRow("trailing blank kept") << h + "CZ26 \r\n" << "CZ26" << "CZ26 " << true << QByteArray("CZ26 \r\n");
        QTest::newRow("inner blank line kept, empty symbol") << h + "CZ26\r\n\r\nX" << "" << "CZ26\r\n\r\nX" << true << QByteArray("CZ26\r\n\r\nX\r\n");
        QTest::newRow("empty body") << h << "CZ26" << "" << false << QByteArray("\r\n");
        QTest::newRow("no blank line, comma kept") << "abcCZ26,X\r\n" << "CZ26" << "CZ26,X" << true << QByteArray("CZ26,X\r\n");
        QTest::newRow("four chars") << "abcC" << "" << "C" << true << QByteArray("C\r\n");
        QTest::newRow("three chars") << "abc" << "" << "" << false << QByteArray("\r\n");
        QTest::newRow("empty answer") << "" << "CZ26" << "" << false << QByteArray("\r\n");
        QTest::newRow("not C") << h + "<html>" << "CZ26" << "<html>" << false << QByteArray("<html>\r\n");
        QTest::newRow("utf-8") << h + QStringLiteral("C\u00f9") << "CZ26" << QStringLiteral("C\u00f9") << true << QByteArray("C\xc3\xb9\r\n");
    }
    void chain() {
        QFETCH(QString, answer);
        QFETCH(QString, symbol);
        QFETCH(QString, code);
        QFETCH(bool, offered);
        QFETCH(QByteArray, bytes);
        QCOMPARE(EstraiCodice(answer), code);
        QCOMPARE(CodiceNuovo(code, symbol), offered);
        QCOMPARE(ContenutoFut(code), bytes);
    }
};

QTEST_APPLESS_MAIN(TestCodiceFutures)
#include "tst_codicefutures.moc"
