// The main window's life and handlers: settings at creation, command line and
// connect at first activation, the form keys, and leaving the company and
// family fields.
#include "app/Tftramexfamilia.h"

#include "app/DiasEdit.h"
#include "app/ErrorHandler.h"
#include "app/MainWindowTargets.h"
#include "app/MessageBox.h"
#include "app/StatusPanel.h"
#include "common/Error.h"
#include "data/Tfdm.h"
#include "session/CommandLine.h"
#include "session/InstallDirectory.h"
#include "session/SettingsFile.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
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
    LoadSettingsFile(SettingsFilePath(directory), targets);
}

std::string Tftramexfamilia::diraplicacion() {
    if (auto directory = FindInstallDirectory(*registry_)) return *directory;
    MessageBox::Inform(kInstallKeyMissingMessage);
    return {};
}

void Tftramexfamilia::FormActivate() {
    MainWindowTargets targets(*this);
    ApplyCommandLine(commandLine_, targets);
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
