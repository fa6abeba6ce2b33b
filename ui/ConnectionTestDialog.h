#pragma once

#include "transport/ConnectionTestListener.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

class ConnectionTestThread;
class QLabel;
class QProgressBar;
class QPushButton;

namespace Logic {
class ConnectionSettings;
}

/// "Connection Settings Test": logs in with the settings as typed, reads the mailbox's status
/// and says how it went. The test runs on its own thread; its reports reach the dialog as
/// queued calls. Closing never waits for the test: one still running is abandoned, and none of
/// its reports reaches the closed dialog.
class ConnectionTestDialog : public QDialog, private ConnectionTestListener {
    Q_OBJECT
public:
    /// Starts the test at once. `loginAdvice` follows the reason when the log-in is refused:
    /// what the provider wants (an app password, POP access switched on), or nothing.
    ConnectionTestDialog(const Logic::ConnectionSettings& settings, std::string loginAdvice,
                         QWidget* parent);
    ~ConnectionTestDialog() override;

    /// Tests `settings` in a modal dialog; returns once it is closed.
    static void run(const Logic::ConnectionSettings& settings, const std::string& loginAdvice,
                    QWidget* parent);

    /// The button, Escape and the close box all end the dialog at once.
    void done(int result) override;
    void reject() override;

private:
    void connectFailed(const std::string& reason) override;
    void loginFailed(const std::string& reason) override;
    void statusFailed(const std::string& reason) override;
    void authorizing() override;
    void retrievingStatus() override;
    void succeeded(int messageCount) override;

    /// Runs `show` on the interface thread, unless the dialog has closed by then.
    void post(std::function<void()> show);
    void showStep(const QString& status, int progress);
    void showResult(const QString& status);
    void showFailure(const QString& headline, const std::string& reason);
    void setStatus(const QString& status);

    /// Read on the test's thread, never changed once the test runs.
    const std::string m_loginAdvice;
    QLabel* m_status;
    QProgressBar* m_progress;
    QPushButton* m_button;
    std::unique_ptr<ConnectionTestThread> m_test;
};
