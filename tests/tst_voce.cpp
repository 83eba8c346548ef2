#include <QtTest>
#include "voice/Voce.h"

class TestVoce : public QObject {
    Q_OBJECT
private slots:
    void sentence_data() {
        QTest::addColumn<QStringList>("c"); // time, name, change, sentence
        // The time carries its leading blank; only the change's first character counts, nothing trimmed.
        QTest::newRow("fall") << QStringList{" 16:00", "Nasdaq", "- 0,52 %", "ore  16:00, Nasdaq, meno- 0,52 %"};
        QTest::newRow("rise") << QStringList{" 9:35", "D.Jones", "+ 1,20 %", "ore  9:35, D.Jones, + 1,20 %"};
        QTest::newRow("before first update") << QStringList{"", "Nasdaq", "", "ore , Nasdaq, "};
        QTest::newRow("blank before minus") << QStringList{" 16:00", "Nasdaq", " - 0,52 %", "ore  16:00, Nasdaq,  - 0,52 %"};
        QTest::newRow("minus inside") << QStringList{" 16:00", QStringLiteral("Fut\u00f9res"), "0-1", QStringLiteral("ore  16:00, Fut\u00f9res, 0-1")};
    }
    void sentence() {
        QFETCH(QStringList, c);
        QCOMPARE(FraseVoce(c[0], c[1], c[2]), c[3]);
    }
};

QTEST_APPLESS_MAIN(TestVoce)
#include "tst_voce.moc"
