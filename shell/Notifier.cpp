#include "shell/Notifier.h"

#include "core/UserActions.h"
#include "foundation/Product.h"
#include "foundation/TextConversion.h"
#include "logic/Mail.h"
#include "shell/NotificationWindow.h"
#include "ui/QtText.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <chrono>

namespace {

// A pop-up's turn comes this long after the previous one appeared.
constexpr float kInterval = 1.0f;
constexpr int kFrameMs = 10;

QString qText(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

QRect Notifier::primaryWorkArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

int Notifier::maximumFor(const QRect& area) {
    return std::max(1, static_cast<int>(area.height() * 0.75 / NotificationWindow::kHeight));
}

Notifier::Notifier(UserActions& actions, QObject* parent)
    : QObject(parent), m_actions(actions), m_clock(steadySeconds), m_workArea(primaryWorkArea) {
    m_timer.setInterval(kFrameMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Notifier::animate);
}

Notifier::~Notifier() = default;

void Notifier::showNewMails() {
    const UserActions::MailsToNotify taken = m_actions.takeMailsToNotify();
    for (const auto& mail : taken.mails)
        m_pending.push_back({mail, nullptr});
    if (!isRunning())
        startRun();
}

void Notifier::showProblem(const QString& emailAddress, const QString& reason) {
    m_pending.push_back(
        {nullptr, std::make_unique<Notice>(Notice{
                      emailAddress, QStringLiteral("Could not check this account. ") + reason})});
    if (!isRunning())
        startRun();
}

void Notifier::startRun() {
    if (m_pending.empty())
        return;
    const QRect area = m_workArea();
    // QRect's right and bottom are the last pixels inside; the pop-ups take the edges after them.
    m_right = area.x() + area.width();
    m_bottom = area.y() + area.height();
    m_maximum = maximumFor(area);
    m_runStart = m_clock();
    m_timer.start();
    animate();
}

void Notifier::animate() {
    const bool full = static_cast<int>(m_popups.size()) >= m_maximum;
    if (!m_pending.empty() && !full && (m_popups.empty() || m_popups.back()->elapsed() > kInterval))
        addPopup();
    if ((m_pending.empty() || full) && !m_alive) {
        endRun();
        // What came after the last place was taken: a run of its own.
        startRun();
        return;
    }
    const auto seconds = static_cast<float>(m_clock() - m_runStart);
    m_alive = false;
    bool faded = false;
    for (const auto& popup : m_popups) {
        const int before = popup->alpha();
        popup->step(seconds);
        faded = faded || popup->alpha() != before;
        m_alive = m_alive || popup->isAlive();
    }
    // A new opacity is only a window property; when nothing else goes to the X server for a
    // while it waits in the output buffer, and the pop-up stays where its fade stood.
    if (faded)
        QGuiApplication::sync();
}

void Notifier::addPopup() {
    // Directly above the newest pop-up of the run, wherever a window manager put it.
    const int bottom = m_bottom - static_cast<int>(m_popups.size()) * NotificationWindow::kHeight;
    const Pending next = takeNext();
    auto layout = NotificationWindow::Layout::Notice;
    QString title = next.notice ? next.notice->title : QString();
    QString sender;
    QString subject = next.notice ? next.notice->text : QString();
    if (next.mail) {
        layout = NotificationWindow::Layout::Mail;
        title = QString::fromStdString(next.mail->accountEmail());
        sender = qText(next.mail->sender());
        subject = qText(next.mail->subject());
    }
    auto popup =
        std::make_unique<NotificationWindow>(m_right, bottom, title, sender, subject, layout);
    popup->setAccessibleName(title);
    popup->setAccessibleDescription(sender.isEmpty() ? subject : sender + u'\n' + subject);
    connect(popup.get(), &NotificationWindow::clicked, this,
            [this, mail = next.mail] { Q_EMIT popupClicked(mail); });
    m_popups.push_back(std::move(popup));
    m_alive = true;
}

Notifier::Pending Notifier::takeNext() {
    const auto mails = std::count_if(m_pending.begin(), m_pending.end(),
                                     [](const Pending& p) { return p.mail != nullptr; });
    if (static_cast<int>(m_popups.size()) + 1 < m_maximum || mails < 2 || !m_pending.front().mail) {
        Pending next = std::move(m_pending.front());
        m_pending.pop_front();
        return next;
    }
    std::erase_if(m_pending, [](const Pending& p) { return p.mail != nullptr; });
    const QString count = m_popups.empty() ? QStringLiteral("%1 new messages")
                                           : QStringLiteral("+%1 more new messages");
    return {nullptr,
            std::make_unique<Notice>(Notice{toQString(Norq::Product::kName), count.arg(mails)})};
}

void Notifier::endRun() {
    m_timer.stop();
    m_popups.clear();
    m_alive = false;
}
