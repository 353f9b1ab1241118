// A fresh temporary directory per test, removed with everything in it, and a
// helper to write files byte for byte.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tramex::testing {

class ScratchDirectory {
  public:
    ScratchDirectory() {
#ifdef _WIN32
        // create_directory reports false for a name that already exists.
        static std::atomic<unsigned> serial{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        for (;;) {
            path_ = std::filesystem::temp_directory_path() /
                    ("tramex-" + std::to_string(stamp) + "-" + std::to_string(++serial));
            if (std::filesystem::create_directory(path_)) break;
        }
#else
        std::string pattern = (std::filesystem::temp_directory_path() / "tramex-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
#endif
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Writes bytes exactly as given to relativePath, creating its folders.
    std::string Write(const std::string& relativePath, std::string_view bytes) const {
        const auto file = path_ / relativePath;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));
        return file.string();
    }

  private:
    std::filesystem::path path_;
};

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        Set(name, value.c_str());
    }
    ~ScopedEnvironment() { Set(name_, old_ ? old_->c_str() : nullptr); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    // nullptr removes the variable.
    static void Set(const char* name, const char* value) {
#ifdef _WIN32
        ::_putenv_s(name, value ? value : "");
#else
        if (value) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
#endif
    }

    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace tramex::testing
