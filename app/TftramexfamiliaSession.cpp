// The main window's database session: the connect routine, the branch list
// and the branch chosen in it.
#include "app/DestinationModel.h"
#include "app/StatusPanel.h"
#include "app/Tftramexfamilia.h"
#include "common/TextCodec.h"
#include "data/DatabaseError.h"
#include "data/Tfdm.h"
#include "export/DataDirectoryLock.h"
#include "export/ExtractFileError.h"
#include "export/RunExport.h"
#include "export/RunLock.h"
#include "export/RunLog.h"
#include "export/RunOptions.h"
#include "export/RunStatus.h"
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

void OpenDatabase(Connection& quintor) {
    try {
        quintor.Open();
    } catch (const DatabaseInUseError&) {
        throw RunFailure(ExitStatus::Database,
                         "La base de datos " + quintor.Entry("Database") +
                             " está abierta por otro programa con el motor integrado, que no la "
                             "comparte; vuelva a intentarlo cuando ese programa termine");
    }
}

}  // namespace

void Tftramexfamilia::CiaExit() {
    if (Cia->text().isEmpty() || Tusua->text().isEmpty() || TClave->text().isEmpty()) return;
    // The code becomes a folder of the database path: "../x" or "host:" would
    // reach another database.
    RequireCompanyCode(Text(Cia));
    HoldDataDirectory();
    Panel5->ShowMessage("Conectando a la base de datos " + Text(Cia) + " ...");
    Connection& quintor = dm_.Quintor;
    quintor.Close();
    quintor.SetEntry("Database", Text(Servidor) + "/datos/" + Text(Cia) + "/quintor.fdb");
    quintor.SetEntry("User_Name", Text(Tusua));
    quintor.SetEntry("password", Text(TClave));
    Panel5->HideIfFails([&quintor] { OpenDatabase(quintor); });

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

// Two runs of this installation take turns before either attaches the
// database, not only once they reach the export: an unattended run takes the
// lock as it starts, an attended one as it connects.
void Tftramexfamilia::HoldDataDirectory() {
    if (Parametros.DirectorioDatos.empty()) return;  // no export can run: nothing to share
    const std::string directory = AbsoluteDataDirectory(Parametros.DirectorioDatos);
    try {
        runlock::Hold(directory, CurrentRunOptions().esperaOtraExportacionSegundos * 1000,
                      [this, &directory] {
                          const std::string message = WaitingForOtherExportMessage(directory);
                          runlog::Write(message);
                          Panel5->ShowMessage(message);
                      });
    } catch (const ExtractFileError& error) {
        // A data directory that cannot hold the lock cannot take the files
        // either: the export reports it (status 4) when it gets there; the
        // operator may still connect and correct the destinations.
        runlog::Write(std::string("el bloqueo se tomará al exportar: ") + error.what());
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
