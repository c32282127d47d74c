// The calls that give paths (Windows folder, current folder, program file) with Windows' rules for
// sizes, terminators and errors, and the C runtime's _mkdir and _fsopen on Windows paths.
#include "process_state.h"
#include "test_support.h"

#include "zvk_posix_paths.h"
#include "zvk_windows.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using zvk_test::current_host_folder;
using zvk_test::windows_form;

using zvk_test::CurrentFolder;
using zvk_test::Environment;

const char untouched = '#';

// One call of a path service into a buffer of `size` bytes (plus a guard byte).
struct Call {
    DWORD result;
    DWORD error;
    std::string text; // up to the terminator, or every byte when none was written
    bool guard_intact;
};

template <class F> Call call(DWORD size, F f) {
    std::vector<char> buffer(size + 1, untouched);
    SetLastError(0);
    DWORD result = f(size == 0 ? nullptr : buffer.data(), size);
    Call c{result, GetLastError(), {}, buffer[size] == untouched};
    const char* end = static_cast<const char*>(std::memchr(buffer.data(), 0, size));
    c.text.assign(buffer.data(), end ? std::size_t(end - buffer.data()) : size);
    return c;
}



std::string program_host_file() {
    char buffer[4096];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    return n > 0 ? std::string(buffer, std::size_t(n)) : std::string();
}

// For a path of length L: the call with each buffer size around L gives Windows' result.
struct SizeCase {
    DWORD size;
    DWORD result;
    std::string text;
    DWORD error;
};

void expect_sizes(const std::vector<SizeCase>& cases, DWORD (*f)(char*, DWORD)) {
    for (const auto& k : cases) {
        Call c = call(k.size, f);
        EXPECT_EQ(c.result, k.result) << "size " << k.size;
        if (k.size) {
            EXPECT_EQ(c.text, k.text) << "size " << k.size;
        }
        EXPECT_EQ(c.error, k.error) << "size " << k.size;
        EXPECT_TRUE(c.guard_intact) << "size " << k.size;
    }
}

TEST(PathCalls, WindowsFolderIsCWindows) {
    const std::string folder = "C:\\Windows";
    expect_sizes(
        {{0, 11, "", 0}, {10, 11, std::string(10, untouched), 0}, {11, 10, folder, 0}, {260, 10, folder, 0}},
        [](char* b, DWORD s) -> DWORD { return GetWindowsDirectoryA(b, s); });
}

TEST(PathCalls, CurrentFolderInItsWindowsForm) {
    const std::string folder = windows_form(current_host_folder());
    const DWORD length = DWORD(folder.size());
    expect_sizes({{0, length + 1, "", 0},
                  {length, length + 1, std::string(length, untouched), 0}, // too small: left alone
                  {length + 1, length, folder, 0},
                  {length + 100, length, folder, 0}},
                 [](char* b, DWORD s) { return GetCurrentDirectoryA(s, b); });
}

TEST(PathCalls, ARemovedCurrentFolderCannotBeRead) {
    std::string gone = zvk_test::fresh_dir("removed_cwd").toStdString() + "/gone";
    ASSERT_EQ(::mkdir(gone.c_str(), 0777), 0);
    CurrentFolder cwd(gone);
    ASSERT_TRUE(cwd.changed());
    ASSERT_EQ(::rmdir(gone.c_str()), 0);
    char buffer[MAX_PATH];
    SetLastError(0);
    EXPECT_EQ(GetCurrentDirectoryA(MAX_PATH, buffer), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
}

TEST(PathCalls, ProgramFileIsCutAndTerminatedWhenTheBufferIsSmall) {
    const std::string file = windows_form(program_host_file());
    ASSERT_EQ(file.rfind("Z:\\", 0), 0u) << file;
    const DWORD length = DWORD(file.size());
    expect_sizes({{0, 0, "", ERROR_INSUFFICIENT_BUFFER},
                  {1, 1, "", ERROR_INSUFFICIENT_BUFFER},
                  {length, length, file.substr(0, length - 1), ERROR_INSUFFICIENT_BUFFER},
                  {length + 1, length, file, 0},
                  {MAX_PATH * 4, length, file, 0}},
                 [](char* b, DWORD s) { return GetModuleFileNameA(nullptr, b, s); });
}

TEST(PathCalls, OnlyTheProgramItselfHasAFile) {
    char buffer[MAX_PATH];
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(buffer), buffer, MAX_PATH), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
}

class CrtFiles : public ::testing::Test {
protected:
    void SetUp() override {
        drive = zvk_test::fresh_dir("crt_files").toStdString() + "/drive_c"; // not there yet
        env.set("ZVK_DRIVE_C", drive);
    }
    Environment env;
    std::string drive;
};

TEST_F(CrtFiles, MkdirMakesOneFolderOnAWindowsPath) {
    struct Case {
        const char* path;
        int result;
        int error;
    };
    const std::vector<Case> cases = {
        {"C:\\zedra", 0, 0}, // the drive's own folder is made on the way
        {"c:/zedra", -1, EEXIST},   {"C:\\missing\\zedra", -1, ENOENT},
        {"Q:\\zedra", -1, ENOENT}, // no such drive
        {"C:\\zedra\\log\\", 0, 0},
    };
    for (const auto& k : cases) {
        errno = 0;
        EXPECT_EQ(_mkdir(k.path), k.result) << k.path;
        if (k.result) {
            EXPECT_EQ(errno, k.error) << k.path;
        }
    }
    struct stat s {};
    EXPECT_EQ(::stat((drive + "/zedra/log").c_str(), &s), 0);
}

TEST_F(CrtFiles, FsopenOpensWindowsPathsWithWindowsModes) {
    ASSERT_EQ(_mkdir("C:\\zedra"), 0);
    FILE* out = _fsopen("C:\\zedra\\zedra.log", "wt", _SH_DENYNO);
    ASSERT_NE(out, nullptr);
    std::fputs("line\n", out);
    std::fclose(out);
    EXPECT_EQ(zvk_test::read_file(QString::fromStdString(drive + "/zedra/zedra.log")), "line\n");

    for (const char* mode : {"r", "rt", "rb", "r+", "rb+", "a", "ac", "rS", "rN"}) {
        FILE* f = _fsopen("c:/zedra\\zedra.log", mode, _SH_DENYNO);
        EXPECT_NE(f, nullptr) << mode;
        if (f)
            std::fclose(f);
    }
}

TEST_F(CrtFiles, FsopenRefusesWhatWindowsRefuses) {
    ASSERT_EQ(_mkdir("C:\\zedra"), 0);
    ASSERT_TRUE(zvk_test::write_file(QString::fromStdString(drive + "/zedra/zedra.log"), "x"));
    struct Case {
        const char* path;
        const char* mode;
        int share;
        int error;
    };
    const std::vector<Case> cases = {
        {"C:\\zedra\\zedra.log", "", _SH_DENYNO, EINVAL},
        {"C:\\zedra\\zedra.log", "q", _SH_DENYNO, EINVAL},
        {"C:\\zedra\\zedra.log", "r++", _SH_DENYNO, EINVAL},
        {"C:\\zedra\\zedra.log", "rbt", _SH_DENYNO, EINVAL},
        {"C:\\zedra\\zedra.log", "rx", _SH_DENYNO, EINVAL},
        {"C:\\zedra\\zedra.log", "r,ccs=UTF-8", _SH_DENYNO, EINVAL},
        {"C:\\zedra\\zedra.log", "r", 0x10, EINVAL}, // share modes that deny are not offered
        {"C:\\zedra\\zedra.log", "wx", _SH_DENYNO, EEXIST},
        {"C:\\zedra\\other.log", "r", _SH_DENYNO, ENOENT},
        {"Q:\\zedra.log", "r", _SH_DENYNO, ENOENT},
        {nullptr, "r", _SH_DENYNO, EINVAL},
    };
    for (const auto& k : cases) {
        errno = 0;
        FILE* f = _fsopen(k.path, k.mode, k.share);
        EXPECT_EQ(f, nullptr) << k.mode;
        EXPECT_EQ(errno, k.error) << (k.path ? k.path : "null") << " " << k.mode;
        if (f)
            std::fclose(f);
    }
}

// Windows opens no folder as a file, whatever the mode (CreateFile needs FILE_FLAG_BACKUP_SEMANTICS for
// one, which the C runtime never gives): the runtime reports access denied, and the folder and what it
// holds stay as they were. The same for the host's _fsopen and the one modules import from msvcrt.dll.
TEST_F(CrtFiles, FsopenRefusesAFolderInEveryMode) {
    ASSERT_EQ(_mkdir("C:\\zedra"), 0);
    ASSERT_EQ(_mkdir("C:\\zedra\\zedra.log"), 0);
    const std::string folder = drive + "/zedra/zedra.log";
    ASSERT_TRUE(zvk_test::write_file(QString::fromStdString(folder + "/inside.txt"), "kept"));

    typedef ZVK_MS_ABI FILE* (*module_fsopen)(const char*, const char*, int);
    HMODULE msvcrt = LoadLibraryA("msvcrt.dll");
    ASSERT_NE(msvcrt, nullptr);
    const auto imported =
        reinterpret_cast<module_fsopen>(reinterpret_cast<void*>(GetProcAddress(msvcrt, "_fsopen")));
    ASSERT_NE(imported, nullptr);
    const struct {
        const char* caller;
        std::function<FILE*(const char*, const char*)> open;
    } callers[] = {
        {"host", [](const char* path, const char* mode) { return _fsopen(path, mode, _SH_DENYNO); }},
        {"module",
         [imported](const char* path, const char* mode) { return imported(path, mode, _SH_DENYNO); }},
    };
    // "wx" too, which makes a new file only: the name is taken, and access denied is what Windows says.
    const char* const modes[] = {"r", "rb", "rt", "r+", "rb+", "w", "wb", "w+", "a", "ab", "a+", "rN", "wx"};
    for (const auto& c : callers) {
        for (const char* path : {"C:\\zedra\\zedra.log", "c:/zedra/zedra.log/", "C:\\zedra", "C:\\"}) {
            for (const char* mode : modes) {
                errno = 0;
                FILE* f = c.open(path, mode);
                EXPECT_EQ(f, nullptr) << c.caller << " " << path << " " << mode;
                EXPECT_EQ(errno, EACCES) << c.caller << " " << path << " " << mode;
                if (f)
                    std::fclose(f);
            }
        }
    }
    struct stat s {};
    ASSERT_EQ(::stat(folder.c_str(), &s), 0);
    EXPECT_TRUE(S_ISDIR(s.st_mode));
    EXPECT_EQ(zvk_test::read_file(QString::fromStdString(folder + "/inside.txt")), "kept");
}

} // namespace
