// Company code check.
#include "session/CompanyCode.h"

namespace tramex {

bool IsCompanyCode(const std::string& code) {
    if (code == "." || code == "..") return false;
    return code.find_first_of(std::string("/\\:\0", 4)) == std::string::npos;
}

void RequireCompanyCode(const std::string& code) {
    if (!IsCompanyCode(code)) throw InvalidCompanyError(code);
}

}  // namespace tramex
