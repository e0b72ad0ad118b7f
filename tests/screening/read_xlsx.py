#!/usr/bin/env python3
"""Reads an .xlsx file with the standard library and prints what the tests check, as
JSON: per sheet its name, row count, the first rows' cells (value and type), whether
the header row is frozen, its autofilter, the number of formula cells; and the charts."""
import json
import re
import sys
import zipfile
import xml.etree.ElementTree as ET

NS = {
    "m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main",
    "r": "http://schemas.openxmlformats.org/officeDocument/2006/relationships",
    "rel": "http://schemas.openxmlformats.org/package/2006/relationships",
}


def cell_value(c, shared):
    t = c.get("t", "n")
    if t == "inlineStr":
        node = c.find("m:is", NS)
        return "".join(x.text or "" for x in node.iter("{%s}t" % NS["m"])), "s"
    v = c.find("m:v", NS)
    if t == "s":
        return shared[int(v.text)], "s"
    if v is None:
        return None, t
    return float(v.text), "n"


def main():
    z = zipfile.ZipFile(sys.argv[1])
    keep = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    shared = []
    if "xl/sharedStrings.xml" in z.namelist():
        root = ET.fromstring(z.read("xl/sharedStrings.xml"))
        for si in root.findall("m:si", NS):
            shared.append("".join(x.text or "" for x in si.iter("{%s}t" % NS["m"])))
    wb = ET.fromstring(z.read("xl/workbook.xml"))
    rels = ET.fromstring(z.read("xl/_rels/workbook.xml.rels"))
    target = {r.get("Id"): r.get("Target") for r in rels.findall("rel:Relationship", NS)}
    out = {"sheets": [], "charts": []}
    for s in wb.find("m:sheets", NS).findall("m:sheet", NS):
        rid = s.get("{%s}id" % NS["r"])
        path = "xl/" + target[rid]
        root = ET.fromstring(z.read(path))
        rows = root.find("m:sheetData", NS).findall("m:row", NS)
        first = []
        formulas = 0
        for row in rows:
            for c in row.findall("m:c", NS):
                if c.find("m:f", NS) is not None:
                    formulas += 1
        for row in rows[:keep]:
            cells = {}
            for c in row.findall("m:c", NS):
                value, kind = cell_value(c, shared)
                cells[re.sub(r"\d", "", c.get("r"))] = {"v": value, "t": kind, "s": c.get("s")}
            first.append(cells)
        pane = root.find("m:sheetViews/m:sheetView/m:pane", NS)
        af = root.find("m:autoFilter", NS)
        out["sheets"].append({
            "name": s.get("name"),
            "rows": len(rows),
            "first": first,
            "frozen": pane is not None and pane.get("state") == "frozen" and pane.get("ySplit") == "1",
            "autofilter": af.get("ref") if af is not None else None,
            "formulas": formulas,
        })
    for name in z.namelist():
        if name.startswith("xl/charts/chart"):
            root = ET.fromstring(z.read(name))
            xml = z.read(name).decode("utf-8")
            out["charts"].append({"name": name, "bar": "barChart" in xml,
                                  "series": xml.count("<c:ser>")})
    styles = ET.fromstring(z.read("xl/styles.xml"))
    out["numFmts"] = [f.get("formatCode") for f in styles.iter("{%s}numFmt" % NS["m"])]
    json.dump(out, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main()
