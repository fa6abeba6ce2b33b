// Prompts answered in advance never open a window, and say what they would have asked.
#include "ui/Prompts.h"
#include "tests/support/QtTests.h"
#include "ui/DialogUnits.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
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

    // Every box shows its whole text, however long its words: paths and addresses break.
    void aMessageShowsItsWholeText() {
        const QString folder = QStringLiteral("/home/anna/.local/share/Quorvex Software/"
                                              "Quorvex Velomar/data/general.bin");
        for (const QString& text :
             {QStringLiteral(
                  "Can't launch the program "
                  "[/opt/no-such-folder/and/then/a/rather/long/way/down/to/the/mail/reader/that/"
                  "is/not/there/any/more/reader]!"),
              QStringLiteral("Account with e-mail address "
                             "[anna.maria.longname-of-the-family@mail.example-provider.org] "
                             "already exists."),
              QStringLiteral("The account file ") + folder +
                  QStringLiteral(" is damaged. It was kept as it is; move it away to start "
                                 "with no accounts."),
              QStringLiteral("<b>not bold</b>")}) {
            const auto box = Prompts::messageBox(nullptr, QMessageBox::Critical,
                                                 QStringLiteral("Quorvex Velomar Error"), text);
            box->show();
            const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            QVERIFY(label != nullptr);
            QCOMPARE(label->textFormat(), Qt::PlainText);
            QString shown = label->text();
            QCOMPARE(shown.remove(QChar(0x200B)), text);
            QVERIFY(box->width() <= QGuiApplication::primaryScreen()->availableGeometry().width());
            const QRect room = label->contentsRect();
            const QRect needed =
                label->fontMetrics().boundingRect(room, Qt::TextWordWrap, label->text());
            QVERIFY2(needed.width() <= room.width() && needed.height() <= room.height(),
                     qPrintable(text));
        }
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
