// Stands in for tar.exe when the deployment scripts run in the tests:
// "tar.exe -a -c -f ARCHIVE NAME..." writes ARCHIVE as the line "ARCHIVE"
// followed by "NAME:CONTENT" lines, so a test sees the name the script wrote
// to and what went in. A NAME that is not a file, or TRAMEX_TAR_FAIL in the
// environment, ends with status 1 after part of the archive is written, as a
// real failure may leave it.
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    std::string archive;
    int first = 1;
    while (first < argc && argv[first][0] == '-') {
        if (std::string(argv[first]) == "-f" && first + 1 < argc) archive = argv[++first];
        ++first;
    }
    if (archive.empty()) {
        std::cerr << "tar stand-in: no -f ARCHIVE\n";
        return 2;
    }
    std::ofstream out(archive, std::ios::binary);
    out << archive << "\n";
    if (std::getenv("TRAMEX_TAR_FAIL")) return 1;
    for (int index = first; index < argc; ++index) {
        std::ifstream in(argv[index], std::ios::binary);
        if (!in) {
            std::cerr << "tar stand-in: " << argv[index] << ": not found\n";
            return 1;
        }
        std::ostringstream content;
        content << in.rdbuf();
        out << argv[index] << ":" << content.str() << "\n";
    }
    return 0;
}
