// The main window: connection fields, report parameters and product family,
// the keys F2, F9 and Escape, the status panel, and the run parameters of the
// one export a program run performs.
#pragma once

#include "data/Instantanea.h"
#include "platform/Registry.h"
#include "session/ParametrosEnvio.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QDateEdit;
class QDialog;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace tramex {

class DestinationGrid;
class DestinationModel;
class DiasEdit;
class StatusPanel;
class Tfdm;
struct SettingsReadReport;

class Tftramexfamilia : public QWidget {
  public:
    // commandLine: the program's arguments after its name, applied at first
    // activation. Creation loads the settings (FormCreate); an error there is
    // shown and the window still opens. The data module (fdm) must exist first.
    explicit Tftramexfamilia(std::vector<std::string> commandLine,
                             std::unique_ptr<Registry> registry = SystemRegistry(),
                             QWidget* parent = nullptr);
    ~Tftramexfamilia() override;

    ParametrosEnvio Parametros;

    // The branch list, the destination editor's rows and the family's
    // destination, all over the data module's connection.
    Instantanea CAgencias;
    Instantanea CConfigtramex;
    Instantanea CConflink;

    // Handlers, named after the control and the event that fire them.
    virtual void FormCreate();
    virtual void FormActivate();
    virtual void FormKeyDown(const QKeyEvent& key);
    virtual void CiaExit();
    virtual void CboAgenciaChange();
    virtual void SpeedButton3Click();
    virtual void BitBtn3Click();
    virtual void AdvGlowButton1Click();
    virtual void AdvGlowButton2Click();
    virtual void SpeedButton2Click();

    // The ERP installation directory; empty text, after telling the operator,
    // when the registry does not know the installation.
    std::string diraplicacion();

    // The SUCU_ID of the first branch named as the selector shows, or "0".
    std::string IdAgenciaSeleccionada();

    // Controls, each with its object name equal to its member name.
    QLabel* Label2 = nullptr;
    QLineEdit* Servidor = nullptr;
    QLineEdit* Tusua = nullptr;
    QLineEdit* TClave = nullptr;
    QLineEdit* Cia = nullptr;
    QDateEdit* EFecIni = nullptr;
    DiasEdit* Dias = nullptr;
    QComboBox* CboAgencia = nullptr;
    QLineEdit* Fami = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* SpeedButton3 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* SpeedButton2 = nullptr;
    StatusPanel* Panel5 = nullptr;
    // The destination editor shown over the window; its grid and navigator go
    // into AdvPanel1Body.
    QGroupBox* AdvPanel1 = nullptr;
    QVBoxLayout* AdvPanel1Body = nullptr;
    QPushButton* AdvGlowButton1 = nullptr;
    QPushButton* AdvGlowButton2 = nullptr;
    DestinationGrid* DBGridEh2 = nullptr;
    QWidget* DBNavigator1 = nullptr;
    QLineEdit* BuscarEdit = nullptr;  // incremental search over the grid's current column

  protected:
    // The generation window for one run, owned by this window (tests put a
    // stand-in here).
    virtual QDialog* CreateGenerationWindow();

    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void HoldDataDirectory();
    void LoadRunOptions(const std::string& installDirectory);
    void LogSettingsRead(const std::string& path, const SettingsReadReport& report);
    void BuildControls();
    QWidget* BuildOrigenGroup();
    QWidget* BuildParametrosGroup();
    QWidget* BuildButtonBar();
    void BuildConfigurationPanel();
    void BuildDestinationEditor();
    void LlenarAgencias();
    void ForgetOtherDatabase();
    void CopyDestination();
    void HideEditorPanel();
    void SetTabOrder();
    void WireHandlers();
    void CentreOnDesktop();
    bool ConnectionFieldsComplete() const;

    std::vector<std::string> commandLine_;
    std::unique_ptr<Registry> registry_;
    Tfdm& dm_;
    DestinationModel* destinations_ = nullptr;
    // The "Database" entry the open branch list and destination rows were read from.
    std::string snapshotsDatabase_;
    bool activated_ = false;
    // A save of the destination rows failed: a discard reads them again.
    bool destinationsStale_ = false;
    // Where the focus was when the destination editor opened.
    QPointer<QWidget> focusBeforeEditor_;
};

// The program's one main window, set by start-up.
extern Tftramexfamilia* ftramexfamilia;

}  // namespace tramex
