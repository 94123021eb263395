#!/usr/bin/env python3
"""The README's first shell run prints what the program prints: the same
folder tree under a scratch home, the same command, the same lines.
   readme_shell_run_check.py README plinkavorte-batch"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

from PIL import Image

readme, program = sys.argv[1], os.path.abspath(sys.argv[2])
text = open(readme, encoding="utf-8").read()
block = re.search(r"\n    \$ (plinkavorte-batch [^\n]*)\n((?:    [^$\n][^\n]*\n)+)", text)
if not block:
    sys.exit("FAIL: no shell run of plinkavorte-batch in the README")
command = block.group(1).split()
shown = [line[4:] for line in block.group(2).splitlines()]
home = re.search(r"(/home/[^/ ]+)/", block.group(2)).group(1)

scratch = tempfile.mkdtemp()
try:
    scratch_home = os.path.join(scratch, os.path.basename(home))
    for line in shown:
        found = re.match(r"Files \d+/\d+ (/\S+)$", line)
        if found:
            path = scratch_home + found.group(1)[len(home):]
            os.makedirs(os.path.dirname(path), exist_ok=True)
            Image.new("RGB", (640, 480), (90, 140, 200)).save(path, "JPEG")
    env = dict(os.environ, HOME=scratch_home)
    args = [a.replace("~", scratch_home, 1) if a.startswith("~") else a for a in command[1:]]
    run = subprocess.run([program] + args, cwd=scratch_home, env=env, capture_output=True, text=True, timeout=120)
    printed = (run.stdout + run.stderr).replace(scratch_home, home).splitlines()
    if run.returncode != 0 or printed != shown:
        sys.exit("FAIL: the README shows\n  %s\nbut the program printed (exit %d)\n  %s"
                 % ("\n  ".join(shown), run.returncode, "\n  ".join(printed)))
    print("the README's shell run matches the program")
finally:
    shutil.rmtree(scratch)
