// The script launcher (lookup, parameters, working directory, input, waits,
// failures) and the deployment scripts comprimir.sh and eliminar.sh as the
// build placed them beside the program.
#include "RunTestSupport.h"

#include "platform/ScriptLaunch.h"

#include <gmock/gmock.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tramex::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Clock = std::chrono::steady_clock;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class ScriptLauncher : public ::testing::Test {
  protected:
    // A script named <base>.sh in directory that records how it was called.
    std::string WriteRecorder(const std::filesystem::path& directory, const std::string& tag) {
        std::filesystem::create_directories(directory);
        const std::string path = (directory / (base + ".sh")).string();
        std::ofstream(path) << "printf '%s\\n' " << tag << " \"$@\" > \"" << record << "\"\n"
                            << "pwd >> \"" << record << "\"\n"
                            << "readlink /proc/self/fd/0 >> \"" << record << "\"\n";
        return path;
    }

    std::vector<std::string> Record() const { return Lines(ReadFile(record)); }

    ScratchDirectory scratch;
    const std::string base = "tramex-probe-" + std::to_string(::getpid());
    const std::string record = (scratch.path() / "record.txt").string();
};

TEST_F(ScriptLauncher, ParametersArriveWholeAndUntouchedInTheDataDirectoryWithoutInput) {
    const std::filesystem::path data = scratch.path() / "datos de envío";
    WriteRecorder(data, "datos");
    const std::vector<std::string> awkward = {"C1 & P1_$(rm -rf x)_`id`;*.zip", data.string(), "",
                                              "'\"\\"};

    const auto script = LaunchDeploymentScript(base, awkward, data.string());
    ASSERT_NE(script, nullptr);
    EXPECT_TRUE(script->WaitForEnd(5000));
    EXPECT_FALSE(script->Running());
    EXPECT_THAT(Record(), ElementsAre("datos", awkward[0], awkward[1], "", awkward[3],
                                      data.string(), "/dev/null"));
}

TEST_F(ScriptLauncher, LooksInTheDataDirectoryThenBesideTheProgramThenOnPath) {
    const std::filesystem::path data = scratch.path() / "datos";
    const std::filesystem::path onPath = scratch.path() / "bin";
    WriteRecorder(onPath, "path");
    const ScopedEnvironment path("PATH", "/nonexistent:" + onPath.string() + ":/usr/bin:/bin");
    std::filesystem::create_directories(data);

    auto Caller = [&] {
        const auto script = LaunchDeploymentScript(base, {}, data.string());
        EXPECT_NE(script, nullptr);
        if (script) {
            EXPECT_TRUE(script->WaitForEnd(5000));
        }
        return Record().front();
    };
    EXPECT_EQ(Caller(), "path");
    const std::string beside = WriteRecorder(ProgramDirectory(), "programa");
    EXPECT_EQ(Caller(), "programa");
    WriteRecorder(data, "datos");
    EXPECT_EQ(Caller(), "datos");
    std::filesystem::remove(beside);
    EXPECT_EQ(ProgramDirectory(), TRAMEX_BINARY_DIR "/tests");
}

TEST_F(ScriptLauncher, MissingOrUnstartableScriptIsReportedNotRaised) {
    const std::filesystem::path data = scratch.path() / "datos";
    WriteRecorder(data, "datos");
    ::testing::internal::CaptureStderr();
    const auto missing = LaunchDeploymentScript(base + "-absent", {}, data.string());
    // The script is there but its working directory is not: the start fails.
    std::filesystem::copy_file(data / (base + ".sh"), scratch.path() / (base + ".sh"));
    const std::string gone = (scratch.path() / "sin-directorio").string();
    const ScopedEnvironment path("PATH", scratch.path().string());
    std::string reason;
    const auto unstartable = LaunchDeploymentScript(base, {}, gone, &reason);
    const std::string errors = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(unstartable, nullptr);
    EXPECT_THAT(errors, HasSubstr("tramex: " + base + "-absent.sh was not found in " +
                                  data.string() + ", beside the program or on PATH"));
    EXPECT_THAT(errors, HasSubstr("could not be started: No such file or directory"));
    EXPECT_EQ(reason, (scratch.path() / (base + ".sh")).string() +
                          " could not be started: No such file or directory");
    EXPECT_FALSE(std::filesystem::exists(record));
}

TEST_F(ScriptLauncher, WaitEndsWithTheScriptOrAtItsLimit) {
    const std::filesystem::path data = scratch.path() / "datos";
    std::filesystem::create_directories(data);
    std::ofstream((data / (base + ".sh")).string()) << "sleep 0.6\n";
    const auto script = LaunchDeploymentScript(base, {}, data.string());
    ASSERT_NE(script, nullptr);

    auto start = Clock::now();
    EXPECT_FALSE(script->WaitForEnd(150));
    const auto limited = Clock::now() - start;
    EXPECT_GE(limited, std::chrono::milliseconds(150));
    EXPECT_LT(limited, std::chrono::milliseconds(400));
    EXPECT_TRUE(script->Running());

    start = Clock::now();
    EXPECT_TRUE(script->WaitForEnd(10000));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_FALSE(script->Running());
    EXPECT_TRUE(script->WaitForEnd(0));
}

class DeploymentScripts : public ::testing::Test {
  protected:
    DeploymentScripts() {
        std::filesystem::create_directories(data);
        for (const std::string& name : kExtractFiles) {
            files[name] = name + "{línea\r\n" + std::string(name.size() * 97, 'x') + "\r\n";
        }
    }

    void WriteExtractFiles(const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            std::ofstream(data / name, std::ios::binary) << files.at(name);
        }
    }

    // The script's exit status, or -1 when it did not start or end.
    int Run(const char* baseName, const std::vector<std::string>& parameters) {
        const auto script = LaunchDeploymentScript(baseName, parameters, data.string());
        return script && script->WaitForEnd(10000) ? script->ExitCode() : -1;
    }

    ScratchDirectory scratch;
    const std::filesystem::path data = scratch.path() / "datos de envío";
    std::map<std::string, std::string> files;
};

TEST_F(DeploymentScripts, ComprimirPacksAllTenFilesOrLeavesNoArchiveAtAll) {
    // The build put the scripts beside the program; the data directory gets copies.
    for (const char* script : {"comprimir.sh", "eliminar.sh"}) {
        std::filesystem::copy_file(std::string(TRAMEX_BINARY_DIR) + "/" + script, data / script);
    }
    WriteExtractFiles(kExtractFiles);
    std::ofstream(data / "otro.txt") << "no va";
    const std::string archive = (data / "C1_P1_201960927.zip").string();
    std::ofstream(archive) << "archivo viejo, no es zip";

    ASSERT_EQ(Run("comprimir", {"C1_P1_201960927.zip", data.string()}), 0);
    EXPECT_EQ(ArchiveEntries(archive), files);

    ASSERT_EQ(Run("eliminar", {data.string()}), 0);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(data)) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_THAT(left,
                ElementsAre("C1_P1_201960927.zip", "comprimir.sh", "eliminar.sh", "otro.txt"));

    // Nine of the ten files: the script fails, says which one is missing,
    // and an archive of that name from an earlier run is gone too.
    WriteExtractFiles(kExtractFiles);
    std::filesystem::remove(data / "Ventas.txt");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(Run("comprimir", {"C1_P1_201960927.zip", data.string()}), 1);
    EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr("Ventas.txt is missing"));
    EXPECT_FALSE(std::filesystem::exists(archive));
}

}  // namespace
}  // namespace tramex::testing
