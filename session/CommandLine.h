// The command line a scheduler starts the program with: family, branch id,
// company code, number of days.
#pragma once

#include "session/SessionTargets.h"

#include <string>
#include <vector>

namespace tramex {

// parameters: the arguments after the program name (UTF-8). Empty ones change
// nothing; a days value that is not a number throws ConversionError after the
// first three are applied.
void ApplyCommandLine(const std::vector<std::string>& parameters, SessionTargets& targets);

}  // namespace tramex
