// Prompts answered in advance never open a window, and say what they would have asked.
#include "ui/Prompts.h"
#include "tests/support/QtTests.h"
#include "ui/DialogUnits.h"

#include <QTest>
#include <QWidget>

class PromptsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answeredPromptsAreRecordedInOrder() {
        Prompts::answerNextMessage();
        Prompts::answerNextFileDialog(QStringLiteral("/tmp/chime.wav"));
        Prompts::showError(nullptr, QStringLiteral("Can't open the url [x]!"));
        QCOMPARE(Prompts::openFileName(nullptr, QStringLiteral("Open"), {},
                                       {QStringLiteral("Sound Files (*.wav)")}),
                 QStringLiteral("/tmp/chime.wav"));
        const auto asked = Prompts::takeAsked();
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[0].caption, QStringLiteral("Quorvex Velomar Error"));
        QCOMPARE(asked[0].text, QStringLiteral("Can't open the url [x]!"));
        QCOMPARE(asked[1].filters, QStringList{QStringLiteral("Sound Files (*.wav)")});
        QVERIFY(Prompts::takeAsked().isEmpty());
    }

    void dialogUnitsFollowTheFont() {
        QWidget widget;
        const QSize small = dialogUnitsToPixels(&widget, 332, 191);
        QFont larger = widget.font();
        larger.setPointSizeF(larger.pointSizeF() * 2);
        widget.setFont(larger);
        const QSize big = dialogUnitsToPixels(&widget, 332, 191);
        QVERIFY(small.width() > 332 && small.height() > 191);
        QVERIFY(big.width() > small.width() * 3 / 2 && big.height() > small.height() * 3 / 2);
    }
};

VELOMAR_QT_TEST(PromptsTest);

#include "PromptsTest.moc"
