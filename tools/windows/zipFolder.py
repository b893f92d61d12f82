# SPDX-License-Identifier: MIT
"""zipFolder.py STAGE FOLDER OUT.zip: zips STAGE/FOLDER as FOLDER/ into OUT.zip,
the same bytes on every run: names in sorted order, every date
SOURCE_DATE_EPOCH's, modes fixed (programs 755, other files 644), nothing
else of the file system recorded."""
import os
import sys
import time
import zipfile

stage, folder, out = sys.argv[1:4]
date = time.gmtime(int(os.environ["SOURCE_DATE_EPOCH"]))[:6]
names = []
for parent, dirs, files in os.walk(os.path.join(stage, folder)):
    dirs.sort()
    names += [os.path.relpath(os.path.join(parent, f), stage) for f in files]
with zipfile.ZipFile(out + ".part", "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
    for name in sorted(names):
        entry = zipfile.ZipInfo(name.replace(os.sep, "/"), date)
        entry.create_system = 3  # Unix, so that the modes below are read
        entry.external_attr = (0o100755 if name.endswith(".exe") else 0o100644) << 16
        entry.compress_type = zipfile.ZIP_DEFLATED
        with open(os.path.join(stage, name), "rb") as source:
            archive.writestr(entry, source.read(), compresslevel=9)
os.replace(out + ".part", out)
