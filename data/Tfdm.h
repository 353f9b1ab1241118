// The data module: created first at start-up and alive for the whole program,
// it holds what the windows share about the database session.
#pragma once

#include <string>

namespace tramex {

class Tfdm {
  public:
    // "1" = unattended; copied from the run parameters when generation starts.
    std::string ModoAutomatico;
};

// The program's one data module, set by start-up before any window exists.
extern Tfdm* fdm;

}  // namespace tramex
