// tramex-extract: writes the ten extract files of one run into a directory,
// without the windows; for operators checking a database and for benchmarks.
#include "data/Connection.h"
#include "export/ExtractCommandLine.h"
#include "export/ExtractRun.h"
#include "platform/ConsoleText.h"
#include "platform/ProgramArguments.h"

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
            WriteConsoleText(stdout, fileName + ": " + std::to_string(rows) + "\n");
        };
        WriteExtractFiles(connection, line.parameters, progress);
        return 0;
    } catch (const UsageError& error) {
        WriteConsoleText(stderr, std::string(error.what()) + "\n" + kExtractUsage);
        return 2;
    } catch (const std::exception& error) {
        WriteConsoleText(stderr, std::string(error.what()) + "\n");
        return 1;
    }
}
