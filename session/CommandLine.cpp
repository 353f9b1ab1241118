// Command-line apply: position N goes to the target of position N.
#include "session/CommandLine.h"

#include "session/DaysValue.h"

namespace tramex {
namespace {

void ApplyParameter(size_t position, const std::string& value, SessionTargets& targets) {
    switch (position) {
        case 1:
            targets.SetFami(value);
            break;
        case 2:
            targets.SetIdAgencia(value);
            break;
        case 3:
            targets.SetCia(value);
            break;
        case 4:
            targets.SetDias(ParseDays(value));
            break;
        default:
            break;
    }
}

}  // namespace

void ApplyCommandLine(const std::vector<std::string>& parameters, SessionTargets& targets) {
    for (size_t index = 0; index < parameters.size(); ++index) {
        if (!parameters[index].empty()) ApplyParameter(index + 1, parameters[index], targets);
    }
}

}  // namespace tramex
