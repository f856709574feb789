#!/usr/bin/python3
# Prints a workbook as JSON, as python3-xlrd reads it: {sheet: [[cell, ...], ...]}.
# Rows end with their last cell; every cell must be a text cell or empty.
import json
import sys

import xlrd

book = xlrd.open_workbook(sys.argv[1], ragged_rows=True)
out = {}
for sheet in book.sheets():
    rows = []
    for r in range(sheet.nrows):
        row = []
        for c in range(sheet.row_len(r)):
            cell = sheet.cell(r, c)
            if cell.ctype not in (xlrd.XL_CELL_TEXT, xlrd.XL_CELL_EMPTY):
                sys.exit("cell %d,%d is not text" % (r, c))
            row.append(cell.value)
        rows.append(row)
    out[sheet.name] = rows
json.dump(out, sys.stdout, ensure_ascii=False)
