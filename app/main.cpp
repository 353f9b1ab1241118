// Program start-up: the data module first, then the main window, then the
// message loop until the main window closes or the program is told to end.
#include "app/DemoHooks.h"
#include "app/Tftramexfamilia.h"
#include "app/TramexApplication.h"
#include "app/Translations.h"
#include "data/Tfdm.h"

#include <QPointer>

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

}  // namespace

int main(int argc, char** argv) {
    tramex::TramexApplication application(argc, argv);
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
    window->show();
    window->activateWindow();
    tramex::StartDemoHooks(*window);

    const int status = application.exec();
    delete window;  // before the data module it may still refer to
    tramex::fdm = nullptr;
    return status;
}
