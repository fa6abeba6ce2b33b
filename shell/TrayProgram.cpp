#include "shell/TrayProgram.h"

#include "cli/CommandLineJob.h"
#include "cli/ProgramContext.h"
#include "cli/SingleInstance.h"
#include "cli/StartModel.h"
#include "core/LogicCore.h"
#include "foundation/Exception.h"
#include "foundation/Product.h"
#include "foundation/Reporter.h"
#include "foundation/TextConversion.h"
#include "platform/TerminationSignals.h"
#include "shell/KeyringMove.h"
#include "shell/MainWindow.h"
#include "shell/PageTabs.h"
#include "shell/RemoteAccountAddition.h"
#include "shell/TrayApplication.h"
#include "transport/AbandonedConnectionTests.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"

#include <QSocketNotifier>
#include <QStringDecoder>

#include <iostream>
#include <optional>

TrayProgram::TrayProgram(int& argc, char** argv) : m_argc(argc), m_argv(argv) {}

TrayProgram::~TrayProgram() = default;

int TrayProgram::run() {
    try {
        const int exitCode = runUntilExit();
        // Tests of accounts added from the command line that the program did not wait for,
        // before the libraries they use shut down.
        AbandonedConnectionTests::joinAll();
        return exitCode;
    } catch (const std::exception& failure) {
        // Everything the run built is gone by now; only the Qt application object is left.
        showException(failure.what());
        return 1;
    }
}

int TrayProgram::runUntilExit() {
    ProgramContext application(m_argc, m_argv);
    SingleInstance instance(application.dataFolder());
    if (instance.claim() == SingleInstance::Role::Second)
        return printJobOutput(instance.ask(std::vector<std::string>(m_argv + 1, m_argv + m_argc)));
    const std::unique_ptr<LogicCore> model = startModel(application);
    LogicCore& core = *model;
    if (const std::string problem = TrayApplication::displayProblem(m_argc, m_argv);
        !problem.empty())
        throw Norq::Exception(problem);
    m_gui = TrayApplication::create(m_argc, m_argv);
    if (!application.settings().upgradeAutostart())
        Norq::report("Desktop", "the log-on entry could not be changed to start hidden",
                     application.settings().autostartEntry().string());
    MainWindow window(core, application.settings(),
                      CommandLineJob::startsMinimized(application.options()));
    QObject::connect(&window, &MainWindow::exitRequested, m_gui.get(), &QCoreApplication::quit);
    new KeyringMove(core, &window);
    InstanceServer server(QString::fromStdString(instance.socketPath()),
                          [&window, &core](const std::vector<std::string>& arguments,
                                           const std::string& input,
                                           const InstanceServer::Reply& reply) {
                              answer(window, core, arguments, input, reply);
                          });
    if (!server.listen())
        Norq::report("Desktop", "later starts cannot reach this one", instance.socketPath());
    // The session ending (or `kill`) ends the program as E&xit does: what is unsaved is saved.
    const Platform::TerminationSignals termination;
    std::optional<QSocketNotifier> terminated;
    if (termination.descriptor() >= 0) {
        terminated.emplace(termination.descriptor(), QSocketNotifier::Read);
        QObject::connect(&*terminated, &QSocketNotifier::activated, &window, [&] {
            terminated->setEnabled(false);
            window.exit();
        });
    }
    return m_gui->exec();
}

void TrayProgram::answer(MainWindow& window, LogicCore& core,
                         const std::vector<std::string>& arguments, const std::string& input,
                         const InstanceServer::Reply& reply) {
    const CommandLineOptions options(arguments);
    const CommandLineJob job(options);
    switch (job.kind()) {
    case CommandLineJob::Kind::None:
        if (!CommandLineJob::startsMinimized(options))
            window.showAndActivate();
        reply({0, {}, {}});
        return;
    case CommandLineJob::Kind::CheckOnce:
        window.checkOnRequest(
            [job, reply](const CheckReport& report) { reply(job.checkOutput(report)); });
        return;
    case CommandLineJob::Kind::AddAccount:
        RemoteAccountAddition::start(core, job.newAccount(), input, reply, &window);
        return;
    case CommandLineJob::Kind::ListAccounts:
    case CommandLineJob::Kind::RemoveAccount:
        reply(job.runOn(core, input));
        return;
    default:
        // The asking start does these itself; they never need the running program.
        reply(job.runAlone());
        return;
    }
}

namespace {

// Messages are UTF-8 text, with the names of files and folders in them; one that is not (a
// message in another character set) shows with the top bit of each byte cleared, as ASCII.
QString messageText(const char* what) {
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(QByteArrayView(what));
    return utf8.hasError() ? QString::fromStdU16String(Norq::asciiWiden(what)) : text;
}

} // namespace

void TrayProgram::showException(const char* what) {
    const QString text = messageText(what);
    // Also where the box will show: a display that turns out to be unreachable ends the
    // process before the box, and the log of a desktop session keeps standard error.
    std::cerr << "velomar: " << text.toStdString() << std::endl;
    if (m_gui == nullptr && TrayApplication::displayProblem(m_argc, m_argv).empty())
        m_gui = TrayApplication::create(m_argc, m_argv);
    if (m_gui == nullptr)
        return;
    Prompts::showMessage(QApplication::activeWindow(), QMessageBox::Critical,
                         toQString(Norq::Product::kName) + QStringLiteral(" Exception"), text);
}
