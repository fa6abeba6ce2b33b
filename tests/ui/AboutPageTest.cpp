// The About page's version and guide link, and the link itself: only its text is the link (to
// the mouse, the cursor and the tooltip), a press moved off before the release opens nothing,
// the keyboard opens it, and it shows the visited colour once it opened.
#include "ui/AboutPage.h"
#include "foundation/Product.h"
#include "tests/support/QtTests.h"
#include "tests/ui/PageTestSupport.h"
#include "ui/HyperLink.h"

#include <QCoreApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QTest>
#include <QToolTip>
#include <QUrl>
#include <QVBoxLayout>

using namespace PageTests;
using namespace Qt::StringLiterals;

namespace {

// How many pixels of the link show this colour: the underline is drawn in it, unblended.
int pixelsOf(HyperLink& link, QPalette::ColorRole role) {
    const QImage image = link.grab().toImage();
    const QRgb wanted = link.palette().color(role).rgb();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == wanted ? 1 : 0;
    }
    return count;
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
        for (const char* name : {"first", "second"}) {
            auto* link = new HyperLink(u"User guide"_s, u"velomar-test:guide"_s, m_window.get());
            link->setObjectName(QString::fromLatin1(name));
            layout->addWidget(link);
        }
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup() { m_window.reset(); }

    void pageShowsTheVersionAndLinksToTheGuideBesideTheProgram() {
        AboutPage page(nullptr);
        const auto* version = page.findChild<QLabel*>(u"version"_s);
        QCOMPARE(version->text(), QString::fromStdString(Norq::Product::versionText()));
        const auto* link = page.findChild<HyperLink*>(u"userGuideLink"_s);
        QCOMPARE(link->address(), QUrl::fromLocalFile(QCoreApplication::applicationDirPath() +
                                                      u"/docs/user-guide.html"_s)
                                      .toString());
    }

    void onlyAClickOnTheTextOpensTheLink() {
        HyperLink& link = this->link(u"first"_s);
        const QRect text = link.labelRect();
        const QPoint beside(text.right() + 20, text.center().y());
        QVERIFY(link.rect().contains(beside));

        QTest::mouseMove(&link, text.center());
        QCOMPARE(link.cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseMove(&link, beside);
        QCOMPARE(link.cursor().shape(), Qt::ArrowCursor);
        QHelpEvent overSpace(QEvent::ToolTip, beside, link.mapToGlobal(beside));
        QCoreApplication::sendEvent(&link, &overSpace);
        QVERIFY(!QToolTip::isVisible());
        QHelpEvent overText(QEvent::ToolTip, text.center(), link.mapToGlobal(text.center()));
        QCoreApplication::sendEvent(&link, &overText);
        QVERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), u"velomar-test:guide"_s);

        QTest::mouseClick(&link, Qt::LeftButton, {}, beside);
        QTest::mousePress(&link, Qt::LeftButton, {}, text.center());
        QTest::mouseMove(&link, beside);
        QTest::mouseRelease(&link, Qt::LeftButton, {}, beside);
        QVERIFY(!link.isVisited());
        QVERIFY(pixelsOf(link, QPalette::Link) > 0);

        QTest::mouseClick(&link, Qt::LeftButton, {}, text.center());
        QVERIFY(link.isVisited());
        QCOMPARE(pixelsOf(link, QPalette::Link), 0);
        QVERIFY(pixelsOf(link, QPalette::LinkVisited) > 0);
        QTRY_COMPARE(handlerStarts(), QStringList{u"--open velomar-test:guide"_s});
    }

    void tabFocusesTheLinkAndEnterOrSpaceOpenIt() {
        HyperLink& first = link(u"first"_s);
        HyperLink& second = link(u"second"_s);
        second.setFocus(Qt::TabFocusReason);
        const QImage unfocused = first.grab().toImage();
        first.setFocus(Qt::TabFocusReason);
        QVERIFY(first.hasFocus());
        QVERIFY(first.grab().toImage() != unfocused); // the focus frame
        QTest::keyClick(&first, Qt::Key_Return);
        QVERIFY(first.isVisited());
        QTest::keyClick(m_window.get(), Qt::Key_Tab);
        QVERIFY(second.hasFocus());
        QTest::keyClick(&second, Qt::Key_Space);
        QVERIFY(second.isVisited());
        QTRY_COMPARE(handlerStarts().size(), 2);

        // An address nothing opens leaves the link as it was, without a word.
        HyperLink nowhere(u"Nowhere"_s, u"velomar-nohandler:x"_s, m_window.get());
        QTest::keyClick(&nowhere, Qt::Key_Enter);
        QVERIFY(!nowhere.isVisited());
    }

private:
    HyperLink& link(const QString& name) { return *m_window->findChild<HyperLink*>(name); }

    std::unique_ptr<QWidget> m_window;
};

VELOMAR_QT_TEST(AboutPageTest);

#include "AboutPageTest.moc"
