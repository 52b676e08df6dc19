#!/usr/bin/python3
"""Writes hostile workbooks and SQL files into a folder, for the end-to-end
hostile-input test: make_hostile_inputs.py FOLDER GOOD_TEMPLATE"""
import os
import random
import sys
import zipfile

folder, good = sys.argv[1], sys.argv[2]
SHEET = "xl/worksheets/sheet1.xml"


def copy_with(name, parts={}, drop=()):
    """A copy of the good template with parts replaced or added (as bytes,
    or a function that writes them) and parts dropped."""
    with zipfile.ZipFile(good) as source, \
            zipfile.ZipFile(os.path.join(folder, name), "w", zipfile.ZIP_DEFLATED) as target:
        kept = [n for n in source.namelist() if n not in drop]
        for part in kept + [n for n in parts if n not in kept]:
            data = parts[part] if part in parts else source.read(part)
            if callable(data):
                with target.open(zipfile.ZipInfo(part), "w", force_zip64=True) as stream:
                    data(stream)
            else:
                target.writestr(part, data)


def blanks(part):
    """1.5 GiB of blanks: a zip bomb inside an otherwise good package."""
    for _ in range(96):
        part.write(b" " * (1 << 24))


def many_strings(part):
    """Five million tiny shared strings: 85 MB, little once compressed."""
    part.write(b'<?xml version="1.0" encoding="UTF-8"?>'
               b'<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">')
    for _ in range(50):
        part.write(b"<si><t>a</t></si>" * 100000)
    part.write(b"</sst>")


LAUGHS = (b'<?xml version="1.0"?><!DOCTYPE lolz [<!ENTITY lol "lol">'
          + b"".join(b'<!ENTITY lol%d "%s">' % (i, (b"&lol%d;" % (i - 1) if i > 1 else b"&lol;") * 10)
                     for i in range(1, 10))
          + b']><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
          + b'<sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>&lol9;</t></is></c></row></sheetData></worksheet>')

FULL_SHEET = (b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
              b'<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>'
              + b"".join(b'<row r="%d"><c r="A%d"><v>%d</v></c></row>' % (r, r, r) for r in range(1, 1048577))
              + b"</sheetData></worksheet>")

copy_with("malformed.xlsx", {SHEET: b"<worksheet><sheetData><row>"})
copy_with("laughs.xlsx", {SHEET: LAUGHS})
copy_with("full_sheet.xlsx", {SHEET: FULL_SHEET})
copy_with("dotdot.xlsx", {"../../escaped.txt": b"outside"})
copy_with("bomb.xlsx", {SHEET: blanks})
with zipfile.ZipFile(good) as source:
    RELS = "xl/_rels/workbook.xml.rels"
    rels = source.read(RELS).replace(
        b"</Relationships>",
        b'<Relationship Id="rIdStrings" Target="sharedStrings.xml" Type="http://schemas.openxmlformats.org/'
        b'officeDocument/2006/relationships/sharedStrings"/></Relationships>')
copy_with("many_strings.xlsx", {RELS: rels, "xl/sharedStrings.xml": many_strings})

random.seed(7)
for name, data in {
        "not_a_zip.xlsx": b"just some text, not a workbook\n",
        "garbage.sql": bytes(random.getrandbits(8) for _ in range(200000)),
        "long_line.sql": b"@Long=1;Sheet1;1;1\nSELECT '" + b"x" * (100 << 20) + b"'\n@After=0\nSELECT 1\n",
        "nul_bytes.sql": b"@Nul=1;Sheet1;1;1\nSELECT 'before'\x00 junk after the NUL\n",
        "bad_utf8.sql": b"@Bad=1;Sheet1;1;1\nSELECT '\xff\xfe\xc3('\n"}.items():
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)
