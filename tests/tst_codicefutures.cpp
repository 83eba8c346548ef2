#include <QtTest>
#include "futures/CodiceFutures.h"

class TestCodiceFutures : public QObject
{
    Q_OBJECT
private slots:
    void extract_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("code");
        const QString head = QStringLiteral("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n");
        QTest::newRow("plain body") << head + "CZ26" << "CZ26";
        QTest::newRow("trailing CRLF") << head + "CZ26\r\n" << "CZ26";
        QTest::newRow("trailing LF") << head + "CZ26\n" << "CZ26";
        QTest::newRow("trailing blank line") << head + "CZ26\r\n\r\n" << "CZ26";
        QTest::newRow("trailing blanks kept") << head + "CZ26 \r\n" << "CZ26 ";
        QTest::newRow("first empty line only") << head + "CZ26\r\n\r\nX" << "CZ26\r\n\r\nX";
        QTest::newRow("empty body") << head << "";
        QTest::newRow("no empty line") << "abcCZ26\r\n" << "CZ26";
        QTest::newRow("four chars") << "abcC" << "C";
        QTest::newRow("three chars") << "abc" << "";
        QTest::newRow("empty answer") << "" << "";
    }
    void extract()
    {
        QFETCH(QString, answer);
        QFETCH(QString, code);
        QCOMPARE(EstraiCodice(answer), code);
    }

    void isNew_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<bool>("offered");
        QTest::newRow("equal") << "CZ26" << "CZ26" << false;
        QTest::newRow("different") << "CH27" << "CZ26" << true;
        QTest::newRow("case differs") << "CZ26" << "Cz26" << true;
        QTest::newRow("lowercase c") << "cz26" << "CZ26" << false;
        QTest::newRow("not C") << "<html>" << "CZ26" << false;
        QTest::newRow("empty code") << "" << "CZ26" << false;
        QTest::newRow("empty both") << "" << "" << false;
        QTest::newRow("empty symbol") << "CZ26" << "" << true;
    }
    void isNew()
    {
        QFETCH(QString, code);
        QFETCH(QString, symbol);
        QFETCH(bool, offered);
        QCOMPARE(CodiceNuovo(code, symbol), offered);
    }

    void fileContent_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("code") << "CZ26" << QByteArray("CZ26\r\n");
        QTest::newRow("empty") << "" << QByteArray("\r\n");
        QTest::newRow("blanks kept") << " CZ26 " << QByteArray(" CZ26 \r\n");
        QTest::newRow("comma kept") << "CZ26,X" << QByteArray("CZ26,X\r\n");
        QTest::newRow("line break kept") << "CZ26\r\n" << QByteArray("CZ26\r\n\r\n");
        QTest::newRow("utf-8") << QStringLiteral("Cù") << QByteArray("C\xc3\xb9\r\n");
    }
    void fileContent()
    {
        QFETCH(QString, code);
        QFETCH(QByteArray, bytes);
        QCOMPARE(ContenutoFut(code), bytes);
    }
};

QTEST_APPLESS_MAIN(TestCodiceFutures)
#include "tst_codicefutures.moc"
