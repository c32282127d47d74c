// Windows paths and host paths, both ways: drive folders from the environment, separators, letters in
// either case, "." and "..", paths taken from the current folder, and the paths that have no other form.
#include "process_state.h"
#include "test_support.h"

#include "zvk_posix_paths.h"
#include "zvk_windows.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using zvk_test::CurrentFolder;
using zvk_test::Environment;

const std::string none = "<none>";

std::string host(const std::string& windows_path) {
    std::string out;
    return zvk_winapi::to_host_path(windows_path.c_str(), out) ? out : none;
}

std::string windows(const std::string& host_path) {
    std::string out;
    return zvk_winapi::to_windows_path(host_path.c_str(), out) ? out : none;
}

// The Windows form of a host path on the default drive Z:.
std::string on_z(std::string host_path) {
    for (auto& ch : host_path)
        if (ch == '/')
            ch = '\\';
    return "Z:" + host_path;
}

bool is_folder(const std::string& path) {
    struct stat s {};
    return ::stat(path.c_str(), &s) == 0 && S_ISDIR(s.st_mode);
}

class DriveMapping : public ::testing::Test {
protected:
    void SetUp() override {
        base = zvk_test::fresh_dir("drive_mapping").toStdString();
        c = base + "/c";
        d = base + "/d";
        env.set("ZVK_DRIVE_C", c);
        env.set("ZVK_DRIVE_D", d);
        env.unset("ZVK_DRIVE_Z");
        env.unset("ZVK_DRIVE_Q");
    }
    Environment env;
    std::string base, c, d;
};

TEST_F(DriveMapping, WindowsPathsToHostPaths) {
    struct Case {
        std::string windows;
        std::string host;
    };
    const std::vector<Case> cases = {
        {"C:\\zedra\\zedra.log", c + "/zedra/zedra.log"},
        {"c:/zedra\\zedra.log", c + "/zedra/zedra.log"},        // letter case, both separators
        {"C:\\\\zedra//\\zedra.log\\", c + "/zedra/zedra.log"}, // repeated and trailing separators
        {"C:\\", c},
        {"C:\\a\\.\\b\\..\\c", c + "/a/c"},
        {"C:\\..\\..\\etc\\passwd", c + "/etc/passwd"}, // ".." stops at the drive's root
        {"D:\\x", d + "/x"},
        {"Z:\\usr\\bin\\zvk_lite", "/usr/bin/zvk_lite"},
        {"z:\\", "/"},
        {"Q:\\x", none},                // a drive without a folder
        {"\\\\server\\share\\x", none}, // UNC and device paths have no host form
        {"\\\\.\\COM1", none},
        {"", none},
    };
    for (const auto& k : cases)
        EXPECT_EQ(host(k.windows), k.host) << k.windows;
}

TEST_F(DriveMapping, HostPathsToWindowsPaths) {
    struct Case {
        std::string host;
        std::string windows;
    };
    const std::vector<Case> cases = {
        {c + "/zedra/zedra.log", "C:\\zedra\\zedra.log"},
        {c, "C:\\"},
        {c + "/", "C:\\"},
        {d + "/x", "D:\\x"},
        {"/usr/bin/zvk_lite", "Z:\\usr\\bin\\zvk_lite"},
        {"/", "Z:\\"},
        {"//usr/./bin/", "Z:\\usr\\bin"},
        {c + "x/f", on_z(c + "x/f")},                     // a name that merely starts like the drive's folder
        {c + "/../c_other/f", on_z(base + "/c_other/f")}, // ".." leaves the drive
        {"/tmp/a\\b", none},                              // a backslash in a name would read as two names
        {"", none},
    };
    for (const auto& k : cases)
        EXPECT_EQ(windows(k.host), k.windows) << k.host;
}

TEST_F(DriveMapping, FailuresSetTheLastErrorAndLeaveTheResultAlone) {
    struct Case {
        bool to_host;
        const char* path;
        DWORD error;
    };
    const std::vector<Case> cases = {
        {true, "Q:\\x", ERROR_PATH_NOT_FOUND},     {true, "\\\\server\\share", ERROR_PATH_NOT_FOUND},
        {true, nullptr, ERROR_INVALID_PARAMETER},  {false, "/tmp/a\\b", ERROR_INVALID_NAME},
        {false, nullptr, ERROR_INVALID_PARAMETER},
    };
    for (const auto& k : cases) {
        std::string out = "unchanged";
        SetLastError(0);
        bool ok =
            k.to_host ? zvk_winapi::to_host_path(k.path, out) : zvk_winapi::to_windows_path(k.path, out);
        EXPECT_FALSE(ok) << (k.path ? k.path : "null");
        EXPECT_EQ(GetLastError(), k.error) << (k.path ? k.path : "null");
        EXPECT_EQ(out, "unchanged");
    }
}

TEST_F(DriveMapping, DriveZCanBeMovedAndThenNotEveryHostPathHasAWindowsForm) {
    env.set("ZVK_DRIVE_Z", base + "/z");
    EXPECT_EQ(host("Z:\\usr\\bin"), base + "/z/usr/bin");
    EXPECT_EQ(windows(base + "/z/usr/bin"), "Z:\\usr\\bin");
    EXPECT_EQ(windows("/usr/bin"), none);
}

TEST_F(DriveMapping, ARelativeDriveFolderLeavesTheDriveWithoutOne) {
    env.set("ZVK_DRIVE_D", "relative/d");
    EXPECT_EQ(host("D:\\x"), none);
}

TEST_F(DriveMapping, TheDeepestDriveHoldingAPathGivesItsLetter) {
    env.set("ZVK_DRIVE_Q", c + "/inner");
    EXPECT_EQ(windows(c + "/inner/f"), "Q:\\f");
    EXPECT_EQ(windows(c + "/f"), "C:\\f");
}

TEST_F(DriveMapping, ADriveNamedThroughALinkHoldsThePathsBelowItsTarget) {
    std::string target = base + "/target";
    ASSERT_EQ(::mkdir(target.c_str(), 0777), 0);
    ASSERT_EQ(::symlink(target.c_str(), (base + "/link").c_str()), 0);
    env.set("ZVK_DRIVE_Q", base + "/link");
    EXPECT_EQ(windows(target + "/f"), "Q:\\f"); // getcwd and /proc/self/exe give resolved paths
    EXPECT_EQ(windows(base + "/link/f"), "Q:\\f");
}

TEST_F(DriveMapping, PathsWithoutADriveAreTakenFromTheCurrentFolder) {
    std::string inside = c + "/work/sub";
    ASSERT_TRUE(zvk_test::make_folders(inside));
    CurrentFolder cwd(inside);
    ASSERT_TRUE(cwd.changed());
    EXPECT_EQ(host("x.log"), inside + "/x.log");
    EXPECT_EQ(host("..\\x.log"), c + "/work/x.log");
    EXPECT_EQ(host("..\\..\\..\\x.log"), c + "/x.log"); // not above the drive's root
    EXPECT_EQ(host("\\zedra\\zedra.log"), c + "/zedra/zedra.log");
    EXPECT_EQ(host("C:x.log"), inside + "/x.log");
    EXPECT_EQ(host("D:x.log"), d + "/x.log"); // another drive: from its root
    EXPECT_EQ(windows("x.log"), "C:\\work\\sub\\x.log");
    EXPECT_EQ(windows("../x.log"), "C:\\work\\x.log");
}

TEST_F(DriveMapping, RelativePathsStayRelativeWhenTheCurrentFolderLiesOnNoDrive) {
    env.set("ZVK_DRIVE_Z", c);
    CurrentFolder cwd(base);
    ASSERT_TRUE(cwd.changed());
    EXPECT_EQ(host("sub\\x.log"), "sub/x.log");
    EXPECT_EQ(host("\\x.log"), none); // the root of which drive?
}

TEST_F(DriveMapping, TheSystemDriveDefaultsToTheUsersDataFolderAndIsMadeOnFirstUse) {
    env.unset("ZVK_DRIVE_C");
    const std::string data = base + "/data", home = base + "/home";
    struct Case {
        bool set;
        std::string data_home;
        std::string folder;
    };
    const std::vector<Case> cases = {
        {true, data, data + "/zvk_lite/drive_c"},
        {false, "", home + "/.local/share/zvk_lite/drive_c"},
        {true, "", home + "/.local/share/zvk_lite/drive_c"},
        {true, "relative/data", home + "/.local/share/zvk_lite/drive_c"}, // ignored, as the XDG rules say
    };
    for (const auto& k : cases) {
        if (k.set)
            env.set("XDG_DATA_HOME", k.data_home);
        else
            env.unset("XDG_DATA_HOME");
        env.set("HOME", home);
        ASSERT_FALSE(is_folder(k.folder));
        EXPECT_EQ(host("C:\\zedra"), k.folder + "/zedra");
        EXPECT_TRUE(is_folder(k.folder)) << k.folder;
        ASSERT_EQ(std::system(("rm -rf '" + data + "' '" + home + "'").c_str()), 0);
    }
}

TEST_F(DriveMapping, RoundTrips) {
    for (const std::string w : {"C:\\zedra\\zedra.log", "C:\\", "D:\\a b\\c.d", "Z:\\usr\\lib"}) {
        std::string h = host(w);
        EXPECT_EQ(windows(h), w) << h;
    }
}

} // namespace
