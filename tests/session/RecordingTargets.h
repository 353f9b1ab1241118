// Session targets that record every value written into them, in order, as
// "Target=value" entries; the company code reads back what was last set.
#pragma once

#include "session/SessionTargets.h"

#include <string>
#include <vector>

namespace tramex::testing {

class RecordingTargets : public SessionTargets {
  public:
    std::vector<std::string> written;
    std::string cia;  // what Cia() answers

    void SetServidor(const std::string& text) override { Record("Servidor", text); }
    void SetTusua(const std::string& text) override { Record("Tusua", text); }
    void SetTClave(const std::string& text) override { Record("TClave", text); }
    std::string Cia() const override { return cia; }
    void SetCia(const std::string& text) override {
        cia = text;
        Record("Cia", text);
    }
    void SetFami(const std::string& text) override { Record("Fami", text); }
    void SetDias(std::optional<double> days) override {
        Record("Dias", days ? std::to_string(*days) : "(empty)");
    }
    void SetDirectorioDatos(const std::string& text) override { Record("DirectorioDatos", text); }
    void SetModoAutomatico(const std::string& text) override { Record("ModoAutomatico", text); }
    void SetIdAgencia(const std::string& text) override { Record("IdAgencia", text); }

  private:
    void Record(const char* target, const std::string& value) {
        written.push_back(std::string(target) + "=" + value);
    }
};

}  // namespace tramex::testing
