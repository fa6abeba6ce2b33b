// The read-mail actions against the desktop's real handlers (desktop entries and mimeapps.list
// in the test's XDG folders).
#include "ui/ReadMailActions.h"
#include "tests/support/QtTests.h"
#include "tests/ui/PageTestSupport.h"
#include "ui/Prompts.h"

#include <QTest>

using namespace PageTests;
using namespace Qt::StringLiterals;
using Logic::ReadMailAction;

namespace {

// The one error box the last call showed.
QString shownError() {
    const auto asked = Prompts::takeAsked();
    return asked.size() == 1 && asked[0].caption == u"Quorvex Velomar Error"_s ? asked[0].text
                                                                               : u"?"_s;
}

} // namespace

class ReadMailActionsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { installDesktopHandlers(); }
    void init() { forgetHandlerStarts(); }

    void defaultMailClientStartsAsItsMenuEntryWould() {
        // Its field codes filled in as the desktop fills them: an icon, no address.
        QVERIFY(launchDefaultMailClient(nullptr));
        QTRY_COMPARE(handlerStarts(), QStringList{u"--mail --icon velomar-test-mail"_s});

        setMailClientInstalled(false);
        Prompts::answerNextMessage();
        QVERIFY(!launchDefaultMailClient(nullptr));
        setMailClientInstalled(true);
        QCOMPARE(shownError(), u"Can't launch default mail client!"_s);
    }

    void programsStartAsAShellSplitsThemOrSayWhyNot() {
        QVERIFY(launchProgram(nullptr,
                              recordingCommand(u"'two words' \"and three\""_s).toStdU16String()));
        QTRY_COMPARE(handlerStarts(), QStringList{u"two words and three"_s});

        for (const QString& bad : {u"/nonexistent/reader --inbox"_s, u""_s, u"reader 'open"_s}) {
            Prompts::answerNextMessage();
            QVERIFY(!launchProgram(nullptr, bad.toStdU16String()));
            QCOMPARE(shownError(), u"Can't launch the program ["_s + bad + u"]!"_s);
        }
    }

    void addressesOpenWithTheirHandler() {
        QVERIFY(runReadMailAction(nullptr, readAction(ReadMailAction::OpenUrl, "velomar-test:in")));
        QTRY_COMPARE(handlerStarts(), QStringList{u"--open velomar-test:in"_s});

        Prompts::answerNextMessage();
        QVERIFY(!runReadMailAction(nullptr,
                                   readAction(ReadMailAction::OpenUrl, "velomar-nohandler:in")));
        QCOMPARE(shownError(), u"Can't open the url [velomar-nohandler:in]!"_s);

        QVERIFY(!runReadMailAction(nullptr, readAction(static_cast<ReadMailAction>(7), "true")));
        QVERIFY(Prompts::takeAsked().isEmpty());
    }
};

VELOMAR_QT_TEST(ReadMailActionsTest);

#include "ReadMailActionsTest.moc"
