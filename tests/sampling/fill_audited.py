#!/usr/bin/env python3
"""Fills in a sample workpaper as an auditor would: writes audited amounts into the
sheet 样本 of an .xlsx, with the standard library only.

  fill_audited.py IN.xlsx OUT.xlsx [INDEX=AMOUNT ...] [--all-book] [--text INDEX=TEXT]

--all-book puts each item's book amount (账面金额) as its audited amount first; then
INDEX=AMOUNT sets item INDEX (its 序号) to AMOUNT, INDEX=*F to F times its book amount
(to the cent), INDEX=- leaves it empty, and
--text INDEX=TEXT writes a text cell. --edit INDEX=COLUMN=TEXT changes another column
of the item (to test a workpaper edited beyond the auditor's columns)."""
import decimal
import re
import sys
import zipfile
import xml.etree.ElementTree as ET

M = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
R = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
ET.register_namespace("", M)
ET.register_namespace("r", R)


def col_index(ref):
    letters = re.match(r"[A-Z]+", ref).group(0)
    n = 0
    for ch in letters:
        n = n * 26 + ord(ch) - 64
    return n - 1


def col_letters(i):
    s = ""
    i += 1
    while i:
        i, rem = divmod(i - 1, 26)
        s = chr(65 + rem) + s
    return s


def main():
    args = sys.argv[1:]
    src, dst = args[0], args[1]
    all_book = "--all-book" in args
    values, texts, edits = {}, {}, []
    i = 2
    while i < len(args):
        a = args[i]
        if a == "--all-book":
            pass
        elif a == "--text":
            i += 1
            k, v = args[i].split("=", 1)
            texts[int(k)] = v
        elif a == "--edit":
            i += 1
            k, c, v = args[i].split("=", 2)
            edits.append((int(k), c, v))
        else:
            k, v = a.split("=", 1)
            values[int(k)] = v
        i += 1
    zin = zipfile.ZipFile(src)
    shared = []
    if "xl/sharedStrings.xml" in zin.namelist():
        root = ET.fromstring(zin.read("xl/sharedStrings.xml"))
        for si in root.findall("{%s}si" % M):
            shared.append("".join(t.text or "" for t in si.iter("{%s}t" % M)))
    wb = ET.fromstring(zin.read("xl/workbook.xml"))
    rels = ET.fromstring(zin.read("xl/_rels/workbook.xml.rels"))
    target = None
    for s in wb.iter("{%s}sheet" % M):
        if s.get("name") == "样本":
            rid = s.get("{%s}id" % R)
            for rel in rels:
                if rel.get("Id") == rid:
                    target = "xl/" + rel.get("Target").lstrip("/").replace("xl/", "", 1)
    sheet = ET.fromstring(zin.read(target))
    data = sheet.find("{%s}sheetData" % M)

    def text_of(c):
        t = c.get("t", "n")
        if t == "s":
            return shared[int(c.find("{%s}v" % M).text)]
        if t == "inlineStr":
            return "".join(x.text or "" for x in c.iter("{%s}t" % M))
        v = c.find("{%s}v" % M)
        return v.text if v is not None else ""

    rows = data.findall("{%s}row" % M)
    header = {text_of(c): col_index(c.get("r")) for c in rows[0].findall("{%s}c" % M)}
    audited_col = header.get("审定金额", header.get("回函金额"))

    def set_cell(row, col, value, is_text):
        ref = col_letters(col) + row.get("r")
        cells = row.findall("{%s}c" % M)
        cell = None
        for c in cells:
            if c.get("r") == ref:
                cell = c
        if cell is None:
            cell = ET.Element("{%s}c" % M, {"r": ref})
            pos = len([c for c in cells if col_index(c.get("r")) < col])
            row.insert(pos, cell)
        for child in list(cell):
            cell.remove(child)
        for key in ("t", "s"):
            cell.attrib.pop(key, None)
        if value is None:
            row.remove(cell)
        elif is_text:
            cell.set("t", "inlineStr")
            is_ = ET.SubElement(cell, "{%s}is" % M)
            ET.SubElement(is_, "{%s}t" % M).text = value
        else:
            ET.SubElement(cell, "{%s}v" % M).text = value

    for row in rows[1:]:
        cells = {col_index(c.get("r")): c for c in row.findall("{%s}c" % M)}
        if header["序号"] not in cells:
            continue
        index = int(float(text_of(cells[header["序号"]])))
        if all_book:
            set_cell(row, audited_col, text_of(cells[header["账面金额"]]), False)
        if index in values:
            v = values[index]
            if v.startswith("*"):
                book = decimal.Decimal(text_of(cells[header["账面金额"]]))
                v = str((book * decimal.Decimal(v[1:])).quantize(decimal.Decimal("0.01")))
            set_cell(row, audited_col, None if v == "-" else v, False)
        if index in texts:
            set_cell(row, audited_col, texts[index], True)
        for k, c, v in edits:
            if k == index:
                set_cell(row, header[c], v, True)
    out = ET.tostring(sheet, xml_declaration=True, encoding="UTF-8")
    zout = zipfile.ZipFile(dst, "w", zipfile.ZIP_DEFLATED)
    for item in zin.infolist():
        zout.writestr(item.filename, out if item.filename == target else zin.read(item.filename))
    zout.close()


main()
