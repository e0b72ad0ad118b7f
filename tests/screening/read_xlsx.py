#!/usr/bin/env python3
"""Reads an .xlsx file with the standard library and prints what the tests check, as
JSON: per sheet its name, row count, the first rows' cells (value, type and number
format), whether the header row is frozen, its autofilter, the number of formula cells,
its print set-up (orientation, paper, fit to pages, header and footer) and column
widths; the workbook's defined names (print titles); and the charts with their legends."""
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


BUILTIN_FORMATS = {0: "General", 1: "0", 2: "0.00", 3: "#,##0", 4: "#,##0.00", 14: "mm-dd-yy"}


def number_formats(z):
    """The number format code of each cell style index."""
    styles = ET.fromstring(z.read("xl/styles.xml"))
    codes = dict(BUILTIN_FORMATS)
    for f in styles.iter("{%s}numFmt" % NS["m"]):
        codes[int(f.get("numFmtId"))] = f.get("formatCode")
    xfs = styles.find("m:cellXfs", NS)
    return [codes.get(int(xf.get("numFmtId", "0")), "?") for xf in xfs.findall("m:xf", NS)]


def print_setup(root):
    setup = root.find("m:pageSetup", NS)
    fit = root.find("m:sheetPr/m:pageSetUpPr", NS)
    header = root.find("m:headerFooter/m:oddHeader", NS)
    footer = root.find("m:headerFooter/m:oddFooter", NS)
    breaks = root.find("m:rowBreaks", NS)
    return {
        "orientation": setup.get("orientation") if setup is not None else None,
        "paper": setup.get("paperSize") if setup is not None else None,
        "fit_width": setup.get("fitToWidth", "1") if setup is not None else None,
        "fit_height": setup.get("fitToHeight", "1") if setup is not None else None,
        "fit_to_page": fit is not None and fit.get("fitToPage") == "1",
        "header": header.text if header is not None else None,
        "footer": footer.text if footer is not None else None,
        "row_breaks": [int(b.get("id")) for b in breaks.findall("m:brk", NS)] if breaks is not None else [],
    }


def main():
    z = zipfile.ZipFile(sys.argv[1])
    keep = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    formats = number_formats(z)
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
                style = int(c.get("s", "0"))
                cells[re.sub(r"\d", "", c.get("r"))] = {"v": value, "t": kind, "s": c.get("s"),
                                                        "f": formats[style] if style < len(formats) else None}
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
            "print": print_setup(root),
            "widths": {c.get("min"): float(c.get("width")) for c in root.iter("{%s}col" % NS["m"])},
        })
    names = wb.find("m:definedNames", NS)
    out["defined_names"] = [{"name": n.get("name"), "sheet": n.get("localSheetId"), "text": n.text}
                            for n in (names.findall("m:definedName", NS) if names is not None else [])]
    for name in z.namelist():
        if name.startswith("xl/charts/chart"):
            root = ET.fromstring(z.read(name))
            xml = z.read(name).decode("utf-8")
            out["charts"].append({"name": name, "bar": "barChart" in xml,
                                  "series": xml.count("<c:ser>"), "legend": "<c:legend>" in xml,
                                  "series_names": re.findall(r"<c:tx>.*?<c:v>(.*?)</c:v>", xml)})
    styles = ET.fromstring(z.read("xl/styles.xml"))
    out["numFmts"] = [f.get("formatCode") for f in styles.iter("{%s}numFmt" % NS["m"])]
    json.dump(out, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main()
