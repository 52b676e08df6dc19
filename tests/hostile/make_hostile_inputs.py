#!/usr/bin/python3
"""Writes hostile workbooks and SQL files into a folder, for the end-to-end
hostile-input test: make_hostile_inputs.py FOLDER GOOD_TEMPLATE"""
import os
import random
import sys
import zipfile
import zlib

folder, good = sys.argv[1], sys.argv[2]


def copy_with(path, replace=None, drop=(), extra=()):
    """A copy of the good template with parts replaced, dropped or added."""
    with zipfile.ZipFile(good) as source, zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as target:
        for item in source.infolist():
            if item.filename in drop:
                continue
            data = source.read(item.filename)
            if replace and item.filename in replace:
                data = replace[item.filename]
            target.writestr(item.filename, data)
        for name, data in extra:
            target.writestr(name, data)


def zip_bomb(path):
    """sheet1.xml inflates to 1.5 GiB of blanks inside an otherwise good package."""
    with zipfile.ZipFile(good) as source, zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as target:
        for item in source.infolist():
            if item.filename == "xl/worksheets/sheet1.xml":
                with target.open(zipfile.ZipInfo(item.filename), "w", force_zip64=True) as part:
                    chunk = b" " * (1 << 24)
                    for _ in range(96):
                        part.write(chunk)
            else:
                target.writestr(item.filename, source.read(item.filename))


LAUGHS = (b'<?xml version="1.0"?><!DOCTYPE lolz [<!ENTITY lol "lol">'
          + b"".join(b'<!ENTITY lol%d "%s">' % (i, (b"&lol%d;" % (i - 1) if i > 1 else b"&lol;") * 10)
                     for i in range(1, 10))
          + b']><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
          + b'<sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>&lol9;</t></is></c></row></sheetData></worksheet>')

FULL_SHEET = (b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
              b'<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>'
              + b"".join(b'<row r="%d"><c r="A%d"><v>%d</v></c></row>' % (r, r, r) for r in range(1, 1048577))
              + b"</sheetData></worksheet>")

def write(name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


with open(good, "rb") as f:
    whole = f.read()
write("good.xlsx", whole)
write("not_a_zip.xlsx", b"just some text, not a workbook\n")
write("old_binary.xls", bytes.fromhex("D0CF11E0A1B11AE1") + bytes(4088))
write("truncated.xlsx", whole[: len(whole) // 2])
copy_with(os.path.join(folder, "no_workbook.xlsx"), drop=("xl/workbook.xml",))
copy_with(os.path.join(folder, "malformed.xlsx"), replace={"xl/worksheets/sheet1.xml": b"<worksheet><sheetData><row>"})
copy_with(os.path.join(folder, "laughs.xlsx"), replace={"xl/worksheets/sheet1.xml": LAUGHS})
copy_with(os.path.join(folder, "full_sheet.xlsx"), replace={"xl/worksheets/sheet1.xml": FULL_SHEET})
copy_with(os.path.join(folder, "dotdot.xlsx"), extra=(("../../escaped.txt", b"outside"),))
zip_bomb(os.path.join(folder, "bomb.xlsx"))

random.seed(7)
write("garbage.sql", bytes(random.getrandbits(8) for _ in range(200000)))
write("long_line.sql", b"@Long=1;Sheet1;1;1\nSELECT '" + b"x" * (100 << 20) + b"'\n@After=0\nSELECT 1\n")
write("nul_bytes.sql", b"@Nul=1;Sheet1;1;1\nSELECT 'before'\x00 junk after the NUL\n")
write("bad_utf8.sql", b"@Bad=1;Sheet1;1;1\nSELECT '\xff\xfe\xc3('\n")
