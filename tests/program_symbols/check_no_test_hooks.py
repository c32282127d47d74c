#!/usr/bin/env python3
"""The program holds no test hook: none of the functions that only tests use is linked into it.

Usage: check_no_test_hooks.py NM PROGRAM TEST_BACKEND

TEST_BACKEND is the library that defines the stand-in's hooks; each of them must show there, so a
hook that is renamed fails this check instead of slipping past it.
"""
import subprocess
import sys

nm, program, backend = sys.argv[1:4]

# Demangled names, each with the opening parenthesis so that a longer name does not count.
stand_in_hooks = [
    "zvk_winapi::set_com_faults(",
    "zvk_winapi::reset_com_security(",
    "zvk_winapi::register_wmi_class(",
    "zvk_winapi::unregister_wmi_class(",
    "zvk_winapi::register_library(",
    "zvk_winapi::library_reference_count(",
    "zvk_winapi::reservation_count(",
    "zvk_winapi::query_page(",
]
other_hooks = ["WorkerIdleWatch::waiting("]
# What the program must hold, so that an empty or stripped symbol list does not pass.
program_symbols = ["GUIManager::GUIManager(", "LoadLibraryA", "WorkerIdleWatch::when_idle("]


def defined_symbols(path):
    out = subprocess.run([nm, "-C", "--defined-only", path], check=True, capture_output=True, text=True)
    return out.stdout


failures = []
backend_text = defined_symbols(backend)
for hook in stand_in_hooks:
    if hook not in backend_text:
        failures.append("the test backend does not define " + hook)
program_text = defined_symbols(program)
for symbol in program_symbols:
    if symbol not in program_text:
        failures.append("the program's symbols lack " + symbol + " (is it stripped?)")
for hook in stand_in_hooks + other_hooks:
    for line in program_text.splitlines():
        if hook in line:
            failures.append("the program holds a test hook: " + line.strip())

for f in failures:
    print(f)
print("checked %d hooks in %s" % (len(stand_in_hooks + other_hooks), program))
sys.exit(1 if failures else 0)
