#!/usr/bin/env python3
"""Keeps the Windows branch honest: compiles, against the real Windows headers of the mingw-w64
cross compiler, every source of the libraries that includes the Windows-service header and no Qt.

Usage: check_windows_branch.py SOURCE_DIR [COMPILER]
"""
import os
import re
import subprocess
import sys

root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else ".")
compiler = sys.argv[2] if len(sys.argv) > 2 else "x86_64-w64-mingw32-g++-posix"
folders = ["module_host", "platform", "test_log"]
include_dirs = [os.path.join(root, "winapi", "windows", "include")] + [os.path.join(root, f) for f in folders]
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
    reaches_windows = any(os.path.basename(s) == "zvk_windows.h" for s in seen) or path.endswith("module_contract.h")
    if uses_qt(names) or not reaches_windows:
        continue
    cmd = [compiler, "-std=c++17", "-fsyntax-only", "-Wall", "-Wextra", "-x", "c++"]
    cmd += ["-I" + d for d in include_dirs] + [path]
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
