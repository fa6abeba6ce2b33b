#pragma once

#include "shell/InstanceServer.h"

#include <memory>
#include <string>
#include <vector>

class TrayApplication;
class LogicCore;
class MainWindow;

/// The tray program from its start to "E&xit". One runs per user: a second start shows the
/// first one's window and ends. A failure at any point ends the program with the exception
/// box, and its text on standard error.
class TrayProgram {
public:
    /// `argc` must outlive the program (the Qt application object keeps it).
    TrayProgram(int& argc, char** argv);
    ~TrayProgram();

    /// 0 after "E&xit" or when the running program took over; 1 after a failure.
    int run();

    /// What the running program does when a later start asks: a check, a change of the
    /// accounts (`input` is the password a new account needs), or showing the window.
    static void answer(MainWindow& window, LogicCore& core,
                       const std::vector<std::string>& arguments, const std::string& input,
                       const InstanceServer::Reply& reply);

private:
    int runUntilExit();
    void showException(const char* what);

    int& m_argc;
    char** m_argv;
    std::unique_ptr<TrayApplication> m_gui;
};
