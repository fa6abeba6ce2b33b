#include "app/DesktopProgram.h"

#include "app/Application.h"
#include "app/GuiApplication.h"
#include "app/MainWindow.h"
#include "app/SingleInstance.h"
#include "core/LogicCore.h"
#include "foundation/Exception.h"
#include "foundation/Product.h"
#include "foundation/Reporter.h"
#include "foundation/TextConversion.h"
#include "ui/Prompts.h"

#include <iostream>

DesktopProgram::DesktopProgram(int& argc, char** argv) : m_argc(argc), m_argv(argv) {}

DesktopProgram::~DesktopProgram() = default;

int DesktopProgram::run() {
    try {
        return runUntilExit();
    } catch (const std::exception& failure) {
        // Everything the run built is gone by now; only the Qt application object is left.
        showException(failure.what());
        return 1;
    }
}

int DesktopProgram::runUntilExit() {
    Application application(m_argc, m_argv);
    SingleInstance instance(application.dataFolder());
    if (instance.claim() == SingleInstance::Role::Second)
        return printJobOutput(instance.ask(std::vector<std::string>(m_argv + 1, m_argv + m_argc)));
    LogicCore core(application.dataFolder(), application.presetsFile());
    if (!GuiApplication::hasDisplay(m_argc, m_argv))
        throw Norq::Exception("There is no display for the tray program (DISPLAY is not set); "
                              "velomar --check-once checks without one.");
    m_gui = GuiApplication::create(m_argc, m_argv);
    MainWindow window(core, application.settings(), application.options().hasOption("minimized"));
    QObject::connect(&window, &MainWindow::exitRequested, m_gui.get(), &QCoreApplication::quit);
    InstanceServer server(
        instance.socketPath(),
        [&window](const std::vector<std::string>& arguments, const InstanceServer::Reply& reply) {
            answer(window, arguments, reply);
        });
    if (!server.listen())
        Norq::report("Desktop", "later starts cannot reach this one",
                     instance.socketPath().toStdString());
    return m_gui->exec();
}

void DesktopProgram::answer(MainWindow& window, const std::vector<std::string>& arguments,
                            const InstanceServer::Reply& reply) {
    const CommandLineOptions options(arguments);
    const CommandLineJob job(options);
    if (job.needsAccounts()) {
        window.checkOnRequest(
            [job, reply](const CheckReport& report) { reply(job.checkOutput(report)); });
    } else if (job.isRequested()) {
        // Jobs without the accounts never come here: the asking start does them itself.
        reply({2, {}, "velomar: the running Quorvex Velomar does not do this\n"});
    } else {
        if (!options.hasOption("minimized"))
            window.showAndActivate();
        reply({0, {}, {}});
    }
}

void DesktopProgram::showException(const char* what) {
    const QString text = QString::fromStdU16String(Norq::asciiWiden(what));
    // Also where the box will show: a display that turns out to be unreachable ends the
    // process before the box, and the log of a desktop session keeps standard error.
    std::cerr << "velomar: " << text.toStdString() << std::endl;
    if (m_gui == nullptr && GuiApplication::hasDisplay(m_argc, m_argv))
        m_gui = GuiApplication::create(m_argc, m_argv);
    if (m_gui == nullptr)
        return;
    Prompts::showMessage(QApplication::activeWindow(), QMessageBox::Critical,
                         QString::fromUtf8(Norq::Product::kName.data(),
                                           static_cast<qsizetype>(Norq::Product::kName.size())) +
                             QStringLiteral(" Exception"),
                         text);
}
