#!/usr/bin/env python3
"""Keeps the Windows branch honest: compiles, against the real Windows headers of the mingw-w64
cross compiler, every source of the libraries that uses no Qt (the Windows build of scripts/zvk test
builds and links the same sources; this check gives the answer within the Linux build's tests).

Usage: check_windows_branch.py SOURCE_DIR [COMPILER [CRYPTOPP_INCLUDE_ROOT]]
CRYPTOPP_INCLUDE_ROOT is the folder that holds the Crypto++ headers' folder cryptopp (/usr/include on
Debian); only that folder of it is put on the cross compiler's path, not the host's C library.
"""
import os
import re
import subprocess
import sys
import tempfile

root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else ".")
compiler = sys.argv[2] if len(sys.argv) > 2 else "x86_64-w64-mingw32-g++-posix"
folders = ["module_host", "platform", "test_log"]
include_dirs = [os.path.join(root, "winapi", "windows", "include")] + [os.path.join(root, f) for f in folders]
cryptopp_root = sys.argv[3] if len(sys.argv) > 3 else "/usr/include"
scratch = tempfile.TemporaryDirectory()
if os.path.isdir(os.path.join(cryptopp_root, "cryptopp")):
    os.symlink(os.path.join(cryptopp_root, "cryptopp"), os.path.join(scratch.name, "cryptopp"))
include_re = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def closure(path, seen):
    """Local headers reached from path, and the system headers they name."""
    system = set()
    try:
        text = open(path, encoding="utf-8", errors="replace").read()
    except OSError:
        return system
    for kind, name in include_re.findall(text):
        if kind == "<":
            system.add(name)
            continue
        for d in [os.path.dirname(path)] + include_dirs:
            candidate = os.path.join(d, name)
            if os.path.isfile(candidate):
                if candidate not in seen:
                    seen.add(candidate)
                    system |= closure(candidate, seen)
                break
        else:
            system.add(name)  # a generated or missing header
    return system


def uses_qt(names):
    return any(n.startswith("Q") or n.startswith("qt") or n.startswith("ui_") for n in names)


candidates = []
for folder in folders:
    for dirpath, _, files in os.walk(os.path.join(root, folder)):
        for f in sorted(files):
            if f.endswith(".cpp") or f == "module_contract.h":
                candidates.append(os.path.join(dirpath, f))

checked, failed = 0, []
for path in candidates:
    seen = set()
    names = closure(path, seen)
    if uses_qt(names):
        continue
    cmd = [compiler, "-std=c++17", "-fsyntax-only", "-Wall", "-Wextra", "-x", "c++"]
    cmd += ["-I" + d for d in include_dirs] + ["-isystem", scratch.name, path]
    result = subprocess.run(cmd, capture_output=True, text=True)
    checked += 1
    rel = os.path.relpath(path, root)
    if result.returncode != 0:
        failed.append(rel)
        print("FAILED", rel)
        print(result.stdout + result.stderr)
    else:
        print("ok", rel)

print("%d sources compiled for Windows, %d failed" % (checked, len(failed)))
sys.exit(1 if failed or checked == 0 else 0)
