#!/usr/bin/python3
# Writes the fuzz seeds (run from this folder): seeds/xlsxparts/*.parts for kvfuzzxlsxparts (the XML parts
# joined by "\n#part#\n" in the harness's order) and seeds/workbook/ for kvfuzzworkbook (the same parts
# zipped, plus the small files of ../data/corpus and ../data). Seeds stay a few KB and quick to read: a big
# or slow seed (the million-row corpus file) fills the queue with near-copies of itself and starves the rest.
import os
import shutil
import zipfile

NS = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PKG = "http://schemas.openxmlformats.org/package/2006/relationships"
HEAD = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
LARGEST_COPIED = 8 * 1024
SLOW = {"read-million-rows.xlsx"}
SEPARATOR = "\n#part#\n"


def sheet(rows):
    return HEAD + '<worksheet xmlns="%s"><sheetData>%s</sheetData></worksheet>' % (NS, rows)


def shared(items):
    return HEAD + '<sst xmlns="%s">%s</sst>' % (NS, "".join(items))


def styles(formats, xfs):
    codes = "".join('<numFmt numFmtId="%d" formatCode="%s"/>' % f for f in formats)
    cells = "".join('<xf numFmtId="%d" applyNumberFormat="1"/>' % x for x in xfs)
    return HEAD + '<styleSheet xmlns="%s"><numFmts count="%d">%s</numFmts><cellXfs count="%d">%s</cellXfs>' \
        '</styleSheet>' % (NS, len(formats), codes, len(xfs), cells)


def workbook(date1904=False, recalculate=False):
    pr = '<workbookPr date1904="1"/>' if date1904 else "<workbookPr/>"
    calc = '<calcPr calcId="124519" fullCalcOnLoad="1"/>' if recalculate else ""
    return HEAD + ('<workbook xmlns="%s" xmlns:r="%s">%s<sheets><sheet name="S" sheetId="1" r:id="rId1"/>'
                   '</sheets>%s</workbook>' % (NS, REL, pr, calc))


WORKBOOK_RELS = HEAD + (
    '<Relationships xmlns="%s"><Relationship Id="rId1" Type="%s/worksheet" Target="worksheets/sheet1.xml"/>'
    '<Relationship Id="rId2" Type="%s/sharedStrings" Target="sharedStrings.xml"/>'
    '<Relationship Id="rId3" Type="%s/styles" Target="styles.xml"/></Relationships>' % (PKG, REL, REL, REL))
ROOT_RELS = HEAD + ('<Relationships xmlns="%s"><Relationship Id="rId1" Type="%s/officeDocument" '
                    'Target="xl/workbook.xml"/></Relationships>' % (PKG, REL))
PART_NAMES = ["xl/worksheets/sheet1.xml", "xl/sharedStrings.xml", "xl/styles.xml", "xl/workbook.xml",
              "xl/_rels/workbook.xml.rels", "_rels/.rels"]

TITLES = '<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c></row>'
STRINGS = shared(["<si><t>药品条码</t></si>", "<si><t>药品名称(*)</t></si>",
                  '<si><r><t>阿莫</t></r><r><rPr><b/></rPr><t>西林</t></r><rPh><t>x</t></rPh></si>'])
PLAIN = styles([(164, "yyyy-mm-dd"), (165, "h:mm"), (166, '[$-804]yyyy"年"m"月"d"日";@'),
                (167, '0.00_);[Red]\\(0.00\\)')], [0, 164, 165, 166, 167, 14])

# Each seed: its sheet rows and, where it differs, other parts.
SEEDS = {
    "values": TITLES + '<row r="2"><c r="A2" t="inlineStr"><is><t>6901234567890</t></is></c>'
              '<c r="B2" t="s"><v>2</v></c><c r="C2"><v>12.5</v></c><c r="D2" t="b"><v>1</v></c>'
              '<c r="E2" t="e"><v>#N/A</v></c><c r="F2" t="str"><f>B2&amp;"x"</f><v>x</v></c></row>',
    "dates": TITLES + '<row r="2"><c r="A2" s="1"><v>46387</v></c><c r="B2" s="2"><v>0.5</v></c>'
             '<c r="C2" s="3"><v>60</v></c><c r="D2" s="5"><v>0</v></c><c r="E2" s="4"><v>-1.5</v></c></row>',
    "formulas": TITLES + '<row r="2"><c r="A2" t="b"><f>TRUE()</f></c><c r="B2"><f>K2*2</f></c>'
                '<c r="C2" t="str"><f>IF(G3="是","是","否")</f><v></v></c><c r="D2"><f>1/0</f><v>INF</v></c>'
                '<c r="E2"><f t="shared" ref="E2:E3" si="0">A2</f><v>1</v></c></row>'
                '<row r="3"><c r="E3"><f t="shared" si="0"/><v>2</v></c></row>',
    # Empty text results (xlwt, Excel's ""), escapes decoding to NUL and CR, a boolean 2, a price of 1e308.
    "empty-results": TITLES + '<row r="2"><c r="A2" t="str"><f>K2*1.5</f><v></v></c>'
                     '<c r="B2" t="inlineStr"><is><t>阿莫_x0000_西林_x000D_胶囊</t></is></c>'
                     '<c r="C2" t="str"><f>" "</f><v> </v></c><c r="I2" t="b"><v>2</v></c>'
                     '<c r="L2"><v>1e308</v></c></row>',
    # Many cells in one row, and one cell over and over: the busy box is kept alive inside a row.
    "one-huge-row": '<row r="1">' + "".join('<c r="A%d"><v>%d</v></c>' % (i, i) for i in range(1, 200)) + "</row>",
    "one-cell-repeated": '<row r="1">' + '<c r="B2"><v>7</v></c>' * 300 + "</row>",
    # A sheet without a title row: data from row 1 on. Titles as typed: blanks, line breaks, full-width mark.
    "no-titles": '<row r="1"><c r="A1"><v>6901234567890</v></c><c r="B1" t="s"><v>2</v></c></row>'
                 '<row r="2"><c r="A2"><v>6901234567891.5</v></c><c r="B2" t="inlineStr"><is><t>x</t></is></c></row>',
    "titles-as-typed": '<row r="1"><c r="A1" t="inlineStr"><is><t xml:space="preserve">药品 条码\n</t></is></c>'
                       '<c r="B1" t="inlineStr"><is><t>药品名称（*）</t></is></c></row>'
                       '<row r="2"><c r="H2" t="inlineStr"><is><t>2026/12/31 下午 3:00</t></is></c>'
                       '<c r="K2" t="inlineStr"><is><t>2026-12-31T08:00:00+08:00</t></is></c></row>',
    "sparse": TITLES + '<row r="9"><c r="L9"><v>3</v></c></row><row r="1048576"><c r="XFD1048576">'
              '<v>1</v></c></row>',
}


def parts_of(rows, date1904=False, recalculate=False, strings=STRINGS):
    return [sheet(rows), strings, PLAIN, workbook(date1904, recalculate), WORKBOOK_RELS, ROOT_RELS]


def write_seed(name, parts):
    with open("seeds/xlsxparts/%s.parts" % name, "w", encoding="utf-8") as f:
        f.write(SEPARATOR.join(parts))
    with zipfile.ZipFile("seeds/workbook/%s.xlsx" % name, "w") as z:
        for part, body in zip(PART_NAMES, parts):
            info = zipfile.ZipInfo(part, date_time=(1980, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, body.encode("utf-8"))


def parts_from_file(path):
    """The parts of a small .xlsx as a parts seed; None when the zip cannot be read."""
    try:
        with zipfile.ZipFile(path) as z:
            names = z.namelist()
            sheets = [n for n in names if n.startswith("xl/worksheets/")]
            if not sheets:
                return None
            read = lambda name, default: z.read(name).decode("utf-8", "replace") if name in names else default
            return [read(sheets[0], ""), read("xl/sharedStrings.xml", STRINGS), read("xl/styles.xml", PLAIN),
                    read("xl/workbook.xml", workbook()), WORKBOOK_RELS, ROOT_RELS]
    except (zipfile.BadZipFile, KeyError, OSError):
        return None


def main():
    for folder in ("seeds/xlsxparts", "seeds/workbook"):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
    for name, rows in SEEDS.items():
        write_seed(name, parts_of(rows))
    write_seed("dates1904", parts_of(SEEDS["dates"], date1904=True))
    # xlsxwriter's shape: 0 saved as every formula's result, the workbook calculated on load.
    write_seed("recalculate", parts_of(TITLES + '<row r="2"><c r="K2"><v>3</v></c><c r="L2"><f>K2*1.5</f><v>0</v>'
                                       '</c><c r="C2" t="str"><f>"x"</f><v>0</v></c></row>', recalculate=True))
    # Many rows quoting one long shared string in the name and the flag.
    long_rows = "".join('<row r="%d"><c r="B%d" t="s"><v>1</v></c><c r="I%d" t="s"><v>1</v></c></row>' % (r, r, r)
                        for r in range(2, 40))
    write_seed("long-cells", parts_of('<row r="1"><c r="A1" t="s"><v>0</v></c></row>' + long_rows,
                                      strings=shared(["<si><t>药品条码</t></si>", "<si><t>%s</t></si>" % ("长" * 1000)])))
    # Files that are no workbook: empty, a zip of other files, a word processor's document.
    open("seeds/workbook/empty.xlsx", "wb").close()
    with zipfile.ZipFile("seeds/workbook/zip-of-text.xlsx", "w") as z:
        z.writestr(zipfile.ZipInfo("readme.txt", date_time=(1980, 1, 1, 0, 0, 0)), "药品条码,药品名称\n")
    with zipfile.ZipFile("seeds/workbook/document.xlsx", "w") as z:
        for part, body in (("_rels/.rels", ROOT_RELS.replace("xl/workbook.xml", "word/document.xml")),
                           ("word/document.xml", HEAD + "<document><body/></document>")):
            z.writestr(zipfile.ZipInfo(part, date_time=(1980, 1, 1, 0, 0, 0)), body.encode("utf-8"))
    for folder in ("../data/corpus", "../data"):
        for name in sorted(os.listdir(folder)):
            path = os.path.join(folder, name)
            if (os.path.isfile(path) and name.endswith((".xls", ".xlsx")) and name not in SLOW
                    and os.path.getsize(path) <= LARGEST_COPIED):
                shutil.copy(path, "seeds/workbook/" + name)
                parts = parts_from_file(path) if name.endswith(".xlsx") else None
                if parts and len(SEPARATOR.join(parts).encode("utf-8")) <= LARGEST_COPIED:
                    with open("seeds/xlsxparts/%s.parts" % name[:-5], "w", encoding="utf-8") as f:
                        f.write(SEPARATOR.join(parts))


if __name__ == "__main__":
    main()
