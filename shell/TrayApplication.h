#pragma once

#include <QApplication>

#include <exception>
#include <memory>
#include <string>

/// The Qt application object of the tray program. An exception thrown while an event is
/// handled ends the event loop, and `exec` throws it again on the thread that started the
/// loop, so it reaches the entry point like one thrown at start-up.
class TrayApplication : public QApplication {
    Q_OBJECT
public:
    /// Why no window can be shown, with what was tried and what to do; empty when an X11 or
    /// Wayland display answers, or a Qt platform was chosen (which then speaks for itself).
    static std::string displayProblem(int argc, char** argv);
    /// Connects to the display, preferring X11 when both X11 and Wayland are there (Wayland
    /// does not let a program place its own pop-ups) unless the user chose the platform. A
    /// display that cannot be reached ends the process with exit code 1 and the reason on
    /// standard error, as there is nowhere else to show it.
    static std::unique_ptr<TrayApplication> create(int& argc, char** argv);

    /// Runs the event loop; rethrows what ended it early.
    int exec();

    bool notify(QObject* receiver, QEvent* event) override;

private:
    TrayApplication(int& argc, char** argv);

    std::exception_ptr m_failure;
};
