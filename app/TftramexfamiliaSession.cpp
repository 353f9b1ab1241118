// The main window's database session: the connect routine, the branch list
// and the branch chosen in it.
#include "app/DestinationModel.h"
#include "app/StatusPanel.h"
#include "app/Tftramexfamilia.h"
#include "common/TextCodec.h"
#include "data/Tfdm.h"
#include "session/CompanyCode.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>

namespace tramex {
namespace {

const char* const kAllBranches = "Todas...";

std::string Text(const QLineEdit* edit) { return edit->text().toStdString(); }

}  // namespace

void Tftramexfamilia::CiaExit() {
    if (Cia->text().isEmpty() || Tusua->text().isEmpty() || TClave->text().isEmpty()) return;
    // The code becomes a folder of the database path: "../x" or "host:" would
    // reach another database.
    RequireCompanyCode(Text(Cia));
    Panel5->ShowMessage("Conectando a la base de datos " + Text(Cia) + " ...");
    Connection& quintor = dm_.Quintor;
    quintor.Close();
    quintor.SetEntry("Database", Text(Servidor) + "/datos/" + Text(Cia) + "/quintor.fdb");
    quintor.SetEntry("User_Name", Text(Tusua));
    quintor.SetEntry("password", Text(TClave));
    Panel5->HideIfFails([&quintor] { quintor.Open(); });

    EFecIni->setEnabled(true);
    EFecIni->setDate(QDate::currentDate());
    Panel5->HideMessage();
    EFecIni->setFocus();
    SpeedButton3->setEnabled(true);
    // Open() returns only once attached, so there is no "connecting" state to wait out.
    ForgetOtherDatabase();
    if (Parametros.ModoAutomatico != "1") {
        LlenarAgencias();
    } else if (quintor.State() == ConnectionState::Open) {
        SpeedButton3Click();
    }
}

// Rows read from one company's database must not be listed, chosen or saved
// while connected to another: they are read again from the new one.
void Tftramexfamilia::ForgetOtherDatabase() {
    const std::string database = dm_.Quintor.Entry("Database");
    if (database == snapshotsDatabase_) return;
    snapshotsDatabase_ = database;
    CAgencias.Close();
    CConfigtramex.Close();
    destinations_->Reload();
}

void Tftramexfamilia::LlenarAgencias() {
    CAgencias.Open();
    if (!CAgencias.Locate("SUCU_ID", "0")) {
        // Kept in the snapshot only, never written to the database.
        CAgencias.Insert();
        CAgencias.SetFieldText(CAgencias.FieldIndex("SUCU_ID"), "0");
        CAgencias.SetFieldText(CAgencias.FieldIndex("SUCU_NOMBRE"), kAllBranches);
        CAgencias.Post();
    }
    CboAgencia->clear();
    const int name = CAgencias.FieldIndex("SUCU_NOMBRE");
    for (CAgencias.First(); !CAgencias.Eof(); CAgencias.Next())
        CboAgencia->addItem(QString::fromStdString(Cp1252ToUtf8(CAgencias.FieldText(name))));
    CboAgencia->setCurrentIndex(0);
    CboAgenciaChange();
    CboAgencia->setEnabled(true);
}

void Tftramexfamilia::CboAgenciaChange() {
    if (Parametros.ModoAutomatico == "1") return;
    Parametros.IdAgencia = IdAgenciaSeleccionada();
}

std::string Tftramexfamilia::IdAgenciaSeleccionada() {
    // Before any connect there is no list to choose from: all branches.
    if (!CAgencias.Active()) return "0";
    const std::string shown = Utf8ToCp1252(CboAgencia->currentText().toStdString());
    if (!CAgencias.Locate("SUCU_NOMBRE", shown)) return "0";
    return CAgencias.FieldText("SUCU_ID");
}

}  // namespace tramex
