#!/usr/bin/env python3
"""Writes src/kit/text/unicode_tables.cpp: the case table and the general-category table.

Inputs
  * Debian's unicode-data package (Unicode 15.0.0): /usr/share/unicode/CaseFolding.txt,
    DerivedAge.txt and UnicodeData.txt  (apt-get install unicode-data)
  * Python 3.11's unicodedata.ucd_3_2_0 (the Unicode 3.2.0 database)

Case table: the BMP rows of CaseFolding.txt in the ranges below whose character and
mapping both existed in Unicode 3.1 (the version with U+03F4/U+03F5 but without U+0220),
in code order, then these changes by hand:
  * U+03F2 GREEK LUNATE SIGMA SYMBOL folds to U+03C3 (C): until U+03F9 took its place in
    4.0 its upper case was U+03A3, as for the other Greek letter symbols;
  * the Turkic rows are U+0130 -> U+0069 and U+0131 -> U+0131 (status T); the newer
    rows U+0049 T U+0131 and U+0130 F U+0069 U+0307 are not taken;
  * the row of U+0345 moves right after the row of U+0399 and is followed by an extra row
    U+0399 -> U+0345; likewise U+00B5 after U+039C with an extra row U+039C -> U+00B5.
Result: 816 rows, 685 C, 27 S, 102 F, 2 T.

Category table (Unicode 4.0.0): the 3.2 category of every character that 3.2 assigns; the
current category of the characters that 4.0 added (DerivedAge 4.0); Cn for the rest. By
hand: U+00AD SOFT HYPHEN is Cf (changed from Pd in 4.0). Other category changes between
3.2 and 4.0 of characters that 3.2 already had are not known from these inputs: such
characters keep their 3.2 category.

Identical pages are stored once: 56 distinct pages of 256 bytes. (A table of 60 pages
holds the same categories with some identical uniform pages kept twice.)

Run from the repository root:  python3 tools/gen_unicode_tables.py
"""
import os
import sys
import unicodedata

UCD = os.environ.get("UCD_DIR", "/usr/share/unicode")
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "kit", "text", "unicode_tables.cpp")

CASE_RANGES = [(0x0041, 0x00DF), (0x0100, 0x0232), (0x0345, 0x03F5), (0x0400, 0x04F8), (0x0531, 0x0587),
               (0x1E00, 0x1EF8), (0x1F08, 0x1FFC), (0x2126, 0x216F), (0x24B6, 0x24CF), (0xFB00, 0xFB17),
               (0xFF21, 0xFF3A)]
STATUS = {"C": 1, "S": 2, "F": 4, "T": 8}
CATEGORIES = ["Lu", "Ll", "Lt", "Lm", "Lo", "Mn", "Mc", "Me", "Nd", "Nl", "No", "Pc", "Pd", "Ps", "Pe",
              "Pi", "Pf", "Po", "Sm", "Sc", "Sk", "So", "Zs", "Zl", "Zp", "Cc", "Cf", "Cs", "Co", "Cn"]
CATEGORY_FIXES = {0x00AD: "Cf"}


def data_lines(name):
    with open(os.path.join(UCD, name), encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if line:
                yield [x.strip() for x in line.split(";")]


def read_ages():
    ages = {}
    for fields in data_lines("DerivedAge.txt"):
        lo, _, hi = fields[0].partition("..")
        version = tuple(int(x) for x in fields[1].split("."))
        for c in range(int(lo, 16), int(hi or lo, 16) + 1):
            ages[c] = version
    return ages


def read_current_categories():
    cats = {}
    first = None
    for fields in data_lines("UnicodeData.txt"):
        c = int(fields[0], 16)
        if fields[1].endswith("First>"):
            first = c
            continue
        if fields[1].endswith("Last>"):
            for x in range(first, c + 1):
                cats[x] = fields[2]
            continue
        cats[c] = fields[2]
    return cats


def case_rows(ages):
    def old(c):
        return ages.get(c, (99,)) <= (3, 1)

    rows = []
    for code, status, mapping, *_ in data_lines("CaseFolding.txt"):
        c = int(code, 16)
        units = [int(x, 16) for x in mapping.split()]
        if c > 0xFFFF or not any(lo <= c <= hi for lo, hi in CASE_RANGES):
            continue
        if not old(c) or not all(old(u) for u in units):
            continue
        if status == "T" or (c == 0x0130 and status == "F"):
            continue
        rows.append((STATUS[status], c, units))
    rows += [(1, 0x03F2, [0x03C3]), (8, 0x0130, [0x0069]), (8, 0x0131, [0x0131])]
    rows.sort(key=lambda r: r[1])  # stable: rows of one character keep their order

    def move_after(moved_code, anchor_code):
        moved = next(r for r in rows if r[1] == moved_code)
        rows.remove(moved)
        at = next(i for i, r in enumerate(rows) if r[1] == anchor_code) + 1
        rows[at:at] = [moved, (1, anchor_code, [moved_code])]

    move_after(0x0345, 0x0399)
    move_after(0x00B5, 0x039C)

    counts = {s: sum(1 for r in rows if r[0] == v) for s, v in STATUS.items()}
    assert len(rows) == 816 and counts == {"C": 685, "S": 27, "F": 102, "T": 2}, (len(rows), counts)
    assert rows[0] == (1, 0x41, [0x61]) and rows[-1] == (1, 0xFF3A, [0xFF5A])
    assert (4, 0xDF, [0x73, 0x73]) in rows and (4, 0xFB03, [0x66, 0x66, 0x69]) in rows
    i = rows.index((4, 0x1F88, [0x1F00, 0x3B9]))
    assert rows[i + 1] == (2, 0x1F88, [0x1F80])
    return rows


def categories(ages):
    current = read_current_categories()
    old = unicodedata.ucd_3_2_0
    out = []
    for c in range(0x10000):
        cat = old.category(chr(c))
        if cat == "Cn" and ages.get(c) == (4, 0):
            cat = current[c]
        out.append(CATEGORY_FIXES.get(c, cat))
    expect = {0x0041: "Lu", 0x0030: "Nd", 0x0020: "Zs", 0x200B: "Zs", 0x0221: "Ll", 0x0237: "Cn",
              0x9FA6: "Cn", 0xD800: "Cs", 0xDFFF: "Cs", 0xE000: "Co", 0x0378: "Cn", 0xFEFF: "Cf"}
    for c, cat in expect.items():
        assert out[c] == cat, (hex(c), out[c], cat)
    return [CATEGORIES.index(x) for x in out]


def main():
    if unicodedata.ucd_3_2_0.unidata_version != "3.2.0":
        sys.exit("needs unicodedata.ucd_3_2_0")
    ages = read_ages()
    rows = case_rows(ages)
    cats = categories(ages)

    pages, offsets = [], []
    for hi in range(256):
        page = cats[hi * 256:(hi + 1) * 256]
        if page not in pages:
            pages.append(page)
        offsets.append(pages.index(page) * 256)
    assert len(pages) == 56, len(pages)

    o = ["// Generated by tools/gen_unicode_tables.py; do not edit. See the script for its inputs.",
         '#include "kit/text/unicode_tables.h"', "", "namespace zv {", "",
         "const TKitCaseRow KitCaseRows[KitCaseRowCount] = {"]
    names = {1: "C", 2: "S", 4: "F", 8: "T"}
    for status, code, units in rows:
        units = (units + [0, 0])[:3]
        o.append("    {%d, 0, 0x%04X, {0x%04X, 0x%04X, 0x%04X}},  // %s" % (status, code, *units, names[status]))
    o += ["};", "", "const uint16_t KitCategoryPageOffsets[256] = {"]
    for i in range(0, 256, 16):
        o.append("    " + " ".join("%d," % x for x in offsets[i:i + 16]))
    o += ["};", "", "const uint8_t KitCategoryPages[KitCategoryPageCount * 256] = {"]
    for p, page in enumerate(pages):
        o.append("    // page %d" % p)
        for i in range(0, 256, 32):
            o.append("    " + "".join("%d," % x for x in page[i:i + 32]))
    o += ["};", "", "}  // namespace zv", ""]
    with open(OUT, "w", encoding="utf-8") as f:
        f.write("\n".join(o))
    print("wrote", os.path.normpath(OUT), len(rows), "case rows,", len(pages), "category pages")


if __name__ == "__main__":
    main()
