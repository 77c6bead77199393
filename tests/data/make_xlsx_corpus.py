#!/usr/bin/python3
# Writes the .xlsx files of corpus/ (run from this folder): refuse-*.xlsx must be refused as damaged,
# read-*.xlsx must be read. Each stands for one kind of damaged or hostile workbook and is kept small.
import struct
import zipfile

NS = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PKG = "http://schemas.openxmlformats.org/package/2006/relationships"
HEAD = b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'


def sheet(rows, before=b"", after=b""):
    return (HEAD + b'<worksheet xmlns="' + NS.encode() + b'">' + before + b"<sheetData>" + rows +
            b"</sheetData>" + after + b"</worksheet>")


def parts(sheet_xml, shared=None):
    rels = '<Relationship Id="rId1" Type="%s/worksheet" Target="worksheets/sheet1.xml"/>' % REL
    if shared is not None:
        rels += '<Relationship Id="rId2" Type="%s/sharedStrings" Target="sharedStrings.xml"/>' % REL
    out = [
        ("_rels/.rels", HEAD + ('<Relationships xmlns="%s"><Relationship Id="rId1" Type="%s/officeDocument" '
                                'Target="xl/workbook.xml"/></Relationships>' % (PKG, REL)).encode()),
        ("xl/workbook.xml", HEAD + ('<workbook xmlns="%s" xmlns:r="%s"><sheets><sheet name="S" sheetId="1" '
                                    'r:id="rId1"/></sheets></workbook>' % (NS, REL)).encode()),
        ("xl/_rels/workbook.xml.rels", HEAD + ('<Relationships xmlns="%s">%s</Relationships>' % (PKG, rels)).encode()),
        ("xl/worksheets/sheet1.xml", sheet_xml),
    ]
    if shared is not None:
        out.append(("xl/sharedStrings.xml", HEAD + b'<sst xmlns="' + NS.encode() + b'">' + shared + b"</sst>"))
    return out


def save(name, entries, stored=()):
    with zipfile.ZipFile("corpus/" + name, "w") as z:
        for part, data in entries:
            info = zipfile.ZipInfo(part, date_time=(1980, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_STORED if part in stored else zipfile.ZIP_DEFLATED
            z.writestr(info, data, compresslevel=9)


def patch_entry(name, part, edit):
    """edit(local_offset, central_offset, data) changes the bytes of one entry's headers or data."""
    path = "corpus/" + name
    data = bytearray(open(path, "rb").read())
    key = part.encode()
    central = next(i for i in range(len(data)) if data[i:i + 4] == b"PK\x01\x02"
                   and data[i + 46:i + 46 + len(key)] == key)
    local = struct.unpack_from("<I", data, central + 42)[0]
    edit(local, central, data)
    open(path, "wb").write(bytes(data))


def flip(data, at):
    struct.pack_into("<I", data, at, struct.unpack_from("<I", data, at)[0] ^ 1)


ONE = b'<row r="1"><c r="A1" t="inlineStr"><is><t>ok</t></is></c></row>'
PRODUCT = (b'<row r="1"><c r="A1" t="inlineStr"><is><t>name</t></is></c>'
           b'<c r="B1" t="inlineStr"><is><t>price</t></is></c></row>'
           b'<row r="2"><c r="A2" t="inlineStr"><is><t>aspirin</t></is></c><c r="B2"><v>4.2</v></c></row>')

# A checksum that does not match the deflated sheet: what a flipped bit in the data leaves behind when
# the data still inflates.
save("refuse-checksum-deflated.xlsx", parts(sheet(PRODUCT)))
patch_entry("refuse-checksum-deflated.xlsx", "xl/worksheets/sheet1.xml",
            lambda local, central, d: [flip(d, local + 14), flip(d, central + 16)])


# A stored sheet edited in place: the price 4.2 became 632 and the checksum is stale.
def reprice(local, central, d):
    at = d.index(b"<v>4.2</v>", local)
    d[at:at + 10] = b"<v>632</v>"


save("refuse-checksum-stored.xlsx", parts(sheet(PRODUCT)), stored={"xl/worksheets/sheet1.xml"})
patch_entry("refuse-checksum-stored.xlsx", "xl/worksheets/sheet1.xml", reprice)

# One tag with thousands of attributes: the XML reader compares each with every other.
save("refuse-many-attributes.xlsx",
     parts(sheet(ONE + b'<row r="2"' + b"".join(b' a%d="1"' % i for i in range(5000)) + b"/>")))

# Nested deeper than any workbook part is.
save("refuse-deep-nesting.xlsx", parts(sheet(ONE, after=b"<x>" * 200 + b"</x>" * 200)))

# One character more than a cell may hold.
save("refuse-long-cell-text.xlsx",
     parts(sheet(b'<row r="1"><c r="A1" t="inlineStr"><is><t>' + b"a" * 32768 + b"</t></is></c></row>")))

# Two million and one shared strings, each of them costing memory however short.
save("refuse-shared-strings-bomb.xlsx",
     parts(sheet(b'<row r="1"><c r="A1" t="s"><v>0</v></c></row>'), b"<si><t>x</t></si>" + b"<si/>" * 2000000))

# A sheet that unpacks to more than any workbook read here needs: a cell, then 130 MB of blanks.
save("refuse-zip-bomb.xlsx", parts(sheet(ONE, after=b" " * (130 << 20))))

# Twelve million empty elements: each takes the XML reader time, however short.
save("refuse-many-tags.xlsx", parts(sheet(ONE, after=b"<x/>" * 12000001)))

# Rows beyond the last one a sheet has.
save("refuse-row-beyond-sheet.xlsx", parts(sheet(b'<row r="1048577"><c><v>1</v></c></row>')))

# A cell in the last column on every row: kept columns stop at the reader's default.
save("read-column-xfd.xlsx",
     parts(sheet(b"".join(b'<row r="%d"><c r="A%d"><v>%d</v></c><c r="XFD%d"><v>1</v></c></row>' % (r, r, r, r)
                          for r in range(1, 1001)))))

# A million rows with one number each, under the two titles a drug list's row 1 needs.
save("read-million-rows.xlsx", parts(sheet('<row><c t="inlineStr"><is><t>药品条码</t></is></c><c t="inlineStr"><is>'
                                           '<t>药品名称(*)</t></is></c></row>'.encode() +
                                           b"<row><c><v>1</v></c></row>" * 999999)))

# One cell's text in runs of a megabyte split by empty comments: bounded as a whole, not run by run.
RUN = b"_x" + b"A" * 999998 + b"<!---->"
save("refuse-split-cell-text.xlsx",
     parts(sheet(b'<row r="1"><c r="A1" t="str"><v>' + RUN * 127 + b"</v></c></row>")))


def styled(styles):
    """The parts of a one-cell workbook with a styles part."""
    out = parts(sheet(b'<row r="1"><c r="A1" s="1"><v>46023</v></c></row>'))
    rels = '<Relationship Id="rId3" Type="%s/styles" Target="styles.xml"/></Relationships>' % REL
    out[2] = (out[2][0], out[2][1].replace(b"</Relationships>", rels.encode()))
    out.append(("xl/styles.xml", HEAD + b'<styleSheet xmlns="' + NS.encode() + b'">' + styles + b"</styleSheet>"))
    return out


# A custom number format longer than spreadsheet programs allow, used by many cell formats: each would
# have looked at it again.
save("refuse-long-format-code.xlsx",
     styled(b'<numFmts count="1"><numFmt numFmtId="164" formatCode="' + b"0" * 100000 + b'"/></numFmts>'
            b'<cellXfs>' + b'<xf numFmtId="164"/>' * 1000 + b"</cellXfs>"))

# More cell formats than spreadsheet programs keep.
save("refuse-many-cell-formats.xlsx", styled(b"<cellXfs>" + b'<xf numFmtId="14"/>' * 65537 + b"</cellXfs>"))

# The sheet twice, the second in other letters: either could be the one read.
save("refuse-duplicate-part.xlsx",
     parts(sheet(ONE)) + [("XL/Worksheets/Sheet1.xml", sheet(b'<row r="1"><c r="A1"><v>632</v></c></row>'))])

# A stored sheet that claims another packing method: the zip library would hand it over unchecked.
save("refuse-other-method.xlsx", parts(sheet(PRODUCT)), stored={"xl/worksheets/sheet1.xml"})
patch_entry("refuse-other-method.xlsx", "xl/worksheets/sheet1.xml",
            lambda local, central, d: [struct.pack_into("<H", d, local + 8, 12),
                                       struct.pack_into("<H", d, central + 10, 12)])

# Zip64 is not read: sizes in a zip64 extra field (a sheet unpacking past a lowered limit), and a zip64 end
# record (a lowered entry-count limit).
zipfile.ZIP64_LIMIT, limit = 20000, zipfile.ZIP64_LIMIT
save("refuse-zip64-extra.xlsx", parts(sheet(b'<row r="1"><c r="A1"><v>1</v></c></row>' * 2000)))
zipfile.ZIP64_LIMIT = limit
zipfile.ZIP_FILECOUNT_LIMIT, count_limit = 2, zipfile.ZIP_FILECOUNT_LIMIT
save("refuse-zip64-end.xlsx", parts(sheet(ONE)))
zipfile.ZIP_FILECOUNT_LIMIT = count_limit
# The zip64 field in the local headers only, the directory classic (Python's force_zip64): read, as long as
# its sizes are the directory's; a sheet whose local field claims more is refused.
def local_zip64(name):
    with zipfile.ZipFile("corpus/" + name, "w") as z:
        for part, data in parts(sheet(PRODUCT)):
            info = zipfile.ZipInfo(part, date_time=(1980, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            with z.open(info, "w", force_zip64=True) as entry:
                entry.write(data)


local_zip64("read-zip64-local.xlsx")
local_zip64("refuse-zip64-local-sizes.xlsx")


def claim_more(local, central, d):
    extra = local + 30 + struct.unpack_from("<H", d, local + 26)[0]
    struct.pack_into("<Q", d, extra + 4, struct.unpack_from("<Q", d, extra + 4)[0] + 1000)


patch_entry("refuse-zip64-local-sizes.xlsx", "xl/worksheets/sheet1.xml", claim_more)
