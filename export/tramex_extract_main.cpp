// tramex-extract: writes the ten extract files of one run into a directory,
// without the windows; for operators checking a database and for benchmarks.
#include "data/Connection.h"
#include "export/ExtractCommandLine.h"
#include "export/ExtractRun.h"
#include "platform/ProgramArguments.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace tramex;
    try {
        const ExtractCommandLine line = ParseExtractCommandLine(ProgramArguments(argc, argv));
        Connection connection;
        connection.SetEntry("Database", line.database);
        if (line.user) connection.SetEntry("User_Name", *line.user);
        if (line.password) connection.SetEntry("Password", *line.password);
        connection.Open();

        ExtractProgress progress;
        progress.fileWritten = [](const std::string& fileName, std::size_t rows) {
            std::printf("%s: %zu\n", fileName.c_str(), rows);
            std::fflush(stdout);
        };
        WriteExtractFiles(connection, line.parameters, progress);
        return 0;
    } catch (const UsageError& error) {
        std::fprintf(stderr, "%s\n%s", error.what(), kExtractUsage);
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
