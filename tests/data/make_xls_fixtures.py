#!/usr/bin/python3
# Makes the legacy .xls fixtures once (Debian's python3-xlwt); the files are committed beside this script.
import datetime
import xlwt

date_style = xlwt.easyxf(num_format_str="yyyy-mm-dd")
datetime_style = xlwt.easyxf(num_format_str="yyyy-mm-dd hh:mm:ss")


def save(name, rows, first_row=0, first_col=0, second_sheet=None):
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("数据")
    for r, row in enumerate(rows):
        for c, value in enumerate(row):
            if value is None:
                continue
            style = date_style if isinstance(value, datetime.date) else xlwt.Style.default_style
            if isinstance(value, datetime.datetime):
                style = datetime_style
            sheet.write(first_row + r, first_col + c, value, style)
    if second_sheet:
        other = book.add_sheet("其他")
        for r, row in enumerate(second_sheet):
            for c, value in enumerate(row):
                other.write(r, c, value)
    book.save(name)


save("one_row.xls", [["药品条码", "药品名称(*)"]])
save("three_rows.xls",
     [["条码", "名称", "价格", "日期", "处方", "时刻"],
      [6901234567890, "阿莫西林胶囊", 12.5, datetime.date(2026, 12, 31), True,
       datetime.datetime(2026, 1, 5, 8, 30, 0)],
      ["6901234567891", "  布洛芬缓释胶囊  ", 0, None, False, None]],
     second_sheet=[["第二张表"]])
save("offset.xls", [["标题"], ["第3行"], ["第4行"], [None, "第5行D列"]], first_row=1, first_col=2)
save("products.xls",
     [["药品条码", "药品名称(*)", "助记码", "规格", "批准文号", "生产厂商", "分类", "储存条件", "是否处方药",
       "单位", "采购价", "销售价"],
      [6920000000017, "复方甘草片", "FFGCP", "100片/瓶", "国药准字H11020000", "示例制药有限公司", "OTC甲类",
       "常温", "否", "瓶", 3.2, 6.5],
      ["", "维生素C片", "WSSCP", "0.1g*100片", "国药准字H22020000", "示例药业", "OTC乙类", "常温", 0, "瓶", 2,
       4.8]])
# xlwt cannot calculate: every formula is saved with an empty text as its result.
save("formulas.xls",
     [["药品条码", "药品名称(*)", "助记码", "规格", "批准文号", "生产厂商", "分类", "储存条件", "是否处方药",
       "单位", "采购价", "销售价"],
      [6920000000017, "复方甘草片", "FFGCP", "100片/瓶", "国药准字H11020000", "示例制药有限公司", "OTC甲类",
       "常温", "否", "瓶", 3.2, xlwt.Formula("K2*1.5")],
      ["", "维生素C片", "WSSCP", "0.1g*100片", "国药准字H22020000", "示例药业", "OTC乙类", "常温", "否", "瓶",
       xlwt.Formula("2+3"), 4.8],
      ["", "蒙脱石散", xlwt.Formula('"MT"&"SS"'), "3g*10袋", "国药准字H10980001", "示例药业", "OTC甲类", "常温",
       "否", "盒", 2, 5]])
