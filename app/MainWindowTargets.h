// The main window's edits and run parameters as the targets of the settings
// file and the command line.
#pragma once

#include "session/SessionTargets.h"

namespace tramex {

class Tftramexfamilia;

class MainWindowTargets : public SessionTargets {
  public:
    explicit MainWindowTargets(Tftramexfamilia& window) : window_(window) {}

    void SetServidor(const std::string& text) override;
    void SetTusua(const std::string& text) override;
    void SetTClave(const std::string& text) override;
    std::string Cia() const override;
    void SetCia(const std::string& text) override;
    void SetFami(const std::string& text) override;
    void SetDias(std::optional<double> days) override;
    void SetDirectorioDatos(const std::string& text) override;
    void SetModoAutomatico(const std::string& text) override;
    void SetIdAgencia(const std::string& text) override;

  private:
    Tftramexfamilia& window_;
};

}  // namespace tramex
