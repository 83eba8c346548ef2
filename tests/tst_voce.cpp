#include <QtTest>
#include "voice/Voce.h"

class TestVoce : public QObject
{
    Q_OBJECT
private slots:
    void sentence_data()
    {
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("expected");
        // The time text carries its leading blank, so "ore" is followed by two blanks.
        QTest::newRow("fall") << " 16:00" << "Nasdaq" << "- 0,52 %" << "ore  16:00, Nasdaq, meno- 0,52 %";
        QTest::newRow("rise") << " 9:35" << "D.Jones" << "+ 1,20 %" << "ore  9:35, D.Jones, + 1,20 %";
        QTest::newRow("empty change") << " 16:00" << "Nasdaq" << "" << "ore  16:00, Nasdaq, ";
        QTest::newRow("before first update") << "" << "Nasdaq" << "" << "ore , Nasdaq, ";
        // Only the first character counts, and nothing is trimmed.
        QTest::newRow("blank before minus") << " 16:00" << "Nasdaq" << " - 0,52 %" << "ore  16:00, Nasdaq,  - 0,52 %";
        QTest::newRow("minus inside") << " 16:00" << "Futùres" << "0-1" << "ore  16:00, Futùres, 0-1";
    }
    void sentence()
    {
        QFETCH(QString, time);
        QFETCH(QString, name);
        QFETCH(QString, change);
        QFETCH(QString, expected);
        QCOMPARE(FraseVoce(time, name, change), expected);
    }
};

QTEST_APPLESS_MAIN(TestVoce)
#include "tst_voce.moc"
