// The errors of the database layer: one type for everything the client library
// or the server reports, one for a client library that cannot be loaded.
#pragma once

#include "common/Error.h"

#include <string>

namespace tramex {

// Message: "Database Error: <layer text>" and/or "SQL Server Error: <server text>",
// joined by CR LF when both are present.
class DatabaseError : public Error {
  public:
    DatabaseError(const std::string& layerText, const std::string& serverText);

    const std::string& LayerText() const { return layerText_; }
    const std::string& ServerText() const { return serverText_; }

  private:
    std::string layerText_;
    std::string serverText_;
};

// The database file is open in another program's embedded engine, which
// keeps it to itself until that program ends.
class DatabaseInUseError : public DatabaseError {
  public:
    using DatabaseError::DatabaseError;
};

// Message: "Unable to Load <library name>".
class LibraryLoadError : public Error {
  public:
    explicit LibraryLoadError(const std::string& libraryName);

    const std::string& LibraryName() const { return libraryName_; }

  private:
    std::string libraryName_;
};

}  // namespace tramex
