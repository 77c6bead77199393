#!/usr/bin/python3
# Writes the .xls regression corpus into corpus/: BIFF records and their compound-document container are put
# together byte by byte, so that files can hold what ordinary writers do not produce (cached formula results,
# split strings, BIFF5) and damage of every kind. read-*.xls must read, refuse-*.xls must be refused.
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus")

END_OF_CHAIN = 0xFFFFFFFE
FREE = 0xFFFFFFFF
FAT_SECTOR = 0xFFFFFFFD
EXT_SECTOR = 0xFFFFFFFC
NO_STREAM = 0xFFFFFFFF
MINI = 64
MINI_CUTOFF = 4096


def u16(v):
    return struct.pack("<H", v)


def u32(v):
    return struct.pack("<I", v)


# --- compound document ---------------------------------------------------------------------------------------

def dir_entry(name, kind, start, size, child=NO_STREAM, right=NO_STREAM):
    raw = name.encode("utf-16-le") + b"\0\0"
    return (raw.ljust(64, b"\0") + struct.pack("<HBB", len(raw), kind, 1) +
            struct.pack("<III", NO_STREAM, right, child) + bytes(16) + u32(0) + bytes(16) +
            u32(start) + struct.pack("<Q", size))


def compound(streams, damage_fat=None, shift=9, fat_sectors=1):
    """streams: [(name, bytes)] in the root storage. shift 12 gives 4096-byte sectors (version 4); more than
    109 allocation-table sectors need extension sectors. damage_fat(fat, starts) may change the table."""
    size = 1 << shift
    per = size // 4
    fat, sectors, starts = [], [], {}

    def place(data, fill=b"\0"):
        count = (len(data) + size - 1) // size
        if count == 0:
            return END_OF_CHAIN
        first = len(fat)
        for i in range(count):
            fat.append(first + i + 1 if i < count - 1 else END_OF_CHAIN)
            sectors.append(data[i * size:(i + 1) * size].ljust(size, fill))
        return first

    mini_stream, mini_fat = b"", []
    for name, data in streams:
        if len(data) >= MINI_CUTOFF:
            starts[name] = place(data)
            continue
        count = (len(data) + MINI - 1) // MINI
        first = len(mini_fat)
        starts[name] = first if count else END_OF_CHAIN
        mini_fat += [first + i + 1 if i < count - 1 else END_OF_CHAIN for i in range(count)]
        mini_stream += data.ljust(count * MINI, b"\0")
    mini_start = place(mini_stream)
    mini_fat_bytes = b"".join(u32(x) for x in mini_fat)
    mini_fat_start = place(mini_fat_bytes, b"\xff")

    entries = dir_entry("Root Entry", 5, mini_start, len(mini_stream), child=1 if streams else NO_STREAM)
    for i, (name, data) in enumerate(streams):
        entries += dir_entry(name, 2, starts[name], len(data),
                             right=i + 2 if i + 1 < len(streams) else NO_STREAM)
    while len(entries) % size:
        entries += dir_entry("", 0, 0, 0)
    dir_start = place(entries)
    dir_count = len(entries) // size

    fat_count = fat_sectors
    while True:
        ext_count = max(0, (fat_count - 109 + per - 2) // (per - 1))
        if len(fat) + fat_count + ext_count <= fat_count * per:
            break
        fat_count += 1
    fat_locations = list(range(len(fat), len(fat) + fat_count))
    fat += [FAT_SECTOR] * fat_count
    ext_locations = list(range(len(fat), len(fat) + ext_count))
    fat += [EXT_SECTOR] * ext_count
    fat += [FREE] * (fat_count * per - len(fat))
    if damage_fat:
        damage_fat(fat, starts)
    table = b"".join(u32(x) for x in fat)
    for i in range(fat_count):
        sectors.append(table[i * size:(i + 1) * size])
    rest = fat_locations[109:]
    for i, location in enumerate(ext_locations):
        listed = rest[i * (per - 1):(i + 1) * (per - 1)]
        following = ext_locations[i + 1] if i + 1 < ext_count else END_OF_CHAIN
        sectors.append(b"".join(u32(x) for x in listed).ljust(size - 4, b"\xff") + u32(following))

    header = (b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + bytes(16) +
              struct.pack("<HHHHH", 0x3E, 4 if shift == 12 else 3, 0xFFFE, shift, 6) + bytes(6) +
              struct.pack("<IIIIIIIII", dir_count if shift == 12 else 0, fat_count, dir_start, 0, MINI_CUTOFF,
                          mini_fat_start, (len(mini_fat_bytes) + size - 1) // size,
                          ext_locations[0] if ext_locations else END_OF_CHAIN, ext_count))
    header += b"".join(u32(x) for x in fat_locations[:109]) + b"\xff" * 4 * (109 - min(fat_count, 109))
    assert len(header) == 512
    return header.ljust(size, b"\0") + b"".join(sectors)


# --- BIFF records --------------------------------------------------------------------------------------------

def rec(kind, payload=b""):
    return u16(kind) + u16(len(payload)) + payload


def chars(text):
    """A BIFF8 option byte and the characters, one byte each where they allow it."""
    try:
        return b"\0" + text.encode("latin-1")
    except UnicodeEncodeError:
        return b"\1" + text.encode("utf-16-le")


def xlstr(text, count_bytes=2):
    return (bytes([len(text)]) if count_bytes == 1 else u16(len(text))) + chars(text)


def bof(kind, version=0x0600):
    if version == 0x0500:
        return rec(0x0809, struct.pack("<HHHH", version, kind, 0x0DBB, 0x07CC))
    return rec(0x0809, struct.pack("<HHHHII", version, kind, 0x0DBB, 0x07CC, 0x000100D1, 0x00000406))


EOF = rec(0x000A)
GLOBALS, WORKSHEET, CHART = 0x0005, 0x0010, 0x0020

# Cell formats: 16 style formats, then cell formats with these number formats.
XF_GENERAL, XF_DATE, XF_CUSTOM_DATE, XF_QUOTED_D = 15, 16, 17, 18


def xf(number_format, style):
    return rec(0x00E0, struct.pack("<HHH", 0, number_format, 0xFFF4 if style else 0) + bytes(14))


def formats(version=0x0600):
    out = b""
    for number, code in ((164, "yyyy/m/d"), (165, '0.0"d"')):
        if version == 0x0500:
            out += rec(0x041E, u16(number) + bytes([len(code)]) + code.encode("latin-1"))
        else:
            out += rec(0x041E, u16(number) + xlstr(code))
    out += b"".join(xf(0, True) for _ in range(15)) + xf(0, False)
    out += xf(14, False) + xf(164, False) + xf(165, False)
    return out


def dimensions(rows, columns):
    return rec(0x0200, struct.pack("<IIHHH", 0, rows, 0, columns, 0))


def number(r, c, value, fmt=XF_GENERAL):
    return rec(0x0203, struct.pack("<HHHd", r, c, fmt, value))


def rk_int(value):
    return (value << 2 | 2) & 0xFFFFFFFF


def rk(r, c, raw, fmt=XF_GENERAL):
    return rec(0x027E, struct.pack("<HHHI", r, c, fmt, raw))


def mulrk(r, c, raws):
    return rec(0x00BD, struct.pack("<HH", r, c) + b"".join(struct.pack("<HI", XF_GENERAL, x) for x in raws) +
               u16(c + len(raws) - 1))


def label_sst(r, c, index):
    return rec(0x00FD, struct.pack("<HHHI", r, c, XF_GENERAL, index))


def label(r, c, text):
    return rec(0x0204, struct.pack("<HHH", r, c, XF_GENERAL) + xlstr(text))


def boolerr(r, c, value, error=False):
    return rec(0x0205, struct.pack("<HHHBB", r, c, XF_GENERAL, value, 1 if error else 0))


ERRORS = {"#NULL!": 0x00, "#DIV/0!": 0x07, "#VALUE!": 0x0F, "#REF!": 0x17, "#NAME?": 0x1D, "#NUM!": 0x24,
          "#N/A": 0x2A}


def formula(r, c, result, fmt=XF_GENERAL, tokens=b"\x41\x22\x00"):
    """result: a float, True/False, an int (a boolean's raw byte), an error text, "" (empty text) or str (a
    STRING record must follow)."""
    if isinstance(result, (bool, int)):
        cached = bytes([1, 0, int(result), 0, 0, 0, 0xFF, 0xFF])
    elif isinstance(result, float):
        cached = struct.pack("<d", result)
    elif result in ERRORS:
        cached = bytes([2, 0, ERRORS[result], 0, 0, 0, 0xFF, 0xFF])
    elif result == "":
        cached = bytes([3, 0, 0, 0, 0, 0, 0xFF, 0xFF])
    else:
        cached = bytes([0, 0, 0, 0, 0, 0, 0xFF, 0xFF])
    return rec(0x0006, struct.pack("<HHH", r, c, fmt) + cached + struct.pack("<HI", 0, 0) +
               u16(len(tokens)) + tokens)


def sst(strings):
    return rec(0x00FC, struct.pack("<II", len(strings), len(strings)) + b"".join(xlstr(s) for s in strings))


def boundsheet(offset, name, version=0x0600):
    if version == 0x0500:
        raw = name.encode("gbk")
        return rec(0x0085, struct.pack("<IH", offset, 0) + bytes([len(raw)]) + raw)
    return rec(0x0085, struct.pack("<IBB", offset, 0, 0) + xlstr(name, 1))


def workbook(sheets, strings=None, sst_records=None, before=b"", datemode=0, version=0x0600, codepage=1200,
             stream_order=None):
    """sheets: [(name, cell records)] in tab order; stream_order puts the sheets' records in another order."""
    def globals_with(offsets):
        out = bof(GLOBALS, version) + before + (rec(0x0042, u16(codepage)) if codepage else b"")
        out += rec(0x0022, u16(datemode))
        out += formats(version)
        out += b"".join(boundsheet(o, name, version) for o, (name, _) in zip(offsets, sheets))
        if sst_records is not None:
            out += sst_records
        elif strings is not None:
            out += sst(strings)
        return out + EOF

    bodies = [bof(WORKSHEET, version) + cells + EOF for _, cells in sheets]
    order = stream_order or list(range(len(sheets)))
    position = len(globals_with([0] * len(sheets)))
    offsets = [0] * len(sheets)
    for index in order:
        offsets[index] = position
        position += len(bodies[index])
    return globals_with(offsets) + b"".join(bodies[i] for i in order)


def xls(stream, name="Workbook", pad=True, **layout):
    # Office pads the workbook stream so that it never lands in the mini stream.
    if pad and len(stream) < MINI_CUTOFF:
        stream = stream.ljust(MINI_CUTOFF, b"\0")
    return compound([(name, stream)], **layout)


# --- the files -----------------------------------------------------------------------------------------------

TITLES = ["药品条码", "药品名称(*)", "助记码", "规格", "批准文号", "生产厂商", "分类", "储存条件", "是否处方药",
          "单位", "采购价", "销售价"]


def product_sheet(prescription, purchase):
    """A product import sheet: titles as shared strings, one drug in row 2."""
    strings = TITLES + ["头孢克肟胶囊", "TBKWJN", "0.1g*6粒", "国药准字H20000002", "示例制药有限公司", "处方药",
                        "常温", "盒", "是"]
    cells = dimensions(2, 12) + b"".join(label_sst(0, c, c) for c in range(12))
    cells += number(1, 0, 6920000000024.0)
    cells += b"".join(label_sst(1, c, 12 + i) for i, c in enumerate((1, 2, 3, 4, 5, 6, 7)))
    cells += prescription(1, 8) + label_sst(1, 9, 19) + purchase(1, 10) + rk(1, 11, rk_int(25))
    return strings, cells


def write(name, data):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def split_strings_table():
    # Record 1 ends inside string 2's characters, which go on in UTF-16 after a fresh option byte; string 3's
    # rich-text runs are cut between records 2 and 3 (no option byte there); string 5's header ends record 3
    # and its characters open record 4.
    first = struct.pack("<II", 6, 6) + xlstr("阿莫西林")
    first += u16(7) + bytes([0x0D]) + u16(2) + u32(6) + "布洛芬缓释胶囊".encode("utf-16-le")
    first += u32(0x00000001) + u32(0x00040002) + bytes(6)
    first += u16(14) + b"\0" + b"Vitamin C "
    second = b"\1" + "维生素C".encode("utf-16-le")
    second += u16(3) + bytes([0x08]) + u16(2) + b"ABC" + u32(0x00000001)
    third = u32(0x00020002) + xlstr("末尾") + u16(5) + b"\0"
    fourth = b"\0" + b"plain"
    return rec(0x00FC, first) + rec(0x003C, second) + rec(0x003C, third) + rec(0x003C, fourth)


def long_string_records(text, cut):
    # A STRING record whose characters go on in a CONTINUE record, one byte each there.
    head, tail = text[:cut], text[cut:]
    return rec(0x0207, u16(len(text)) + b"\1" + head.encode("utf-16-le")) + rec(0x003C, b"\0" + tail.encode())


def main():
    os.makedirs(OUT, exist_ok=True)

    # A ticked box saved as =TRUE() with its cached result, as office suites write it.
    strings, cells = product_sheet(lambda r, c: formula(r, c, True), lambda r, c: rk(r, c, rk_int(8)))
    write("read-boolean-formula.xls", xls(workbook([("商品", cells)], strings)))

    strings, cells = product_sheet(lambda r, c: label_sst(r, c, 20), lambda r, c: boolerr(r, c, 0x07, True))
    write("read-error-cell.xls", xls(workbook([("商品", cells)], strings)))

    cells = (formula(0, 0, 42.5) + formula(0, 1, "text") + rec(0x0207, xlstr("合计")) +
             formula(0, 2, "#N/A") + formula(0, 3, "") + formula(0, 4, False) +
             formula(0, 5, 46387.0, XF_DATE) +
             formula(0, 6, "text") + rec(0x04BC, bytes(16)) + long_string_records("长文本" + "x" * 20, 3) +
             boolerr(1, 0, 1) + boolerr(1, 1, 0x17, True) + rk(1, 2, rk_int(5)) +
             boolerr(1, 3, 2) + formula(1, 4, 2) + formula(1, 5, "text") + rec(0x0207, xlstr("")))
    write("read-formula-results.xls", xls(workbook([("公式", cells)])))

    # Eight sheets that each declare all their cells, with three cells in the first and one in the others.
    cells = dimensions(65536, 256) + label(0, 0, "标题") + rk(2, 2, rk_int(3)) + rk(65535, 255, rk_int(9))
    others = [("大表%d" % i, dimensions(65536, 256) + label(0, 0, "其他")) for i in range(2, 9)]
    write("read-huge-dimension.xls", xls(workbook([("大表1", cells)] + others)))

    cells = b"".join(label_sst(0, c, c) for c in range(6))
    write("read-split-strings.xls", xls(workbook([("字符串", cells)], sst_records=split_strings_table())))

    # 1904 dates and number forms; the first sheet in tab order is stored second; a chart inside the sheet
    # has its own BOF and EOF, and a cell record within it is none of the sheet's.
    first = (number(0, 0, 44925.0, XF_DATE) + rk(0, 1, rk_int(44926), XF_CUSTOM_DATE) +
             rk(0, 2, rk_int(7), XF_QUOTED_D) + rk(0, 3, rk_int(1250) | 1) + rk(0, 4, rk_int(-3)) +
             mulrk(0, 5, [rk_int(1), rk_int(2), struct.unpack("<Q", struct.pack("<d", 3.5))[0] >> 32]) +
             bof(CHART) + number(1, 1, 99.0) + EOF +
             number(1, 0, 6901234567890.0))
    second = label(0, 0, "第二张表")
    write("read-numbers-dates.xls",
          xls(workbook([("数据", first), ("其他", second)], datemode=1, stream_order=[1, 0])))

    # BIFF5 in the "Book" stream, small enough for the mini stream, text in the GBK code page.
    gbk = "阿莫西林".encode("gbk")
    cells = (rec(0x0204, struct.pack("<HHHH", 0, 0, XF_GENERAL, len(gbk)) + gbk) + number(0, 1, 12.5) +
             rk(0, 2, rk_int(46387), XF_DATE) + formula(0, 3, "text") +
             rec(0x0207, u16(4) + "合计".encode("gbk")))
    write("read-biff5.xls", xls(workbook([("数据", cells)], version=0x0500, codepage=936), name="Book", pad=False))

    # The same without a CODEPAGE record, as Chinese Excel 95 may save it: the text is still GBK.
    gbk = "名称".encode("gbk")
    cells = rec(0x0204, struct.pack("<HHHH", 0, 0, XF_GENERAL, len(gbk)) + gbk) + number(0, 1, 12.5)
    write("read-biff5-no-code-page.xls",
          xls(workbook([("数据", cells)], version=0x0500, codepage=None), name="Book", pad=False))

    # The containers of bigger files: 4096-byte sectors, and an allocation table past what the header lists.
    cells = label(0, 0, "大扇区") + number(1, 0, 1.5)
    write("read-large-sectors.xls", xls(workbook([("数据", cells)]), shift=12))
    cells = label(0, 0, "扩展分配表") + number(1, 0, 2.5)
    write("read-extended-table.xls", xls(workbook([("数据", cells)]), fat_sectors=110))

    # --- refused ---
    strings, cells = product_sheet(lambda r, c: label_sst(r, c, 20), lambda r, c: rk(r, c, rk_int(8)))
    table = rec(0x00FC, struct.pack("<II", 2, 2) + xlstr("阿莫西林") + u16(0xFFFF) + b"\1" + "布洛".encode("utf-16-le"))
    write("refuse-malformed-strings.xls",
          xls(workbook([("商品", dimensions(1, 1) + label_sst(0, 0, 0))], sst_records=table)))

    write("refuse-string-index.xls",
          xls(workbook([("商品", label_sst(0, 0, 0) + label_sst(1, 0, 7))], ["药品条码", "阿莫西林"])))

    # A record that claims 65,535 bytes where a few remain.
    stream = workbook([("商品", label(0, 0, "标题") + u16(0x0204) + u16(0xFFFF) + struct.pack("<HHH", 1, 0, 15))])
    write("refuse-absurd-record-size.xls", xls(stream[:-4], pad=False))

    def loop(fat, starts):
        fat[starts["Workbook"] + 3] = starts["Workbook"] + 1

    write("refuse-looping-chain.xls", xls(workbook([("商品", cells)], strings), damage_fat=loop))

    rc4 = u16(1) + u16(1) + u16(1) + bytes(range(16)) + bytes(range(16, 32)) + bytes(range(32, 48))
    write("refuse-encrypted.xls", xls(workbook([("商品", cells)], strings, before=rec(0x002F, rc4))))

    # A password-protected .xlsx: the encrypted package inside a compound document.
    write("refuse-password-protected.xlsx",
          compound([("EncryptionInfo", u16(4) + u16(4) + u32(0x40) + bytes(200)),
                    ("EncryptedPackage", struct.pack("<Q", 5000) + bytes(range(256)) * 20)]))

    write("refuse-formula-string-missing.xls",
          xls(workbook([("公式", formula(0, 0, "text") + rk(0, 1, rk_int(1)))])))

    stream = workbook([("商品", cells)], strings)
    write("refuse-truncated-sheet.xls", xls(stream[:-4], pad=False))


main()
