// The main window's life and handlers: settings at creation, command line and
// connect at first activation, the form keys, and leaving the company and
// family fields.
#include "app/Tftramexfamilia.h"

#include "app/DiasEdit.h"
#include "app/ErrorHandler.h"
#include "app/MainWindowTargets.h"
#include "app/MessageBox.h"
#include "app/StatusPanel.h"
#include "app/Tfcierre.h"
#include "common/Error.h"
#include "common/Interruption.h"
#include "data/Tfdm.h"
#include "export/RunExport.h"
#include "export/RunLog.h"
#include "export/RunOptions.h"
#include "export/RunStatus.h"
#include "platform/PathSeparator.h"
#include "session/CommandLine.h"
#include "session/InstallDirectory.h"
#include "session/SettingsFile.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

namespace tramex {
namespace {

bool IsTyped(const QEvent* event) {
    const QString text = static_cast<const QKeyEvent*>(event)->text();
    return !text.isEmpty() && text.front().isPrint();
}

Tfdm& RequireDataModule() {
    if (!fdm) throw Error("The data module must exist before the main window");
    return *fdm;
}

}  // namespace

Tftramexfamilia* ftramexfamilia = nullptr;

Tftramexfamilia::Tftramexfamilia(std::vector<std::string> commandLine,
                                 std::unique_ptr<Registry> registry, QWidget* parent)
    : QWidget(parent),
      commandLine_(std::move(commandLine)),
      registry_(std::move(registry)),
      dm_(RequireDataModule()) {
    CAgencias.SetConnection(&dm_.Quintor);
    CAgencias.SetCommandText(Tfdm::TAgencia);
    CConfigtramex.SetConnection(&dm_.Quintor);
    CConfigtramex.SetCommandText(Tfdm::TConfigtramex);
    CConflink.SetConnection(&dm_.Quintor);
    setAttribute(Qt::WA_DeleteOnClose);
    BuildControls();
    // The window opens whatever happens while the settings load.
    RunHandler([this] { FormCreate(); });
}

Tftramexfamilia::~Tftramexfamilia() = default;

void Tftramexfamilia::FormCreate() {
    MainWindowTargets targets(*this);
    const std::string directory = diraplicacion();
    dm_.UseInstallation(directory);
    LoadRunOptions(directory);
    const std::string settingsPath = SettingsFilePath(directory);
    LogSettingsRead(settingsPath, LoadSettingsFile(settingsPath, targets));
    if (Parametros.ModoAutomatico == "1") {
        outcome::SetUnattended(true);
        MessageBox::setSelfClosingSeconds(CurrentRunOptions().limiteAvisosSegundos);
    }
}

// tramex.ini beside the settings file; the run log opens once its place is known.
void Tftramexfamilia::LoadRunOptions(const std::string& installDirectory) {
    std::vector<std::string> problems;
    const std::string path = installDirectory + kPathSeparator + kOptionsFileName;
    SetCurrentRunOptions(tramex::LoadRunOptions(path, problems));
    runlog::Open(installDirectory, CurrentRunOptions().archivoRegistro);
    for (const std::string& problem : problems) runlog::Write(kOptionsFileName + (": " + problem));
}

void Tftramexfamilia::LogSettingsRead(const std::string& path, const SettingsReadReport& report) {
    if (!report.opened) {
        runlog::Write(path + " no se pudo abrir; los campos quedan vacíos");
        return;
    }
    runlog::Write(path + ": " + std::to_string(report.lines) + " líneas");
    if (report.unterminatedBytes > 0)
        runlog::Write(path + ": la última línea no termina en fin de línea y no se aplica (" +
                      std::to_string(report.unterminatedBytes) + " bytes)");
    if (report.lines < 10) runlog::Write(path + ": sin la línea 10 la ejecución no es desatendida");
}

std::string Tftramexfamilia::diraplicacion() {
    if (auto directory = FindInstallDirectory(*registry_)) return *directory;
    MessageBox::Inform(kInstallKeyMissingMessage);
    return {};
}

void Tftramexfamilia::FormActivate() {
    MainWindowTargets targets(*this);
    ApplyCommandLine(commandLine_, targets);
    runlog::Write("inicio: " + QCoreApplication::applicationName().toStdString() + " " +
                  QCoreApplication::applicationVersion().toStdString() + ", modo " +
                  (Parametros.ModoAutomatico == "1" ? "desatendido" : "atendido") + ", familia " +
                  Fami->text().toStdString() + ", agencia " + Parametros.IdAgencia + ", compañía " +
                  Cia->text().toStdString() + ", directorio " +
                  AbsoluteDataDirectory(Parametros.DirectorioDatos));
    if (ConnectionFieldsComplete()) CiaExit();
}

bool Tftramexfamilia::ConnectionFieldsComplete() const {
    return !Servidor->text().isEmpty() && !Tusua->text().isEmpty() && !TClave->text().isEmpty() &&
           !Cia->text().isEmpty();
}

void Tftramexfamilia::FormKeyDown(const QKeyEvent& key) {
    if (key.modifiers() & (Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier)) return;
    if (key.key() == Qt::Key_F2) {
        if (AdvPanel1->isHidden()) {
            SpeedButton3Click();
        } else {
            AdvGlowButton1Click();
        }
    }
    if (key.key() == Qt::Key_Escape) {
        if (AdvPanel1->isHidden()) {
            close();
        } else {
            AdvGlowButton2Click();
        }
    }
    if (key.key() == Qt::Key_F9) BitBtn3Click();
}

void Tftramexfamilia::SpeedButton2Click() { close(); }

// The generation window is this window's child: closing this one in the
// middle of an upload would destroy the FTP client under its own wait.
void Tftramexfamilia::closeEvent(QCloseEvent* event) {
    if (fcierre && fcierre->Running()) {
        if (event->spontaneous()) interruption::Request("cierre de la ventana");
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

bool Tftramexfamilia::event(QEvent* event) {
    const bool becomesActive =
        event->type() == QEvent::WindowActivate || event->type() == QEvent::Show;
    if (becomesActive && !activated_) {
        // The window is the program's active window from the moment it is
        // shown, whether or not the desktop gives it the focus (a scheduler's
        // run may start behind other programs, or with no window manager).
        // Only the first activation counts: coming back from another program,
        // a message box or the generation window must not apply the command
        // line or connect again. The work runs from the message loop, outside
        // the toolkit's own activation.
        activated_ = true;
        QTimer::singleShot(0, this, [this] { FormActivate(); });
    }
    return QWidget::event(event);
}

bool Tftramexfamilia::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && (watched == Cia || watched == Fami)) {
        // Focus leaving with the whole window (another program, a popup or a
        // box) is not leaving the field, nor is the destination editor (F9)
        // opening over it.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        const bool intoEditor = AdvPanel1->isAncestorOf(QApplication::focusWidget());
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !intoEditor)
            CiaExit();
    }
    if (event->type() == QEvent::KeyPress && watched == CboAgencia && IsTyped(event) &&
        !CboAgencia->view()->isVisible()) {
        CboAgencia->showPopup();
    }
    return QWidget::eventFilter(watched, event);
}

void Tftramexfamilia::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    AdvPanel1->setGeometry(rect().adjusted(12, 12, -12, -12));
}

}  // namespace tramex
