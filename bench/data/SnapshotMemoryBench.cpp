// Fetches a sales-detail-shaped result of N rows (default one million) into a
// snapshot and prints the memory it took against the size of its text.
//   bench_snapshot [rows]
#include "data/Instantanea.h"
#include "tests/support/db/TempDatabase.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

// Resident and peak resident memory of the process, in bytes.
long long StatusBytes(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::stoll(line.substr(line.find_first_of("0123456789"))) * 1024;
    return -1;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
    const long rows = argc > 1 ? std::stol(argv[1]) : 1000000;
    tramex::test::TempDatabase database;
    database.Execute(
        "CREATE PROCEDURE REP_VENTASDET_BENCH (N INTEGER) RETURNS (CODARTI VARCHAR(15), NITCLI "
        "VARCHAR(20), "
        "FECDOC VARCHAR(8), NUMDOC VARCHAR(8), CANT NUMERIC(15,4), TOTITEM NUMERIC(15,2), UNIDAD "
        "VARCHAR(8), "
        "TIPO CHAR(1), COSTO NUMERIC(15,2), CODVEND VARCHAR(22)) AS "
        "DECLARE I INTEGER = 0; "
        "BEGIN WHILE (I < N) DO BEGIN I = I + 1; "
        "CODARTI = 'ART' || MOD(I, 5000); NITCLI = '900' || (I * 7); FECDOC = '20190927'; NUMDOC = "
        "I; "
        "CANT = I / 7.0; TOTITEM = I * 1.25; UNIDAD = 'UND'; TIPO = 'V'; COSTO = I * 0.75; "
        "CODVEND = 'VEND-' || MOD(I, 40); SUSPEND; END END");

    tramex::Instantanea snapshot(&database.Db());
    snapshot.SetCommandText("select * from rep_ventasdet_bench(" + std::to_string(rows) + ")");
    const long long before = StatusBytes("VmRSS:");
    const auto start = std::chrono::steady_clock::now();
    snapshot.Open();
    const double fetchSeconds = Seconds(start);
    const long long after = StatusBytes("VmRSS:");

    // The text the writer would produce: values joined by "{", CR LF per row.
    const auto walk = std::chrono::steady_clock::now();
    size_t textBytes = 0;
    std::string line;
    const int fields = static_cast<int>(snapshot.Fields().size());
    for (snapshot.First(); !snapshot.Eof(); snapshot.Next()) {
        line.clear();
        for (int i = 0; i < fields; ++i) {
            if (i) line += '{';
            snapshot.AppendFieldText(i, line);
        }
        textBytes += line.size() + 2;
    }
    const double walkSeconds = Seconds(walk);

    std::printf("rows %zu, text %.1f MB\n", snapshot.RecordCount(), textBytes / 1e6);
    std::printf("resident growth while fetching %.1f MB (%.2f x text), peak resident %.1f MB\n",
                (after - before) / 1e6, double(after - before) / double(textBytes),
                StatusBytes("VmHWM:") / 1e6);
    std::printf("fetch %.2f s, walk as text %.2f s\n", fetchSeconds, walkSeconds);
    snapshot.Close();
    database.Db().Close();
    return 0;
}
