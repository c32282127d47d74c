#!/usr/bin/env python3
"""A library needs nothing of the named kinds: none of its undefined symbols comes from them.

Usage: check_library_needs.py NM LIBRARY CONTROL_LIBRARY LINKS KIND...

A KIND is a name prefix of demangled symbols ("Q" for Qt's classes, "zedra_hal::" for the platform
layer). CONTROL_LIBRARY is one that does need every kind, so a check that no longer finds anything
fails instead of passing. LINKS is the library's own link list (";"-separated); with kind "Q" no Qt
target may be in it, with "zedra_hal::" not the platform layer.
"""
import re
import subprocess
import sys

nm, library, control, links = sys.argv[1:5]
kinds = sys.argv[5:]
forbidden_links = {"Q": "Qt6::", "zedra_hal::": "zvk_platform"}


def needed(path):
    out = subprocess.run([nm, "-C", "--undefined-only", path], check=True, capture_output=True, text=True)
    # "                 U name(args)": the name is everything after the type letter.
    return [m.group(1) for m in re.finditer(r"^\s+U (.+)$", out.stdout, re.M)]


def of_kind(symbol, kind):
    # Qt's classes are Q followed by a capital ("QObject::"), its functions start with "q" + "t_".
    if kind == "Q":
        return re.match(r"(QtPrivate::|Q[A-Z][A-Za-z]*::|q[A-Z][A-Za-z]*\(|qt_)", symbol) is not None
    return symbol.startswith(kind)


failures = []
control_symbols = needed(control)
for kind in kinds:
    if not any(of_kind(s, kind) for s in control_symbols):
        failures.append("the control library %s needs nothing of %s" % (control, kind))
for symbol in sorted(set(needed(library))):
    for kind in kinds:
        if of_kind(symbol, kind):
            failures.append("%s needs %s" % (library, symbol))
for link in filter(None, links.split(";")):
    for kind in kinds:
        if link.startswith(forbidden_links.get(kind, "\0")):
            failures.append("%s links %s" % (library, link))
for f in failures:
    print(f)
print("checked %s for %s" % (library, ", ".join(kinds)))
sys.exit(1 if failures else 0)
