#pragma once
// Changes to process-wide state that a test makes and takes back when it ends: environment variables
// and the current folder.
#include <map>
#include <optional>
#include <string>

namespace zvk_test {

// Sets and unsets environment variables; the destructor restores every variable it touched.
class Environment {
public:
    Environment() = default;
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;
    ~Environment();

    void set(const std::string& name, const std::string& value);
    void unset(const std::string& name);

private:
    void remember(const std::string& name);
    std::map<std::string, std::optional<std::string>> saved;
};

// Changes the current folder; the destructor returns to the previous one.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& folder);
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;
    ~CurrentFolder();

    bool changed() const { return ok; }

private:
    std::string previous;
    bool ok = false;
};

// Makes a folder and the folders above it; false when that fails.
bool make_folders(const std::string& path);

// The host folder of the system drive C:: on Windows the drive of the Windows folder ("C:"), on Linux
// the folder ZVK_DRIVE_C names (CTest gives each test program its own); "" when there is none.
std::string system_drive_folder();

// The Windows form of a host path (a test failure when it has none).
std::string windows_form(const std::string& host);
// The process's current folder as the host names it.
std::string current_host_folder();
// A folder below base whose path is longer than the 260 bytes the path services start with.
std::string long_folder(const std::string& base);

} // namespace zvk_test
