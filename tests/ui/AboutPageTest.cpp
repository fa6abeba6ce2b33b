// The About page's guide link, and the link itself: only its text is the link (to the mouse,
// the cursor and the tooltip), a press moved off the text opens nothing, Tab reaches it and
// Enter or Space open it, and it shows the visited colour once it opened.
#include "ui/AboutPage.h"
#include "tests/support/QtTests.h"
#include "tests/ui/PageTestSupport.h"
#include "ui/HyperLink.h"
#include "ui/Prompts.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <QUrl>
#include <QVBoxLayout>

using namespace PageTests;
using namespace Qt::StringLiterals;

namespace {

// Whether the link shows this colour: its underline is drawn in it, unblended.
bool shows(HyperLink& link, QPalette::ColorRole role) {
    const QImage image = link.grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == link.palette().color(role).rgb())
                return true;
        }
    }
    return false;
}

void hover(HyperLink& link, QPoint at) {
    QHelpEvent help(QEvent::ToolTip, at, link.mapToGlobal(at));
    QCoreApplication::sendEvent(&link, &help);
}

} // namespace

class AboutPageTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { installDesktopHandlers(); }
    void init() {
        forgetHandlerStarts();
        m_window = std::make_unique<QWidget>();
        m_window->resize(400, 120);
        auto* layout = new QVBoxLayout(m_window.get());
        for (int i = 0; i < 2; ++i)
            layout->addWidget(m_links[i] = new HyperLink(u"User guide"_s, u"velomar-test:guide"_s,
                                                         m_window.get()));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void thePageLinksToTheGuideBesideTheProgram() {
        AboutPage page(nullptr);
        QCOMPARE(
            page.findChild<HyperLink*>(u"userGuideLink"_s)->address(),
            QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + u"/docs/user-guide.html"_s)
                .toString());
    }

    void aScreenReaderMeetsALinkThatOpens() {
        QAccessibleInterface* link = QAccessible::queryAccessibleInterface(m_links[0]);
        QCOMPARE(link->role(), QAccessible::Link);
        QCOMPARE(link->text(QAccessible::Name), u"User guide"_s);
        link->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(handlerStarts(), QStringList{u"--open velomar-test:guide"_s});
    }

    void aGuideThatCannotBeOpenedSaysSo() {
        AboutPage page(nullptr); // a test build has no guide beside it
        Prompts::answerNextMessage();
        page.findChild<HyperLink*>(u"userGuideLink"_s)->open();
        QVERIFY(Prompts::takeAsked().value(0).text.startsWith(u"Can't open the user guide [/"_s));
    }

    void onlyTheTextIsTheLink() {
        HyperLink& link = *m_links[0];
        const QPoint text = link.labelRect().center();
        const QPoint beside(link.labelRect().right() + 20, text.y());
        QTest::mouseMove(&link, text);
        QCOMPARE(link.cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseMove(&link, beside);
        QCOMPARE(link.cursor().shape(), Qt::ArrowCursor);
        hover(link, beside);
        QVERIFY(!QToolTip::isVisible());
        hover(link, text);
        QCOMPARE(QToolTip::text(), u"velomar-test:guide"_s);

        QTest::mouseClick(&link, Qt::LeftButton, {}, beside);
        QTest::mousePress(&link, Qt::LeftButton, {}, text);
        QTest::mouseMove(&link, beside);
        QTest::mouseRelease(&link, Qt::LeftButton, {}, beside);
        QVERIFY(!link.isVisited());
        QVERIFY(shows(link, QPalette::Link));

        QTest::mouseClick(&link, Qt::LeftButton, {}, text);
        QVERIFY(link.isVisited());
        QVERIFY(shows(link, QPalette::LinkVisited) && !shows(link, QPalette::Link));
        QTRY_COMPARE(handlerStarts(), QStringList{u"--open velomar-test:guide"_s});
    }

    void tabReachesTheLinkAndEnterOrSpaceOpenIt() {
        m_links[1]->setFocus(Qt::TabFocusReason);
        const QImage unfocused = m_links[0]->grab().toImage();
        QTest::keyClick(m_window.get(), Qt::Key_Tab);
        QVERIFY(m_links[0]->hasFocus());
        QVERIFY(m_links[0]->grab().toImage() != unfocused); // the focus frame
        QTest::keyClick(m_links[0], Qt::Key_Return);
        QTest::keyClick(m_links[1], Qt::Key_Space);
        QVERIFY(m_links[0]->isVisited() && m_links[1]->isVisited());
        QTRY_COMPARE(handlerStarts().size(), 2);

        // An address nothing opens leaves the link as it was, without a word.
        HyperLink nowhere(u"Nowhere"_s, u"velomar-nohandler:x"_s, m_window.get());
        QTest::keyClick(&nowhere, Qt::Key_Enter);
        QVERIFY(!nowhere.isVisited());
    }

private:
    std::unique_ptr<QWidget> m_window;
    HyperLink* m_links[2] = {};
};

VELOMAR_QT_TEST(AboutPageTest);

#include "AboutPageTest.moc"
