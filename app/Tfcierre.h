// The generation window: writes the ten extract files, has the deployment
// scripts pack and clean them, uploads the archive and ends the program.
#pragma once

#include "app/GuiMessagePump.h"
#include "export/RunExport.h"
#include "session/ParametrosEnvio.h"
#include "transfer/AntiFreeze.h"
#include "transfer/FtpClient.h"

#include <QDialog>

#include <memory>

class QKeyEvent;
class QLabel;
class QPushButton;

namespace tramex {

class StatusPanel;
class Tfdm;

class Tfcierre : public QDialog {
  public:
    // parametros and dm must outlive the window. The window is destroyed
    // when it closes; QDialog::exec also destroys it when the modal loop ends.
    Tfcierre(QWidget* owner, ParametrosEnvio& parametros, Tfdm& dm);
    ~Tfcierre() override;

    // Handlers, named after the control and the event that fire them.
    void FormCreate();
    void FormActivate();
    void FormKeyDown(const QKeyEvent& key);
    void SpeedButton1Click();
    void SBSalirClick();
    void FormClose();

    // True from the start of a run until it stops on an error; a run that
    // completes leaves it set while the program ends.
    bool Running() const { return running_; }

    // Controls, each with its object name equal to its member name.
    QLabel* Label1 = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    QPushButton* SBSalir = nullptr;
    StatusPanel* Panel5 = nullptr;

    // Passive, binary, IPv4; host, user and password come from the run
    // parameters at every upload.
    TFtpClient FtpClient1;
    // Settable so tests need not wait for minutes.
    ScriptWaitLimits ScriptWaits;

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void CreateControls();
    void CentreOnDesktop();

    ParametrosEnvio& parametros_;
    Tfdm& dm_;
    GuiMessagePump pump_;
    std::unique_ptr<TAntiFreeze> AntiFreeze1;
    bool activated_ = false;
    bool running_ = false;
};

// The window of the generate request in progress, or nullptr.
extern Tfcierre* fcierre;

}  // namespace tramex
