#!/usr/bin/env python3
"""Fails when a text the window shows has no German translation: lupdate
scans the window's sources into a copy of the shipped .ts, and every text
must then have a finished, non-empty translation.

usage: translations_complete.py LUPDATE SOURCE_FOLDER TS_FILE SCRATCH_FOLDER"""

import os
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

lupdate, sources, ts, scratch = sys.argv[1:5]
os.makedirs(scratch, exist_ok=True)
copy = os.path.join(scratch, os.path.basename(ts))
shutil.copyfile(ts, copy)
try:
    subprocess.run([lupdate, "-silent", "-no-obsolete", "-locations", "none", sources, "-ts", copy],
                   check=True, stdout=subprocess.DEVNULL)
    root = ET.parse(copy).getroot()
finally:
    os.remove(copy)

missing = []
count = 0
for context in root.iter("context"):
    name = context.findtext("name")
    for message in context.iter("message"):
        count += 1
        translation = message.find("translation")
        if translation is None or translation.get("type") in ("unfinished", "obsolete", "vanished") \
                or not (translation.text or "").strip():
            missing.append(f"{name}: {message.findtext('source')!r}")
if not (root.get("language") or "").startswith("de"):
    missing.append(f"the file is for language {root.get('language')!r}, not de")
if count < 50:
    missing.append(f"only {count} texts found: lupdate did not scan the window's sources")
if missing:
    print("Texts without a German translation:", *missing, sep="\n  ")
    sys.exit(1)
print(f"{count} texts, all translated")
