// Settings and command-line values into the main window.
#include "app/MainWindowTargets.h"

#include "app/DiasEdit.h"
#include "app/Tftramexfamilia.h"

#include <QLineEdit>

namespace tramex {

void MainWindowTargets::SetServidor(const std::string& text) {
    window_.Servidor->setText(QString::fromStdString(text));
}

void MainWindowTargets::SetTusua(const std::string& text) {
    window_.Tusua->setText(QString::fromStdString(text));
}

void MainWindowTargets::SetTClave(const std::string& text) {
    window_.TClave->setText(QString::fromStdString(text));
}

std::string MainWindowTargets::Cia() const { return window_.Cia->text().toStdString(); }

void MainWindowTargets::SetCia(const std::string& text) {
    window_.Cia->setText(QString::fromStdString(text));
}

void MainWindowTargets::SetFami(const std::string& text) {
    window_.Fami->setText(QString::fromStdString(text));
}

void MainWindowTargets::SetDias(std::optional<double> days) { window_.Dias->setValue(days); }

void MainWindowTargets::SetDirectorioDatos(const std::string& text) {
    window_.Parametros.DirectorioDatos = text;
}

void MainWindowTargets::SetModoAutomatico(const std::string& text) {
    window_.Parametros.ModoAutomatico = text;
}

void MainWindowTargets::SetIdAgencia(const std::string& text) {
    window_.Parametros.IdAgencia = text;
}

}  // namespace tramex
