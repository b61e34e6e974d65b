#!/usr/bin/python3
"""Prints every sheet of a workbook for the tests: a line "= NAME" per sheet, then one line per
row with its cells separated by TAB, each cell "s:TEXT" (a text cell), "n:NUMBER" or "" (empty)."""
import sys

import openpyxl

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
                cells.append("s:" + value)
            else:
                cells.append("n:%d" % value)
        out.append("\t".join(cells))
sys.stdout.buffer.write(("\n".join(out) + "\n").encode("utf-8"))
