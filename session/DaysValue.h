// The number-of-days text of the settings file and the command line, turned
// into the number the days edit holds.
#pragma once

#include "common/Error.h"

#include <optional>
#include <string>

namespace tramex {

class ConversionError : public Error {
  public:
    using Error::Error;
};

// Empty text gives nullopt (an empty edit). Otherwise a decimal number with an
// optional sign, "." as decimal point and an optional exponent, blanks allowed
// around it; anything else (blanks only included) throws ConversionError
// "'<text>' is not a valid floating point value".
std::optional<double> ParseDays(const std::string& text);

}  // namespace tramex
