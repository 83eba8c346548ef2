// The minute announcement's sentence (a fall and the text before any reading: tst_form1).
#include <QtTest>

#include "voice/Voce.h"

class TestVoce : public QObject {
    Q_OBJECT
private slots:
    // Only the change's first character counts; nothing is trimmed.
    void sentence_data() {
        QTest::addColumn<QString>("change"); QTest::addColumn<QString>("sentence");
        QTest::newRow("blank before minus") << " - 0,52 %" << "ore  9:35, Fut\u00f9res,  - 0,52 %";
        QTest::newRow("minus inside") << "0-1" << "ore  9:35, Fut\u00f9res, 0-1";
    }
    void sentence() {
        QFETCH(QString, change); QTEST(FraseVoce(" 9:35", QStringLiteral("Fut\u00f9res"), change), "sentence");
    }
};

QTEST_APPLESS_MAIN(TestVoce)
#include "tst_voce.moc"
