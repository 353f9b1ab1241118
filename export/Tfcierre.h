// The generation window: writes the ten extract files, has the deployment
// scripts pack and clean them, uploads the archive and ends the program.
#pragma once

#include "session/ParametrosEnvio.h"

#include <QDialog>

class QKeyEvent;
class QLabel;
class QPushButton;

namespace tramex {

class StatusPanel;
class Tfdm;

class Tfcierre : public QDialog {
  public:
    // parametros and dm must outlive the window. The window is destroyed
    // when it closes.
    Tfcierre(QWidget* owner, ParametrosEnvio& parametros, Tfdm& dm);
    ~Tfcierre() override;

    // Handlers, named after the control and the event that fire them.
    void FormCreate();
    void FormActivate();
    void FormKeyDown(const QKeyEvent& key);
    void SpeedButton1Click();
    void SBSalirClick();
    void FormClose();

    // Controls, each with its object name equal to its member name.
    QLabel* Label1 = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    QPushButton* SBSalir = nullptr;
    StatusPanel* Panel5 = nullptr;

  private:
    void CreateControls();

    ParametrosEnvio& parametros_;
    Tfdm& dm_;
};

}  // namespace tramex
