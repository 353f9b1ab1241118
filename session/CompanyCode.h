// The company code names one folder under the ERP's data tree
// (<server>/datos/<company>/quintor.fdb), so it must stay one path segment.
#pragma once

#include "common/Error.h"

#include <string>

namespace tramex {

class InvalidCompanyError : public Error {
  public:
    explicit InvalidCompanyError(const std::string& code)
        : Error("Código de compañía inválido: " + code) {}
};

// False for a code that would leave its folder: a "/" or "\", a ":" (drive
// letter or server prefix), "." or "..", a NUL.
bool IsCompanyCode(const std::string& code);

// Raises InvalidCompanyError unless IsCompanyCode(code).
void RequireCompanyCode(const std::string& code);

}  // namespace tramex
