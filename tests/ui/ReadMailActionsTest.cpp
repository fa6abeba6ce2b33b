// The three read-mail actions against the desktop's real handlers (desktop entries and
// mimeapps.list in the test's own XDG folders), and the %NAME% expansion of the mail client's
// command line.
#include "ui/ReadMailActions.h"
#include "tests/support/QtTests.h"
#include "tests/ui/PageTestSupport.h"
#include "ui/Prompts.h"

#include <QTest>

using namespace PageTests;

namespace {

QStringList askedTexts() {
    QStringList texts;
    for (const Prompts::Asked& asked : Prompts::takeAsked()) {
        if (asked.caption != QStringLiteral("Quorvex Velomar Error"))
            texts << QStringLiteral("caption: ") + asked.caption;
        texts << asked.text;
    }
    return texts;
}

} // namespace

class ReadMailActionsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { installDesktopHandlers(); }
    void init() { forgetHandlerStarts(); }

    void environmentReferencesExpand_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expanded");
        QTest::newRow("no reference") << "/usr/bin/mail -compose"
                                      << "/usr/bin/mail -compose";
        QTest::newRow("one") << "%VELOMAR_TEST_BOX%/mail"
                             << "inbox/mail";
        QTest::newRow("two in a row") << "%VELOMAR_TEST_BOX%%VELOMAR_TEST_BOX%"
                                      << "inboxinbox";
        QTest::newRow("unknown variable") << "%NOPE_NOT_SET%x"
                                          << "x";
        QTest::newRow("unclosed at the end") << "50%"
                                             << "50";
        QTest::newRow("unclosed with text") << "a%b"
                                            << "a";
        QTest::newRow("field code of a desktop entry") << "mailer %u"
                                                       << "mailer ";
        QTest::newRow("double percent") << "100%%"
                                        << "100";
    }
    void environmentReferencesExpand() {
        QFETCH(QString, text);
        QFETCH(QString, expanded);
        QCOMPARE(QString::fromStdU16String(expandEnvironmentReferences(text.toStdU16String())),
                 expanded);
    }

    void defaultMailClientStartsWithItsExpandedCommandLine() {
        QVERIFY(launchDefaultMailClient(nullptr));
        QTRY_COMPARE(handlerStarts(), QStringList{QStringLiteral("--mail inbox")});

        setMailClientInstalled(false);
        Prompts::answerNextMessage();
        QVERIFY(!launchDefaultMailClient(nullptr));
        setMailClientInstalled(true);
        QCOMPARE(askedTexts(), QStringList{QStringLiteral("Can't launch default mail client!")});
    }

    void programsStartAsAShellSplitsThemOrSayWhyNot() {
        const QString quoted = recordingCommand(QStringLiteral("--read 'two words' \"and three\""));
        QVERIFY(launchProgram(nullptr, quoted.toStdU16String()));
        QTRY_COMPARE(handlerStarts(), QStringList{QStringLiteral("--read two words and three")});

        for (const char16_t* bad : {u"/nonexistent/reader --inbox", u"", u"reader 'unclosed"}) {
            Prompts::answerNextMessage();
            QVERIFY(!launchProgram(nullptr, bad));
            QCOMPARE(askedTexts(), QStringList{QStringLiteral("Can't launch the program [") +
                                               QString::fromUtf16(bad) + QStringLiteral("]!")});
        }
    }

    void addressesOpenWithTheirHandler() {
        QVERIFY(runReadMailAction(nullptr, opening("velomar-test:inbox")));
        QTRY_COMPARE(handlerStarts(), QStringList{QStringLiteral("--open velomar-test:inbox")});

        Prompts::answerNextMessage();
        QVERIFY(!runReadMailAction(nullptr, opening("velomar-nohandler:inbox")));
        QCOMPARE(askedTexts(),
                 QStringList{QStringLiteral("Can't open the url [velomar-nohandler:inbox]!")});

        Logic::AccountPreferences unknown = launching("true");
        unknown.setReadMailAction(static_cast<Logic::ReadMailAction>(7));
        QVERIFY(!runReadMailAction(nullptr, unknown));
        QVERIFY(Prompts::takeAsked().isEmpty());
    }
};

VELOMAR_QT_TEST(ReadMailActionsTest);

#include "ReadMailActionsTest.moc"
