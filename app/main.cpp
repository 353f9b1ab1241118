// Program start-up: the data module first, then the main window, then the
// message loop until the main window closes or the program is told to end.
// The exit status tells a scheduler how the run ended.
#include "app/DemoHooks.h"
#include "app/ErrorHandler.h"
#include "app/Tftramexfamilia.h"
#include "app/TramexApplication.h"
#include "app/Translations.h"
#include "common/Interruption.h"
#include "data/Tfdm.h"
#include "export/RunLog.h"
#include "export/RunStatus.h"
#include "platform/TerminationSignals.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <future>

namespace {

// The arguments after the program name, without the toolkit's own options.
std::vector<std::string> ProgramParameters() {
    std::vector<std::string> parameters;
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype at = 1; at < arguments.size(); ++at) {
        parameters.push_back(arguments[at].toStdString());
    }
    return parameters;
}

// A stop requested while the program waits in a message loop (the main
// window, a box) ends it there; inside a run the run's own safe points act.
void WatchForStopRequests(QCoreApplication& application) {
    auto* watch = new QTimer(&application);
    QObject::connect(watch, &QTimer::timeout, watch, [watch] {
        if (!tramex::interruption::Requested()) return;
        watch->stop();
        tramex::runlog::Write("interrumpido: " + tramex::interruption::Reason());
        tramex::EndInterruptedRun();
    });
    watch->start(200);
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, qApp,
                     [] { tramex::interruption::Request("fin de sesión"); });
}

#if defined(__ELF__)
// A scheduler may stop the program the moment it starts. The handlers go in
// before any library's initialisation runs (the toolkit's takes tens of
// milliseconds), right after the loader mapped the libraries: a signal then
// is a stop request like any other, logged and ended with status 8.
extern "C" void InstallTerminationHandlersFirst(int, char**, char**) {
    tramex::InstallTerminationHandlers();
}
using PreInit = void (*)(int, char**, char**);
__attribute__((section(".preinit_array"), used)) const PreInit kInstallFirst =
    InstallTerminationHandlersFirst;
#endif

constexpr std::chrono::seconds kDetachLimit{3};

// Detaches on a worker and waits up to limit; false when it did not return
// in time (logged).
bool DetachWithin(tramex::Connection& connection, std::chrono::seconds limit) {
    auto detach = std::async(std::launch::async, [&connection] {
        try {
            connection.Close();
        } catch (const std::exception& error) {
            tramex::runlog::Write(std::string("al desconectar la base de datos: ") + error.what());
        }
    });
    if (detach.wait_for(limit) == std::future_status::ready) return true;
    tramex::runlog::Write("la base de datos no se desconectó en " + std::to_string(limit.count()) +
                          " s; el programa termina igual");
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // Before the database client library is loaded: it installs its own
    // handlers and hands the signal to ours through its shutdown callback.
    // (Already done before the libraries' initialisation where the system
    // allows; installing again changes nothing.)
    tramex::InstallTerminationHandlers();
    tramex::TramexApplication application(argc, argv);
    QCoreApplication::setApplicationName("Tramex2");
    QCoreApplication::setApplicationVersion(TRAMEX_VERSION);
    QElapsedTimer running;
    running.start();
    tramex::InstallSpanishTranslations();
    tramex::Tfdm dataModule;
    tramex::fdm = &dataModule;

    QPointer<tramex::Tftramexfamilia> window = new tramex::Tftramexfamilia(ProgramParameters());
    tramex::ftramexfamilia = window;
    // Closing the main window ends the program, whatever other windows exist.
    QObject::connect(window, &QObject::destroyed, &application, [] {
        tramex::ftramexfamilia = nullptr;
        QCoreApplication::quit();
    });
    WatchForStopRequests(application);
    window->show();
    window->activateWindow();
    tramex::StartDemoHooks(*window);

    application.exec();
    delete window;  // before the data module it may still refer to
    tramex::fdm = nullptr;
    const int status = tramex::outcome::ExitCode();
    const bool detached = DetachWithin(dataModule.Quintor, kDetachLimit);
    tramex::runlog::Write(tramex::runlog::EndText(status, running.elapsed()));
    // A detach that does not come back must not keep a scheduled run alive:
    // the engine's files are consistent on disk at every moment, and the
    // system closes them with the process.
    if (!detached) std::_Exit(status);
    return status;
}
