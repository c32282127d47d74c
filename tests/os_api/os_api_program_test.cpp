// The services' view of the program's own file, seen from copies of os_api_probe run from chosen
// folders: at the root of a drive, and down a folder tree longer than the first buffer. A program of
// its own, as it starts processes.
#include "process_state.h"
#include "test_support.h"

#include "zvk_posix_paths.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using zvk_test::long_folder;
using zvk_test::windows_form;



TEST(OsApiProgram, AProgramAtADrivesRootOrFarDownAFolderTree) {
    const std::string base = zvk_test::fresh_dir("programs").toStdString();
    const std::string deep = long_folder(base + "/deep");
    const std::string deep_windows = windows_form(deep);
    struct Case {
        std::string folder;
        const char* drive_q; // null: not set
        std::string file, directory;
    };
    const std::vector<Case> cases = {
        {base + "/q", "q", "Q:\\os_api_probe", "Q:"},
        {deep, nullptr, deep_windows + "\\os_api_probe", deep_windows}, // longer than 260: the buffer grows
    };
    for (const auto& k : cases) {
        ASSERT_TRUE(zvk_test::make_folders(k.folder));
        std::filesystem::copy_file(OS_API_PROBE, k.folder + "/os_api_probe");
        QProcess probe;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (k.drive_q)
            env.insert("ZVK_DRIVE_Q", QString::fromStdString(base + "/" + k.drive_q));
        probe.setProcessEnvironment(env);
        probe.start(QString::fromStdString(k.folder + "/os_api_probe"), {});
        ASSERT_TRUE(probe.waitForFinished(30000)) << k.folder;
        EXPECT_EQ(probe.readAllStandardOutput().toStdString(),
                  "file=" + k.file + "\nfolder=" + k.directory + "\n");
    }
}

} // namespace
