// Root of every error the program raises on purpose. The message is UTF-8 text,
// shown as it stands by the one default error handler of the windows.
#pragma once

#include <stdexcept>
#include <string>

namespace tramex {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace tramex
