// One export run's file work: runs the eight report procedures in order and
// writes the ten extract files into the data directory, announcing each step.
#pragma once

#include "export/ArchiveCheck.h"
#include "session/ParametrosEnvio.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace tramex {

class Connection;

struct ExtractProgress {
    // Called before each step with the message the status panel shows.
    std::function<void(const std::string& message)> stepStarted;
    // Called after each file is closed, with its name and record count.
    std::function<void(const std::string& fileName, std::size_t rows)> fileWritten;
    // Called before each record line is written, as the rows arrive.
    std::function<void()> betweenRows;
};

// Writes Municipios.txt .. TotalesdeControl.txt. Raises InvalidBranchError
// before any command when the branch id is not an integer; any database or
// file error stops the run where it happens and files written before stay.
// Each file is written as its rows arrive and put in place when complete, so
// a failure leaves the file it was writing as it was before the run (except
// Inventario.txt, see ExtractRun.cpp). Returns each file's name and checksum.
std::vector<ArchiveEntry> WriteExtractFiles(Connection& connection,
                                            const ParametrosEnvio& parameters,
                                            const ExtractProgress& progress = {});

}  // namespace tramex
