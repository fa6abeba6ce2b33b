#include "ui/ConnectionTestDialog.h"

#include "transport/AbandonedConnectionTests.h"
#include "transport/ConnectionTestThread.h"
#include "ui/DialogFrame.h"
#include "ui/DialogUnits.h"
#include "ui/QtText.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Tests abandoned shortly before the program ends are waited for (a moment each) before the
// libraries they use shut down.
void joinAbandonedTestsAtExit() {
    static const bool registered = [] {
        qAddPostRoutine(&AbandonedConnectionTests::joinAll);
        return true;
    }();
    Q_UNUSED(registered);
}

} // namespace

ConnectionTestDialog::ConnectionTestDialog(const Logic::ConnectionSettings& settings,
                                           std::string loginAdvice, QWidget* parent)
    : QDialog(parent), m_loginAdvice(std::move(loginAdvice)) {
    setWindowTitle(QStringLiteral("Connection Settings Test"));
    setWindowFlags(kDialogFrame);
    m_status = new QLabel(QStringLiteral("Connecting to server..."), this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setAlignment(Qt::AlignCenter);
    m_status->setWordWrap(true);
    m_status->setFixedWidth(dialogUnitsToPixelsX(this, 174));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setRange(0, 3);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setFixedHeight(dialogUnitsToPixelsY(this, 8));
    m_button = new QPushButton(QStringLiteral("&Cancel"), this);
    m_button->setObjectName(QStringLiteral("button"));
    m_button->setDefault(true);
    m_button->setMinimumSize(dialogUnitsToPixels(this, 50, 14));
    connect(m_button, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });

    auto* layout = new QVBoxLayout(this);
    const int side = dialogUnitsToPixelsX(this, 6);
    layout->setContentsMargins(side, dialogUnitsToPixelsY(this, 12), side,
                               dialogUnitsToPixelsY(this, 4));
    layout->setSpacing(0);
    layout->addWidget(m_status);
    layout->addSpacing(dialogUnitsToPixelsY(this, 8));
    layout->addWidget(m_progress);
    layout->addSpacing(dialogUnitsToPixelsY(this, 6));
    layout->addWidget(m_button, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setStatus(m_status->text());

    joinAbandonedTestsAtExit();
    ConnectionTestListener& listener = *this;
    m_test = std::make_unique<ConnectionTestThread>(listener, settings);
    m_test->start();
}

ConnectionTestDialog::~ConnectionTestDialog() {
    AbandonedConnectionTests::keep(std::move(m_test));
}

void ConnectionTestDialog::run(const Logic::ConnectionSettings& settings,
                               const std::string& loginAdvice, QWidget* parent) {
    ConnectionTestDialog dialog(settings, loginAdvice, parent);
    dialog.exec();
}

void ConnectionTestDialog::done(int result) {
    // From here on the test reports to nobody; a running one ends by itself, unwaited for.
    AbandonedConnectionTests::keep(std::move(m_test));
    QDialog::done(result);
}

void ConnectionTestDialog::reject() {
    done(QDialog::Accepted);
}

void ConnectionTestDialog::connectFailed(const std::string& reason) {
    showFailure(QStringLiteral("Failed! Can't connect to server!"), reason);
}

void ConnectionTestDialog::loginFailed(const std::string& reason) {
    showFailure(QStringLiteral("Failed! Wrong user name or password!"),
                m_loginAdvice.empty() ? reason : reason + " " + m_loginAdvice);
}

void ConnectionTestDialog::statusFailed(const std::string& reason) {
    showFailure(QStringLiteral("Failed! Can't retrive mailbox status!"), reason);
}

void ConnectionTestDialog::showFailure(const QString& headline, const std::string& reason) {
    QString status = headline;
    if (!reason.empty())
        status += QLatin1Char('\n') + toQString(reason);
    post([this, status] { showResult(status); });
}

void ConnectionTestDialog::authorizing() {
    post([this] { showStep(QStringLiteral("Process authorization..."), 1); });
}

void ConnectionTestDialog::retrievingStatus() {
    post([this] { showStep(QStringLiteral("Retrieving mailbox status..."), 2); });
}

void ConnectionTestDialog::succeeded(int messageCount) {
    post([this, messageCount] {
        showStep(QStringLiteral("Success! You have %1 mails in your mailbox!").arg(messageCount),
                 3);
        m_button->setText(QStringLiteral("&Ok"));
    });
}

void ConnectionTestDialog::post(std::function<void()> show) {
    QMetaObject::invokeMethod(
        this,
        [this, show = std::move(show)] {
            if (m_test)
                show();
        },
        Qt::QueuedConnection);
}

void ConnectionTestDialog::showStep(const QString& status, int progress) {
    setStatus(status);
    m_progress->setValue(progress);
}

void ConnectionTestDialog::showResult(const QString& status) {
    setStatus(status);
    m_button->setText(QStringLiteral("&Ok"));
}

void ConnectionTestDialog::setStatus(const QString& status) {
    m_status->setText(status);
    // A reason on a second line makes the dialog taller, never wider.
    m_status->setFixedHeight(m_status->heightForWidth(m_status->width()));
}
