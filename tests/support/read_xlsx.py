#!/usr/bin/python3
"""Prints every sheet of a workbook for the tests: a line "= NAME" per sheet, then one line per
row with its cells separated by TAB, each cell "s:TEXT" (a text cell, its "_xHHHH_" forms decoded
as Excel decodes them, which this openpyxl leaves as they are), "n:NUMBER" (a whole number
in digits, another as Python writes it) or "" (empty).

With --widths first, instead prints per sheet "= NAME" and one line of the column widths set,
"LETTER:WIDTH" separated by TAB, each in the characters the writer was given (Excel stores them
with a padding of less than one character)."""
import re
import sys

import openpyxl

ESCAPED = re.compile(r"_x([0-9A-Fa-f]{4})_")


def excel_text(value):
    return ESCAPED.sub(lambda m: chr(int(m.group(1), 16)), value)


if sys.argv[1] == "--widths":
    book = openpyxl.load_workbook(sys.argv[2])  # read-only sheets have no column widths
    out = []
    for sheet in book.worksheets:
        out.append("= " + sheet.title)
        widths = sorted(sheet.column_dimensions.items(),
                        key=lambda item: openpyxl.utils.column_index_from_string(item[0]))
        out.append("\t".join("%s:%d" % (letter, int(d.width)) for letter, d in widths
                             if d.customWidth))
    sys.stdout.buffer.write(("\n".join(out) + "\n").encode("utf-8"))
    sys.exit(0)

book = openpyxl.load_workbook(sys.argv[1], read_only=True)
out = []
for sheet in book.worksheets:
    out.append("= " + sheet.title)
    for row in sheet.iter_rows(values_only=True):
        cells = []
        for value in row:
            if value is None:
                cells.append("")
            elif isinstance(value, str):
                cells.append("s:" + excel_text(value))
            elif float(value).is_integer():
                cells.append("n:%d" % value)
            else:
                cells.append("n:" + repr(value))
        out.append("\t".join(cells))
sys.stdout.buffer.write(("\n".join(out) + "\n").encode("utf-8"))
