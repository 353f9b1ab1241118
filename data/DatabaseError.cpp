// Message texts of the database layer's errors.
#include "data/DatabaseError.h"

namespace tramex {
namespace {

std::string JoinMessage(const std::string& layerText, const std::string& serverText) {
    std::string message;
    if (!layerText.empty() || serverText.empty()) message = "Database Error: " + layerText;
    if (!serverText.empty()) {
        if (!message.empty()) message += "\r\n";
        message += "SQL Server Error: " + serverText;
    }
    return message;
}

}  // namespace

DatabaseError::DatabaseError(const std::string& layerText, const std::string& serverText)
    : Error(JoinMessage(layerText, serverText)), layerText_(layerText), serverText_(serverText) {}

LibraryLoadError::LibraryLoadError(const std::string& libraryName)
    : Error("Unable to Load " + libraryName), libraryName_(libraryName) {}

}  // namespace tramex
