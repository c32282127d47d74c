#!/usr/bin/env python3
"""Every text that the program's sources and forms hand to the translator by a literal key must have
an English translation, so that users see words, not tokens.

Usage: check_translations.py LUPDATE SOURCE_DIR TS_FILE WORK_COPY

lupdate merges the keys it finds in SOURCE_DIR into a copy of TS_FILE; a key that the file lacks, or
that it leaves without translation, comes out unfinished. Keys built at run time (module, device and
test names) are not found this way and are not checked.
"""
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

lupdate, source_dir, ts_file, copy = sys.argv[1:5]
shutil.copyfile(ts_file, copy)
result = subprocess.run([lupdate, "-silent", "-locations", "none", "-extensions", "cpp,h,ui", source_dir,
                         "-ts", copy], capture_output=True, text=True)
if result.returncode != 0:
    print(result.stdout + result.stderr)
    sys.exit(1)

missing = []
for context in ET.parse(copy).getroot().iter("context"):
    name = context.findtext("name")
    for message in context.iter("message"):
        translation = message.find("translation")
        kind = translation.get("type") if translation is not None else "unfinished"
        if kind in ("vanished", "obsolete"):
            continue
        if kind == "unfinished" or not (translation.text or "").strip():
            missing.append("%s: %r" % (name, message.findtext("source")))

for m in missing:
    print("no English text for", m)
print("%d keys without English text" % len(missing))
sys.exit(1 if missing else 0)
