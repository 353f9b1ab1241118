// Where the settings file and the command line put their values: the main
// window's edits and its run parameters. All text is UTF-8.
#pragma once

#include <optional>
#include <string>

namespace tramex {

class SessionTargets {
  public:
    virtual ~SessionTargets() = default;

    virtual void SetServidor(const std::string& text) = 0;
    virtual void SetTusua(const std::string& text) = 0;
    virtual void SetTClave(const std::string& text) = 0;
    virtual std::string Cia() const = 0;
    virtual void SetCia(const std::string& text) = 0;
    virtual void SetFami(const std::string& text) = 0;
    // nullopt empties the days edit.
    virtual void SetDias(std::optional<double> days) = 0;

    virtual void SetDirectorioDatos(const std::string& text) = 0;
    virtual void SetModoAutomatico(const std::string& text) = 0;
    virtual void SetIdAgencia(const std::string& text) = 0;
};

}  // namespace tramex
