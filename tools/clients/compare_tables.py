#!/usr/bin/python3
"""Compares the program's table files as other programs read them with the program's CSV.

  compare_tables.py workbook CSV XLSX LO_DIR
      LO_DIR holds LibreOffice's CSV export of every sheet of XLSX (";" between fields,
      UTF-8, numbers as stored). No number of the CSV has more than six significant digits
      (no binary noise such as 16.700000000000003). Every cell of the examinee sheet, as LibreOffice and as
      openpyxl read it, must equal the program's CSV; the group sheet as openpyxl reads it
      must equal LibreOffice's reading.
  compare_tables.py descriptives CSV PSPP_CSV
      PSPP_CSV is PSPP's DESCRIPTIVES table (N, mean, SD, minimum, maximum of every numeric
      variable, rows named by the variable labels, the CSV's headings): each must equal the
      same statistic of the program's CSV to the decimals PSPP prints.

Numbers are equal when they agree to the six significant digits every table file carries.
Standard library and openpyxl only.
"""

import csv
import datetime
import glob
import math
import os
import re
import statistics
import sys

FORMULA_START = "=+-@\t\r"


def fail(message):
    sys.stderr.write("compare_tables: " + message + "\n")
    sys.exit(1)


def read_csv(path, separator=None):
    with open(path, encoding="utf-8-sig", newline="") as f:
        text = f.read()
    if separator is None:
        first = text.split("\r\n", 1)[0]
        separator = ";" if first.count(";") > first.count(",") else ","
    rows = list(csv.reader(text.splitlines(keepends=False), delimiter=separator))
    return rows, separator


def program_csv(path):
    """The program's CSV: rows of cells, the decimal separator its field separator implies."""
    rows, separator = read_csv(path)
    point = "," if separator == ";" else "."
    return rows, point


def as_number(text, point="."):
    if text is None:
        return None
    if isinstance(text, (int, float)) and not isinstance(text, bool):
        return float(text)
    text = str(text).strip()
    if point != ".":
        text = text.replace(point, ".")
    try:
        return float(text)
    except ValueError:
        return None


def six_digits(value):
    return float("%.6g" % value)


def same_number(a, b):
    if a is None or b is None:
        return False
    if math.isnan(a) or math.isnan(b):
        return math.isnan(a) and math.isnan(b)
    return six_digits(a) == six_digits(b)


def as_date(value):
    if isinstance(value, datetime.datetime):
        return value.date()
    if isinstance(value, datetime.date):
        return value
    text = str(value).strip()
    for form in ("%d.%m.%Y", "%m/%d/%Y", "%m/%d/%y", "%Y-%m-%d", "%Y-%m-%d %H:%M:%S"):
        try:
            return datetime.datetime.strptime(text, form).date()
        except ValueError:
            pass
    return None


def plain_text(text):
    """A CSV text as the other files hold it: without the apostrophe that keeps a text
    starting like a formula from being run."""
    if len(text) > 1 and text[0] == "'" and text[1] in FORMULA_START:
        return text[1:]
    return text


def same_cell(expected, point, got, got_point="."):
    """`expected` a cell of the program's CSV, `got` another reader's cell."""
    if expected == "":
        return got is None or str(got) == ""
    number = as_number(expected, point)
    if number is not None:
        return same_number(number, as_number(got, got_point))
    date = as_date(expected)
    if date is not None and as_date(got) == date:
        return True
    return got is not None and plain_text(expected) == str(got)


def significant_digits(text):
    digits = re.sub(r"[^0-9]", "", text.split("e")[0].split("E")[0])
    return len(digits.strip("0"))


def noisy_numbers(rows, point):
    """Numbers of the program's CSV with more than the six significant digits it promises
    (the table's layout: seven text columns of the header, the numbers, the norm's name)."""
    return ["row %d column %d: %s" % (r + 2, c + 1, row[c])
            for r, row in enumerate(rows) for c in range(7, len(row) - 1)
            if as_number(row[c], point) is not None and significant_digits(row[c]) > 6]


def compare_grid(what, expected, point, got, got_point="."):
    problems = []
    height = max(len(expected), len(got))
    for r in range(height):
        row = expected[r] if r < len(expected) else []
        other = got[r] if r < len(got) else []
        for c in range(max(len(row), len(other))):
            e = row[c] if c < len(row) else ""
            g = other[c] if c < len(other) else None
            if not same_cell(e, point, g, got_point):
                problems.append("%s row %d column %d: %r, read %r" % (what, r + 1, c + 1, e, g))
    return problems


def sheet_values(sheet):
    rows = []
    for row in sheet.iter_rows(values_only=True):
        rows.append(["" if v is None else v for v in row])
    while rows and all(v == "" for v in rows[-1]):
        rows.pop()
    return rows


def lo_sheet(directory, stem, sheet):
    matches = glob.glob(os.path.join(directory, "%s-%s.csv" % (stem, sheet)))
    if not matches:
        fail("LibreOffice wrote no sheet %r of %s in %s" % (sheet, stem, directory))
    rows, _ = read_csv(matches[0], ";")
    # LibreOffice writes the numbers of the locale it runs under: a decimal comma under ru_RU
    # (its fields are separated by ";", so a comma in a number is the decimal one).
    decimal_comma = re.compile(r"-?\d*,\d+([Ee][-+]?\d+)?")
    return [[c.replace(",", ".") if decimal_comma.fullmatch(c) else c for c in row]
            for row in rows]


def workbook(csv_path, xlsx_path, lo_dir):
    import openpyxl

    expected, point = program_csv(csv_path)
    stem = os.path.splitext(os.path.basename(xlsx_path))[0]
    try:
        book = openpyxl.load_workbook(xlsx_path)
    except Exception as error:  # openpyxl refuses a file against the format in many ways
        fail("%s: openpyxl cannot load it: %s: %s" % (xlsx_path, type(error).__name__, error))
    names = book.sheetnames
    if not names or names[0] != "Обследуемые":
        fail("%s: sheets %r" % (xlsx_path, names))
    problems = noisy_numbers(expected[1:], point)
    lo_first = lo_sheet(lo_dir, stem, names[0])
    problems += compare_grid("LibreOffice " + names[0], expected, point, lo_first)
    py_first = sheet_values(book[names[0]])
    problems += compare_grid("openpyxl " + names[0], expected, point, py_first)
    cells = sum(len(r) for r in expected)
    for name in names[1:]:
        lo_rows = lo_sheet(lo_dir, stem, name)
        py_rows = [[str(v) if not isinstance(v, (int, float)) else v for v in row]
                   for row in sheet_values(book[name])]
        # Two readers of the same sheet: LibreOffice's text against openpyxl's values.
        problems += compare_grid("openpyxl/LibreOffice " + name, lo_rows, ".", py_rows)
        cells += sum(len(r) for r in lo_rows)
    if problems:
        fail("%s: %d cells differ:\n  %s" % (xlsx_path, len(problems), "\n  ".join(problems[:20])))
    print("%s: %d sheets, %d cells equal in LibreOffice and openpyxl" % (
        os.path.basename(xlsx_path), len(names), cells))


def decimals(text):
    text = text.strip()
    for mark in ".,":
        if mark in text:
            return len(text) - text.rindex(mark) - 1
    return 0


def descriptives(csv_path, pspp_path):
    expected, point = program_csv(csv_path)
    headings = expected[0]
    # After the seven text columns of the header: the numbers, the norm's name, the numbers
    # that weigh the answers and the verdict on them.
    columns = {h: [as_number(row[i], point) for row in expected[1:] if row[i] != ""]
               for i, h in enumerate(headings) if i >= 7}
    table, _ = read_csv(pspp_path, ",")
    checked = 0
    problems = []
    for row in table:
        if len(row) < 6 or row[0] not in columns:
            continue
        values = columns[row[0]]
        if any(v is None for v in values):
            problems.append("%s: not numbers in the CSV" % row[0])
            continue
        mine = [len(values), statistics.fmean(values),
                statistics.stdev(values) if len(values) > 1 else float("nan"),
                min(values), max(values)]
        for name, text, value in zip(("N", "mean", "SD", "minimum", "maximum"), row[1:6], mine):
            shown = as_number(text.replace(",", "."))
            if shown is None or math.isnan(value):
                continue
            if abs(shown - value) > 0.5 * 10 ** -decimals(text) + 1e-9 * abs(value):
                problems.append("%s %s: PSPP %s, CSV %.9g" % (row[0], name, text, value))
        checked += 1
    numeric = sum(1 for values in columns.values()
                  if values and all(v is not None for v in values))
    if checked != numeric:
        problems.append("PSPP describes %d variables, the CSV has %d numeric columns"
                        % (checked, numeric))
    if problems:
        fail("%s:\n  %s" % (pspp_path, "\n  ".join(problems[:20])))
    print("%s: N, mean, SD, minimum and maximum of %d variables equal the CSV" % (
        os.path.basename(pspp_path), checked))


def main(argv):
    if len(argv) == 5 and argv[1] == "workbook":
        workbook(argv[2], argv[3], argv[4])
    elif len(argv) == 4 and argv[1] == "descriptives":
        descriptives(argv[2], argv[3])
    else:
        fail("usage: compare_tables.py workbook CSV XLSX LO_DIR | descriptives CSV PSPP_CSV")


if __name__ == "__main__":
    main(sys.argv)
