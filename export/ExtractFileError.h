// The error raised when an extract file cannot be created or fully written.
#pragma once

#include "common/Error.h"

#include <string>

namespace tramex {

class ExtractFileError : public Error {
  public:
    using Error::Error;

    static ExtractFileError CannotCreate(const std::string& path, const std::string& reason) {
        return ExtractFileError("No se pudo crear el archivo " + path + ": " + reason);
    }
    static ExtractFileError CannotWrite(const std::string& path, const std::string& reason) {
        return ExtractFileError("No se pudo escribir el archivo " + path + ": " + reason);
    }
};

}  // namespace tramex
