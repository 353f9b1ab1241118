// The main window's destination configuration: the editor panel over the
// window (open, save, discard) and the generate request that looks up the
// family's destination and hands over to the generation window.
#include "app/DestinationGrid.h"
#include "app/DestinationLookup.h"
#include "app/DestinationModel.h"
#include "app/ErrorHandler.h"
#include "app/MessageBox.h"
#include "app/StatusPanel.h"
#include "app/Tfcierre.h"
#include "app/Tftramexfamilia.h"
#include "common/TextCodec.h"
#include "data/Tfdm.h"

#include <QApplication>
#include <QDateEdit>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>

namespace tramex {
namespace {

const char* const kDestinationTable = "CONFIGURA_LINKFTP";
const char* const kSaveOrCancelFirst =
    "Debe Grabar o Cancelar los cambios de las configuraciones de servidor FTP";
const char* const kNoDestination = "Debe configurar el host de destino para esa familia";
const char* const kLookingUp = "Generando reporte. Espere un momento...";

std::string Decoded(const Instantanea& row, const char* field) {
    return Cp1252ToUtf8(row.FieldText(field));
}

}  // namespace

void Tftramexfamilia::BitBtn3Click() {
    if (AdvPanel1->isHidden()) focusBeforeEditor_ = QApplication::focusWidget();
    ForgetOtherDatabase();
    if (!CConfigtramex.Active()) {
        CConfigtramex.Open();
        destinations_->Reload();
    }
    AdvPanel1->show();
    AdvPanel1->raise();
    DBNavigator1->show();
    DBGridEh2->SyncCurrent();
    DBGridEh2->setFocus();
}

void Tftramexfamilia::AdvGlowButton1Click() {
    DBGridEh2->CommitOpenEditor();
    HideEditorPanel();
    if (!CConfigtramex.Active()) return;
    destinations_->PostRow();
    if (CConfigtramex.PendingChanges() == 0) return;
    // A failure raises the database error for the default handler to show;
    // the edits stay pending for a later save or a discard. A row may have
    // failed because another user changed it: the copy held is then stale.
    destinationsStale_ = true;
    CConfigtramex.ApplyUpdates(kDestinationTable);
    destinationsStale_ = false;
}

void Tftramexfamilia::AdvGlowButton2Click() {
    DBGridEh2->DiscardOpenEditor();
    HideEditorPanel();
    if (!CConfigtramex.Active()) return;
    CConfigtramex.Cancel();
    CConfigtramex.CancelUpdates();
    if (destinationsStale_) {
        // Read again at the next F9, so the operator edits the rows as they are now.
        CConfigtramex.Close();
        destinationsStale_ = false;
    }
    destinations_->Reload();
}

// The control the operator was in gets the focus back while the panel still
// covers the window, so the toolkit does not pass it on to another field.
void Tftramexfamilia::HideEditorPanel() {
    if (focusBeforeEditor_ && focusBeforeEditor_->isEnabled()) focusBeforeEditor_->setFocus();
    AdvPanel1->hide();
}

void Tftramexfamilia::SpeedButton3Click() {
    if (!AdvPanel1->isHidden()) {
        MessageBox::Inform(kSaveOrCancelFirst);
        return;
    }
    Panel5->ShowMessage(kLookingUp);
    Parametros.Familia = Fami->text().toStdString();
    CConflink.Close();
    CConflink.SetCommandText(DestinationLookupCommand(Parametros.Familia));
    Panel5->HideIfFails([this] { CConflink.Open(); });
    if (CConflink.IsEmpty()) {
        MessageBox::Inform(kNoDestination);
        Panel5->HideMessage();
        EndUnattendedRun(ExitStatus::StartUp);
        return;
    }
    CopyDestination();
    if (Parametros.ModoAutomatico != "1") Parametros.IdAgencia = IdAgenciaSeleccionada();
    dm_.ModoAutomatico = Parametros.ModoAutomatico;

    const QDate date = EFecIni->date();
    Parametros.Fecha = std::chrono::year_month_day{
        std::chrono::year(date.year()), std::chrono::month(static_cast<unsigned>(date.month())),
        std::chrono::day(static_cast<unsigned>(date.day()))};
    QPointer<QDialog> generation = CreateGenerationWindow();
    Panel5->HideMessage();
    repaint();
    if (generation) generation->exec();
    close();
}

void Tftramexfamilia::CopyDestination() {
    CConflink.First();  // several rows for one family: the first counts
    Parametros.ServidorFtp = Decoded(CConflink, "CFLK_SERVER");
    Parametros.UsuarioFtp = Decoded(CConflink, "CFLK_USUARIO");
    Parametros.ClaveFtp = Decoded(CConflink, "CFLK_CLAVE");
    Parametros.CodCasa = Decoded(CConflink, "CFLK_CODCASA");
    Parametros.UbicaDoc = Decoded(CConflink, "CFLK_UBICADOC");
    Parametros.CodPartner = Decoded(CConflink, "CFLK_CODPARTNER");
}

QDialog* Tftramexfamilia::CreateGenerationWindow() { return new Tfcierre(this, Parametros, dm_); }

}  // namespace tramex
