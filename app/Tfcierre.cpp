// The generation window: its controls, its keys, its first activation and
// the run behind "F2: Imprimir", guarded against starting twice.
#include "app/Tfcierre.h"

#include "app/ErrorHandler.h"
#include "app/KeyPreview.h"
#include "app/MessageBox.h"
#include "app/StatusPanel.h"
#include "common/Interruption.h"
#include "data/Tfdm.h"
#include "export/RunLog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace tramex {
namespace {

// The run's messages go to the window's status panel, forced onto the screen
// at once because the run keeps the message loop from painting.
class PanelDisplay : public RunDisplay {
  public:
    explicit PanelDisplay(StatusPanel& panel) : panel_(panel) {}

    void FlashPanel() override {
        panel_.show();
        panel_.window()->repaint();
        panel_.hide();
    }
    void ShowStep(const std::string& message) override {
        panel_.HideMessage();
        panel_.ShowMessage(message);
    }
    void SetCaption(const std::string& message) override {
        panel_.setText(QString::fromStdString(message));
        panel_.window()->repaint();
    }
    void Inform(const std::string& message) override { MessageBox::Inform(message); }

  private:
    StatusPanel& panel_;
};

}  // namespace

Tfcierre* fcierre = nullptr;

Tfcierre::Tfcierre(QWidget* owner, ParametrosEnvio& parametros, Tfdm& dm)
    : QDialog(owner),
      parametros_(parametros),
      dm_(dm),
      AntiFreeze1(std::make_unique<TAntiFreeze>(pump_)) {
    setObjectName("fcierre");
    setAttribute(Qt::WA_DeleteOnClose);
    FtpClient1.TransferType = TFtpTransferType::Binary;
    CreateControls();
    new KeyPreview(this, [this](const QKeyEvent& key) { FormKeyDown(key); });
    FormCreate();
    fcierre = this;
}

Tfcierre::~Tfcierre() {
    if (fcierre == this) fcierre = nullptr;
}

void Tfcierre::CreateControls() {
    setWindowTitle(QStringLiteral("Generar archivos"));
    Label1 = new QLabel(QStringLiteral("Prepare la unidad y presione F2 para generar los archivos"),
                        this);
    Label1->setObjectName("Label1");
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignCenter);
    SpeedButton1 = new QPushButton(QStringLiteral("F2: Imprimir"), this);
    SpeedButton1->setObjectName("SpeedButton1");
    SBSalir = new QPushButton(QStringLiteral("ESC: Salir"), this);
    SBSalir->setObjectName("SBSalir");
    // Enter belongs to the form's key handler, not to a default button.
    for (QPushButton* button : {SpeedButton1, SBSalir}) button->setAutoDefault(false);
    connect(SpeedButton1, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(SBSalir, &QPushButton::clicked, this, [this] { SBSalirClick(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SpeedButton1);
    buttons->addWidget(SBSalir);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(buttons);
    Panel5 = new StatusPanel(this);
    Panel5->setObjectName("Panel5");
    Panel5->setText(QStringLiteral("Generando archivos. Espere un momento..."));
}

void Tfcierre::FormCreate() {
    resize(380, 150);
    CentreOnDesktop();
    // (assign rather than = "0": GCC 12 warns falsely about the literal copy.)
    if (parametros_.IdAgencia.empty()) parametros_.IdAgencia.assign(1, '0');
}

void Tfcierre::CentreOnDesktop() {
    if (const QScreen* desktop = screen()) {
        move(desktop->availableGeometry().center() - rect().center());
    }
}

void Tfcierre::FormActivate() {
    if (dm_.ModoAutomatico == "1") SpeedButton1Click();
}

void Tfcierre::FormKeyDown(const QKeyEvent& key) {
    switch (key.key()) {
        case Qt::Key_F2:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            SpeedButton1Click();
            break;
        case Qt::Key_Escape:
            SBSalirClick();
            break;
        default:
            break;
    }
}

void Tfcierre::SpeedButton1Click() {
    // Keys queued during the database steps and the script waits arrive in
    // the middle of the upload, when the anti-freeze lets events through: a
    // second run there would interleave with the first on one connection.
    if (running_) return;
    running_ = true;
    PanelDisplay display(*Panel5);
    ExitStatus status = ExitStatus::Uploaded;
    const bool completed = RunHandler(
        [&] { status = RunExport(dm_.Quintor, parametros_, FtpClient1, ScriptWaits, display); });
    if (!completed) {
        running_ = false;  // stopped on an error: the window stays open for another try
        return;
    }
    // Every run that gets this far ends the program, with the run's status.
    // It takes effect when control is back in the message loop: this modal
    // window's loop ends, the generate request closes the main window and
    // the program ends. The window stays guarded meanwhile.
    if (status == ExitStatus::Uploaded) {
        outcome::RecordUploaded();
    } else {
        outcome::RecordFailure(status);
    }
    QCoreApplication::exit(static_cast<int>(status));
}

void Tfcierre::SBSalirClick() {
    if (running_) return;
    close();
}

// The report snapshots belong to the extract run, which releases each one as
// soon as its file is written; nothing is left open here.
void Tfcierre::FormClose() {}

bool Tfcierre::event(QEvent* event) {
    const bool becomesActive =
        event->type() == QEvent::WindowActivate || event->type() == QEvent::Show;
    if (becomesActive && !activated_) {
        // Once, whether or not the desktop hands the window the focus; coming
        // back from a box must not start another run. The run starts from
        // the modal loop, which must be running for the run's end to end it.
        activated_ = true;
        QTimer::singleShot(0, this, [this] { FormActivate(); });
    }
    return QDialog::event(event);
}

// Enter and Escape are the form handler's; the dialog's own meaning of them
// (default button, reject) would bypass the run guard.
void Tfcierre::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void Tfcierre::closeEvent(QCloseEvent* event) {
    // Closing in the middle of an FTP operation would destroy the client
    // under its own wait: a close from the system (window manager, end of
    // session) stops the run at its next safe point instead.
    if (running_) {
        if (event->spontaneous()) interruption::Request("cierre de la ventana");
        event->ignore();
        return;
    }
    FormClose();
    QDialog::closeEvent(event);
}

void Tfcierre::reject() {
    if (!running_) QDialog::reject();
}

}  // namespace tramex
