#pragma once
#include "win_types.h"

#include <cstdio>

// The C runtime's file calls that take Windows paths ("C:\zedra\zedra.log"), mapped to host paths by
// the drive mapping of zvk_posix_paths.h. Failures report through errno, as the C runtime does.

// Share mode of _fsopen: others may read and write the file meanwhile. POSIX files are always shared
// that way, so this is the only share mode the stand-in offers.
#define _SH_DENYNO 0x40

// Opens a file as fopen does. The mode is Windows': "r", "w" or "a", then any of "+", "b", "t", "x",
// "c", "n", "S", "R", "T", "D", "N". Text and binary mode are the same here (no CR-LF translation), and an
// encoding (",ccs=") is not offered; child processes never inherit the file. Null and errno EINVAL for a bad
// mode or share flag, ENOENT when the path lies on no drive, EACCES when it names a folder (in every mode,
// as on Windows, which opens no folder as a file).
FILE* _fsopen(const char* path, const char* mode, int share_flag);

// Creates one folder. 0 on success; -1 with errno EEXIST when the name exists, ENOENT when the folder
// that should hold it does not (or the path lies on no drive).
int _mkdir(const char* path);
