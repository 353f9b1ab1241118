// Finding a deployment script and launching it; failures become one line on
// standard error, because the run that follows judges by the archive alone.
#include "platform/ScriptLaunch.h"

#include "platform/ScriptLaunchSystem.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace tramex {
namespace {

// Paths are UTF-8; a char8_t path keeps them intact on every system.
std::filesystem::path Utf8Path(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string FileIn(const std::string& directory, const std::string& fileName) {
    if (directory.empty()) return {};
    const std::filesystem::path candidate = Utf8Path(directory) / Utf8Path(fileName);
    std::error_code error;
    return std::filesystem::is_regular_file(candidate, error) ? PathText(candidate) : std::string();
}

}  // namespace

std::string DeploymentScriptFile(const std::string& baseName) {
#ifdef _WIN32
    return baseName + ".bat";
#else
    return baseName + ".sh";
#endif
}

std::string FindDeploymentScript(const std::string& scriptFile,
                                 const std::string& workingDirectory) {
    std::vector<std::string> directories{workingDirectory, ProgramDirectory()};
    for (std::string& directory : ExecutableSearchPath())
        directories.push_back(std::move(directory));
    for (const std::string& directory : directories) {
        std::string found = FileIn(directory, scriptFile);
        if (!found.empty()) return found;
    }
    return {};
}

std::unique_ptr<ScriptProcess> LaunchDeploymentScript(const std::string& baseName,
                                                      const std::vector<std::string>& parameters,
                                                      const std::string& workingDirectory,
                                                      std::string* reason) {
    const auto fail = [reason](const std::string& text) {
        std::fprintf(stderr, "tramex: %s\n", text.c_str());
        if (reason) *reason = text;
        return nullptr;
    };
    const std::string scriptFile = DeploymentScriptFile(baseName);
    const std::string scriptPath = FindDeploymentScript(scriptFile, workingDirectory);
    if (scriptPath.empty())
        return fail(scriptFile + " was not found in " + workingDirectory +
                    ", beside the program or on PATH");
    try {
        return StartScriptProcess(scriptPath, parameters, workingDirectory);
    } catch (const ScriptStartError& error) {
        return fail(scriptPath + " could not be started: " + error.what());
    }
}

}  // namespace tramex
