// On a 1280x800 screen at a scale factor of 2 (640x400 to the program): every window fits the
// screen at its first show, and the main window can be made smaller than its first size.
#include "core/LogicCore.h"
#include "foundation/Settings.h"
#include "logic/ServerPresets.h"
#include "shell/MainWindow.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/QtTests.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TempHome.h"
#include "ui/AccountSettingsSheet.h"
#include "ui/AccountWizard.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

namespace {

// Room for a title bar that the offscreen platform does not draw.
constexpr int kTitleBar = 30;

bool fitsTheScreen(const QWidget& window) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    return screen.contains(window.frameGeometry()) &&
           window.frameGeometry().height() + kTitleBar <= screen.height();
}

} // namespace

class WindowSizesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry().size(), QSize(640, 400));
    }

    void theMainWindowFitsAndShrinks() {
        TestSupport::TempHome home;
        TestSupport::StderrCapture quiet;
        LogicCore core{home.dataFolder(), {}};
        core.accountMgr().addAccount(ShellTest::unreachableAccount("anna@example.org"));
        Norq::Settings settings;
        MainWindow window(core, settings, false);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY2(fitsTheScreen(window), qPrintable(QDebug::toString(window.frameGeometry())));
        QVERIFY(window.minimumHeight() < window.height() * 2 / 3);
        QVERIFY(window.minimumWidth() < window.width() * 3 / 4);
        window.resize(window.minimumSize());
        QTRY_COMPARE(window.size(), window.minimumSize());
    }

    void theAccountDialogsFit() {
        TestSupport::TempHome home;
        LogicCore core{home.dataFolder(), {}};
        AccountWizard wizard(core, nullptr);
        wizard.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wizard));
        QVERIFY2(fitsTheScreen(wizard), qPrintable(QDebug::toString(wizard.frameGeometry())));
        AccountSettingsSheet sheet({}, {}, core, nullptr);
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        QVERIFY2(fitsTheScreen(sheet), qPrintable(QDebug::toString(sheet.frameGeometry())));
    }
};

VELOMAR_QT_TEST(WindowSizesTest);

#include "WindowSizesTest.moc"
