// Texts shared by every registry implementation.
#include "platform/Registry.h"

namespace tramex {

std::string InvalidDataTypeMessage(const std::string& valueName) {
    return "Invalid data type for '" + valueName + "'";
}

}  // namespace tramex
