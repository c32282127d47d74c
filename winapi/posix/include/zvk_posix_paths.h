#pragma once
// POSIX stand-in only: where Windows paths meet host paths. Every stand-in call that takes or gives a
// path maps it here, so all of them see the same drives.
//
// A drive letter stands for a host folder: ZVK_DRIVE_<letter> names it (an absolute path; any other
// value leaves the drive without a folder). Without the variable, C: (the system drive) is
// $XDG_DATA_HOME/zvk_lite/drive_c, or ~/.local/share/zvk_lite/drive_c, created on first use, and Z: is
// the host's root folder, so every host path has a Windows form; other letters have no folder.
// Backslashes and slashes both separate; drive letters compare without regard to case; "." and ".."
// are resolved by name, and ".." never leaves a drive's root, as on Windows. File names keep their
// case (the host's file system decides whether case matters).
//
// The environment is read on every call: it must not change while other threads map paths.
#include <string>

namespace zvk_winapi {

// The host path that a Windows path names: "C:\zedra\zedra.log" gives <drive C: folder>/zedra/zedra.log.
// A path without a drive ("\zedra", "zedra\x.log", "C:x.log") is taken from the current folder, as
// Windows does. Returns false, `host_path` unchanged and the last error set, when the path names no host
// path: ERROR_PATH_NOT_FOUND for a drive without a folder, a UNC or device path ("\\server\share") or an
// empty path; ERROR_INVALID_PARAMETER for null.
bool to_host_path(const char* windows_path, std::string& host_path);

// The Windows form of a host path, relative ones taken from the current folder: the drive whose folder
// holds the path most closely gives the letter, "/usr/bin/zvk_lite" reads "Z:\usr\bin\zvk_lite", a
// drive's folder itself "C:\". Returns false, `windows_path` unchanged and the last error set, when no
// drive holds the path (ERROR_PATH_NOT_FOUND) or a file name holds a backslash (ERROR_INVALID_NAME).
bool to_windows_path(const char* host_path, std::string& windows_path);

} // namespace zvk_winapi
