#include "bench/benchdatagenerator.h"

#include "core/passwordhash.h"

#include <QDateTime>
#include <QPair>
#include <QSqlError>
#include <QSqlQuery>
#include <QTime>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

namespace kestrovalin::bench {

namespace {

enum class Form { Tablet, Capsule, Granule, Liquid, Ointment, Drops, Pill, Spray, Powder, Plaster, Device };

struct Drug {
    const char* name;
    const char* mnemonic;
    Form form;
    bool prescription;
    char approval; // H chemical, Z traditional, D device
    const char* storage;
};

const Drug kDrugs[] = {
    {"阿莫西林胶囊", "AMXLJN", Form::Capsule, true, 'H', "常温"},
    {"头孢克肟分散片", "TBKWFSP", Form::Tablet, true, 'H', "常温"},
    {"头孢呋辛酯片", "TBFXZP", Form::Tablet, true, 'H', "常温"},
    {"头孢拉定胶囊", "TBLDJN", Form::Capsule, true, 'H', "常温"},
    {"头孢氨苄胶囊", "TBABJN", Form::Capsule, true, 'H', "常温"},
    {"罗红霉素胶囊", "LHMSJN", Form::Capsule, true, 'H', "常温"},
    {"阿奇霉素片", "AQMSP", Form::Tablet, true, 'H', "常温"},
    {"克拉霉素片", "KLMSP", Form::Tablet, true, 'H', "常温"},
    {"左氧氟沙星片", "ZYFSXP", Form::Tablet, true, 'H', "常温"},
    {"诺氟沙星胶囊", "NFSXJN", Form::Capsule, true, 'H', "常温"},
    {"甲硝唑片", "JXZP", Form::Tablet, true, 'H', "常温"},
    {"布洛芬缓释胶囊", "BLFHSJN", Form::Capsule, false, 'H', "常温"},
    {"对乙酰氨基酚片", "DYXAJFP", Form::Tablet, false, 'H', "常温"},
    {"洛索洛芬钠片", "LSLFNP", Form::Tablet, false, 'H', "常温"},
    {"双氯芬酸钠缓释片", "SLFSNHSP", Form::Tablet, true, 'H', "常温"},
    {"塞来昔布胶囊", "SLXBJN", Form::Capsule, true, 'H', "常温"},
    {"复方感冒灵颗粒", "FFGMLKL", Form::Granule, false, 'Z', "常温"},
    {"感冒清热颗粒", "GMQRKL", Form::Granule, false, 'Z', "常温"},
    {"板蓝根颗粒", "BLGKL", Form::Granule, false, 'Z', "常温"},
    {"连花清瘟胶囊", "LHQWJN", Form::Capsule, false, 'Z', "常温"},
    {"蒲地蓝消炎片", "PDLXYP", Form::Tablet, false, 'Z', "常温"},
    {"双黄连口服液", "SHLKFY", Form::Liquid, false, 'Z', "阴凉"},
    {"小柴胡颗粒", "XCHKL", Form::Granule, false, 'Z', "常温"},
    {"藿香正气水", "HXZQS", Form::Liquid, false, 'Z', "阴凉"},
    {"维C银翘片", "WCYQP", Form::Tablet, false, 'Z', "常温"},
    {"氯雷他定片", "LLTDP", Form::Tablet, false, 'H', "常温"},
    {"地氯雷他定片", "DLLTDP", Form::Tablet, false, 'H', "常温"},
    {"西替利嗪片", "XTLQP", Form::Tablet, false, 'H', "常温"},
    {"马来酸氯苯那敏片", "MLSLBNMP", Form::Tablet, false, 'H', "常温"},
    {"奥美拉唑肠溶胶囊", "AMLZCRJN", Form::Capsule, true, 'H', "常温"},
    {"雷贝拉唑钠肠溶片", "LBLZNCRP", Form::Tablet, true, 'H', "常温"},
    {"铝碳酸镁咀嚼片", "LTSMJJP", Form::Tablet, false, 'H', "常温"},
    {"多潘立酮片", "DPLTP", Form::Tablet, false, 'H', "常温"},
    {"蒙脱石散", "MTSS", Form::Powder, false, 'H', "常温"},
    {"健胃消食片", "JWXSP", Form::Tablet, false, 'Z', "常温"},
    {"乳酸菌素片", "RSJSP", Form::Tablet, false, 'H', "阴凉"},
    {"三九胃泰颗粒", "SJWTKL", Form::Granule, false, 'Z', "常温"},
    {"气滞胃痛颗粒", "QZWTKL", Form::Granule, false, 'Z', "常温"},
    {"香砂养胃丸", "XSYWW", Form::Pill, false, 'Z', "常温"},
    {"肠炎宁片", "CYNP", Form::Tablet, false, 'Z', "常温"},
    {"盐酸小檗碱片", "YSXBJP", Form::Tablet, false, 'H', "常温"},
    {"硝苯地平控释片", "XBDPKSP", Form::Tablet, true, 'H', "常温"},
    {"苯磺酸氨氯地平片", "BHSALDPP", Form::Tablet, true, 'H', "常温"},
    {"厄贝沙坦片", "EBSTP", Form::Tablet, true, 'H', "常温"},
    {"缬沙坦胶囊", "XSTJN", Form::Capsule, true, 'H', "常温"},
    {"美托洛尔缓释片", "MTLEHSP", Form::Tablet, true, 'H', "常温"},
    {"阿托伐他汀钙片", "ATFTTGP", Form::Tablet, true, 'H', "常温"},
    {"瑞舒伐他汀钙片", "RSFTTGP", Form::Tablet, true, 'H', "常温"},
    {"阿司匹林肠溶片", "ASPLCRP", Form::Tablet, false, 'H', "常温"},
    {"二甲双胍缓释片", "EJSGHSP", Form::Tablet, true, 'H', "常温"},
    {"格列美脲片", "GLMNP", Form::Tablet, true, 'H', "常温"},
    {"阿卡波糖片", "AKBTP", Form::Tablet, true, 'H', "常温"},
    {"复方丹参滴丸", "FFDSDW", Form::Pill, false, 'Z', "常温"},
    {"速效救心丸", "SXJXW", Form::Pill, false, 'Z', "阴凉"},
    {"银杏叶片", "YXYP", Form::Tablet, false, 'Z', "常温"},
    {"脑心通胶囊", "NXTJN", Form::Capsule, true, 'Z', "常温"},
    {"通心络胶囊", "TXLJN", Form::Capsule, true, 'Z', "常温"},
    {"血塞通软胶囊", "XSTRJN", Form::Capsule, false, 'Z', "阴凉"},
    {"六味地黄丸", "LWDHW", Form::Pill, false, 'Z', "常温"},
    {"逍遥丸", "XYW", Form::Pill, false, 'Z', "常温"},
    {"金匮肾气丸", "JKSQW", Form::Pill, false, 'Z', "常温"},
    {"牛黄解毒片", "NHJDP", Form::Tablet, false, 'Z', "常温"},
    {"黄连上清片", "HLSQP", Form::Tablet, false, 'Z', "常温"},
    {"牛黄上清丸", "NHSQW", Form::Pill, false, 'Z', "常温"},
    {"壮骨关节丸", "ZGGJW", Form::Pill, false, 'Z', "常温"},
    {"氨糖软骨素片", "ATRGSP", Form::Tablet, false, 'H', "常温"},
    {"蛇胆川贝枇杷膏", "SDCBPPG", Form::Liquid, false, 'Z', "阴凉"},
    {"急支糖浆", "JZTJ", Form::Liquid, false, 'Z', "阴凉"},
    {"复方甘草片", "FFGCP", Form::Tablet, false, 'H', "常温"},
    {"氨溴索口服溶液", "AXSKFRY", Form::Liquid, false, 'H', "常温"},
    {"右美沙芬糖浆", "YMSFTJ", Form::Liquid, false, 'H', "常温"},
    {"维生素C片", "WSSCP", Form::Tablet, false, 'H', "常温"},
    {"维生素B族片", "WSSBZP", Form::Tablet, false, 'H', "常温"},
    {"复合维生素片", "FHWSSP", Form::Tablet, false, 'H', "常温"},
    {"葡萄糖酸钙口服溶液", "PTTSGKFRY", Form::Liquid, false, 'H', "常温"},
    {"碳酸钙D3片", "TSGD3P", Form::Tablet, false, 'H', "常温"},
    {"叶酸片", "YSP", Form::Tablet, false, 'H', "常温"},
    {"硫酸亚铁片", "LSYTP", Form::Tablet, false, 'H', "常温"},
    {"孟鲁司特钠片", "MLSTNP", Form::Tablet, true, 'H', "常温"},
    {"布地奈德鼻喷雾剂", "BDNDBPWJ", Form::Spray, true, 'H', "常温"},
    {"沙丁胺醇气雾剂", "SDACQWJ", Form::Spray, true, 'H', "常温"},
    {"奥司他韦胶囊", "ASTWJN", Form::Capsule, true, 'H', "常温"},
    {"利巴韦林颗粒", "LBWLKL", Form::Granule, true, 'H', "常温"},
    {"阿昔洛韦片", "AXLWP", Form::Tablet, true, 'H', "常温"},
    {"阿昔洛韦乳膏", "AXLWRG", Form::Ointment, false, 'H', "常温"},
    {"红霉素软膏", "HMSRG", Form::Ointment, false, 'H', "常温"},
    {"莫匹罗星软膏", "MPLXRG", Form::Ointment, true, 'H', "常温"},
    {"克霉唑乳膏", "KMZRG", Form::Ointment, false, 'H', "常温"},
    {"盐酸特比萘芬乳膏", "YSTBNFRG", Form::Ointment, false, 'H', "常温"},
    {"曲安奈德益康唑乳膏", "QANDYKZRG", Form::Ointment, false, 'H', "阴凉"},
    {"氯霉素滴眼液", "LMSDYY", Form::Drops, false, 'H', "阴凉"},
    {"玻璃酸钠滴眼液", "BLSNDYY", Form::Drops, true, 'H', "常温"},
    {"开塞露", "KSL", Form::Liquid, false, 'H', "常温"},
    {"乳果糖口服溶液", "RGTKFRY", Form::Liquid, false, 'H', "常温"},
    {"伤湿止痛膏", "SSZTG", Form::Plaster, false, 'Z', "常温"},
    {"麝香壮骨膏", "SXZGG", Form::Plaster, false, 'Z', "常温"},
    {"云南白药气雾剂", "YNBYQWJ", Form::Spray, false, 'Z', "常温"},
    {"红花油", "HHY", Form::Liquid, false, 'Z', "常温"},
    {"风油精", "FYJ", Form::Liquid, false, 'Z', "常温"},
    {"人胰岛素注射液", "RYDSZSY", Form::Liquid, true, 'H', "冷藏"},
    {"重组人干扰素喷雾剂", "CZRGRSPWJ", Form::Spray, true, 'H', "冷藏"},
    {"医用外科口罩", "YYWKKZ", Form::Device, false, 'D', "常温"},
    {"电子体温计", "DZTWJ", Form::Device, false, 'D', "常温"},
    {"血糖试纸", "XTSZ", Form::Device, false, 'D', "阴凉"},
    {"医用棉签", "YYMQ", Form::Device, false, 'D', "常温"},
    {"医用纱布块", "YYSBK", Form::Device, false, 'D', "常温"},
    {"碘伏消毒液", "DFXDY", Form::Device, false, 'D', "阴凉"},
    {"创可贴", "CKT", Form::Device, false, 'D', "常温"},
};

QStringList specsFor(Form form) {
    switch (form) {
    case Form::Tablet:
        return {"0.1g*24片", "0.25g*12片", "5mg*28片", "10mg*30片", "0.5g*20片", "50mg*14片", "0.3g*36片"};
    case Form::Capsule:
        return {"0.25g*24粒", "0.3g*20粒", "0.5g*12粒", "20mg*14粒", "0.15g*30粒"};
    case Form::Granule:
        return {"10g*10袋", "5g*12袋", "3g*9袋", "15g*20袋"};
    case Form::Liquid:
        return {"10ml*10支", "100ml", "150ml", "10ml*6支", "120ml", "20ml"};
    case Form::Ointment:
        return {"10g", "15g", "20g", "5g"};
    case Form::Drops:
        return {"5ml", "8ml", "10ml", "0.4ml*10支"};
    case Form::Pill:
        return {"6g*10袋", "200丸", "9g*10丸", "0.27g*360丸"};
    case Form::Spray:
        return {"10ml", "15ml", "200揿", "60揿"};
    case Form::Powder:
        return {"3g*10袋", "10g*10袋"};
    case Form::Plaster:
        return {"7cm*10cm*4贴", "8贴", "10贴"};
    case Form::Device:
        return {"1个", "50片", "100支", "10片/包", "500ml", "10只/袋"};
    }
    return {"1盒"};
}

QString unitFor(Form form, int variant) {
    switch (form) {
    case Form::Liquid:
    case Form::Drops:
    case Form::Spray:
        return QStringLiteral("瓶");
    case Form::Granule:
    case Form::Powder:
        return variant % 3 == 0 ? QStringLiteral("袋") : QStringLiteral("盒");
    case Form::Device:
        return variant % 2 == 0 ? QStringLiteral("袋") : QStringLiteral("盒");
    default:
        return QStringLiteral("盒");
    }
}

const char* const kMakerPlaces[] = {"华北", "江南", "东海", "西岭", "南岳", "北辰", "长青",
                                    "金陵", "岭南", "蜀中", "湘江", "汉江", "齐鲁", "燕山",
                                    "太行", "滇南", "闽江", "天山", "黄河", "珠江"};
const char* const kMakerWords[] = {"康宁", "仁和堂", "百草", "华康", "济民", "同济堂", "益生", "普康",
                                   "瑞康", "博爱",   "恒生", "安泰", "福寿", "惠民",   "德生"};
const char* const kMakerTypes[] = {"制药有限公司", "药业股份有限公司", "药业集团有限公司"};

struct Province {
    const char* abbreviation;
    const char* name;
    const char* cities[3];
};

const Province kProvinces[] = {
    {"粤", "广东省", {"广州市", "深圳市", "佛山市"}},
    {"浙", "浙江省", {"杭州市", "宁波市", "温州市"}},
    {"苏", "江苏省", {"南京市", "苏州市", "无锡市"}},
    {"鲁", "山东省", {"济南市", "青岛市", "烟台市"}},
    {"川", "四川省", {"成都市", "绵阳市", "德阳市"}},
    {"鄂", "湖北省", {"武汉市", "宜昌市", "襄阳市"}},
    {"湘", "湖南省", {"长沙市", "株洲市", "湘潭市"}},
    {"豫", "河南省", {"郑州市", "洛阳市", "开封市"}},
    {"冀", "河北省", {"石家庄市", "保定市", "唐山市"}},
    {"闽", "福建省", {"福州市", "厦门市", "泉州市"}},
    {"皖", "安徽省", {"合肥市", "芜湖市", "蚌埠市"}},
    {"赣", "江西省", {"南昌市", "九江市", "赣州市"}},
    {"陕", "陕西省", {"西安市", "宝鸡市", "咸阳市"}},
    {"辽", "辽宁省", {"沈阳市", "大连市", "鞍山市"}},
    {"云", "云南省", {"昆明市", "大理市", "曲靖市"}},
    {"桂", "广西壮族自治区", {"南宁市", "柳州市", "桂林市"}},
};

const char* const kSupplierWords[] = {"康泰", "仁德", "百济", "恒安", "瑞丰", "福康", "益民", "同心",
                                      "嘉禾", "永安", "博康", "广济", "天和", "泰宁", "和美", "安康",
                                      "济世", "德仁", "惠康", "众生", "圣和", "宏远", "盛世", "鼎盛",
                                      "金象", "万和", "春晖", "明德", "康源", "华信"};
const char* const kSupplierTypes[] = {"医药有限公司", "医药贸易有限公司", "药业有限公司", "医药物流有限公司"};
const char* const kRoads[] = {"人民路", "解放路",   "中山路",   "建设路",   "和平路", "新华路",
                              "长江路", "滨江大道", "科技园路", "工业大道", "健康路", "春风路"};
const char* const kScopes[] = {"中成药",   "化学药制剂", "抗生素",   "生化药品",
                               "生物制品", "中药饮片",   "医疗器械", "其他"};

const char kSurnames[] =
    "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶"
    "程苏魏吕丁任沈姚卢姜崔钟谭陆汪范金石廖贾夏韦付方白邹孟熊秦邱江尹薛段雷侯龙史陶黎贺顾毛郝龚邵万钱严武戴莫"
    "孔汤";
const char kGiven[] =
    "伟芳娜秀英敏静丽强磊军洋勇艳杰娟涛明超兰霞平刚桂华玉萍红鹏辉晨阳欣怡涵浩然宇轩梓睿琳婷雪慧建国志文";

const char* const kRejectReasons[] = {"expired",      "damaged", "abnormal", "moisture",
                                      "contaminated", "failed",  "recall",   "other"};
const char* const kProcessTypes[] = {"destroy", "return", "recheck", "writeoff"};

QString text(const char* s) {
    return QString::fromUtf8(s);
}

QString dayText(const QDate& d) {
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}

QString stamp(const QDate& d, int secondsOfDay) {
    return dayText(d) + QLatin1Char(' ') +
           QTime(0, 0).addSecs(secondsOfDay).toString(QStringLiteral("HH:mm:ss"));
}

// EAN-13 check digit of twelve digits.
QString withCheckDigit(const QString& twelve) {
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += twelve.at(i).digitValue() * (i % 2 == 0 ? 1 : 3);
    return twelve + QString::number((10 - sum % 10) % 10);
}

// Splits `total` into `parts` counts of at least one, spread at random, summing exactly to `total`.
template <typename Rng> QVector<int> spread(int total, int parts, Rng& rng) {
    QVector<int> counts(parts, 1);
    std::uniform_int_distribution<int> which(0, parts - 1);
    for (int i = parts; i < total; ++i)
        ++counts[which(rng)];
    return counts;
}

// Splits `total` over the days in proportion to the weights (largest remainders), summing exactly.
QVector<int> allocate(int total, const QVector<double>& weights) {
    double sum = 0;
    for (double w : weights)
        sum += w;
    QVector<int> counts(weights.size());
    QVector<QPair<double, int>> remainders;
    int assigned = 0;
    for (int i = 0; i < weights.size(); ++i) {
        const double exact = total * weights.at(i) / sum;
        counts[i] = int(exact);
        assigned += counts[i];
        remainders.append({exact - counts[i], i});
    }
    std::sort(remainders.begin(), remainders.end(), [](auto a, auto b) { return a.first > b.first; });
    for (int i = 0; assigned < total; ++i, ++assigned)
        ++counts[remainders.at(i % remainders.size()).second];
    return counts;
}

} // namespace

BenchDataGenerator::Sizes BenchDataGenerator::Sizes::scaled(double factor) const {
    auto s = [factor](int n) {
        return std::max(1, int(std::lround(n * factor)));
    };
    Sizes out;
    out.products = s(products);
    out.suppliers = s(suppliers);
    out.customers = s(customers);
    out.purchaseLines = s(purchaseLines);
    out.batches = std::max(out.purchaseLines, s(batches));
    out.sales = s(sales);
    out.salesLines = std::max(out.sales, s(salesLines));
    out.temperatureReadings = temperatureReadings; // the readings depend on the calendar, not on trade
    out.logRows = s(logRows);
    out.rejectedDrugs = s(rejectedDrugs);
    out.prescriptions = s(prescriptions);
    return out;
}

BenchDataGenerator::BenchDataGenerator(QSqlDatabase db, const QDate& lastDay, quint64 seed)
    : m_db(db), m_firstDay(lastDay.addYears(-5).addDays(1)), m_rng(seed) {
    m_days = int(m_firstDay.daysTo(lastDay)) + 1;
}

int BenchDataGenerator::randInt(int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(m_rng);
}

double BenchDataGenerator::randReal(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(m_rng);
}

bool BenchDataGenerator::chance(double p) {
    return randReal(0.0, 1.0) < p;
}

QString BenchDataGenerator::personName() {
    const QString surnames = text(kSurnames);
    const QString given = text(kGiven);
    QString name = surnames.at(randInt(0, surnames.size() - 1));
    name += given.at(randInt(0, given.size() - 1));
    if (chance(0.7))
        name += given.at(randInt(0, given.size() - 1));
    return name;
}

QString BenchDataGenerator::phoneNumber() {
    static const int prefixes[] = {135, 136, 137, 138, 139, 150, 151, 158, 159, 186, 187, 188, 189, 177};
    return QString::number(prefixes[randInt(0, 13)]) +
           QStringLiteral("%1").arg(randInt(0, 99999999), 8, 10, QLatin1Char('0'));
}

int BenchDataGenerator::popularProduct() {
    const double r = randReal(0.0, m_popularityCumulative.last());
    const auto it = std::upper_bound(m_popularityCumulative.begin(), m_popularityCumulative.end(), r);
    return std::min(int(it - m_popularityCumulative.begin()), m_popularityCumulative.size() - 1);
}

int BenchDataGenerator::batchOnDay(int product, int day) const {
    const QVector<int>& list = m_batchesByProduct.at(product);
    // Batches are appended in inbound order: the last one received on or before the day.
    auto it = std::upper_bound(list.begin(), list.end(), day,
                               [this](int d, int batch) { return d < m_batches.at(batch).day; });
    if (it == list.begin())
        return -1;
    return *(it - 1);
}

bool BenchDataGenerator::begin() {
    if (m_db.transaction())
        return true;
    std::fprintf(stderr, "BEGIN failed: %s\n", qPrintable(m_db.lastError().text()));
    return false;
}

bool BenchDataGenerator::commit() {
    if (m_db.commit())
        return true;
    std::fprintf(stderr, "COMMIT failed: %s\n", qPrintable(m_db.lastError().text()));
    m_db.rollback();
    return false;
}

bool BenchDataGenerator::exec(QSqlQuery& q, const char* what) {
    if (q.exec())
        return true;
    std::fprintf(stderr, "Insert into %s failed: %s\n", what, qPrintable(q.lastError().text()));
    m_db.rollback();
    return false;
}

bool BenchDataGenerator::run(const Sizes& sizes) {
    QSqlQuery pragma(m_db);
    pragma.exec(QStringLiteral("PRAGMA synchronous=OFF"));
    const bool ok = users() && suppliers(sizes.suppliers) && customers(sizes.customers) &&
                    products(sizes.products) && purchases(sizes.purchaseLines, sizes.batches) &&
                    sales(sizes.sales, sizes.salesLines) && temperatures(sizes.temperatureReadings) &&
                    maintenanceChecks() && operationLog(sizes.logRows) &&
                    rejectedDrugs(sizes.rejectedDrugs) && prescriptions(sizes.prescriptions);
    pragma.exec(QStringLiteral("PRAGMA synchronous=FULL"));
    pragma.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    return ok;
}

bool BenchDataGenerator::users() {
    struct Staff {
        const char* username;
        const char* realName;
        const char* role;
    };
    static const Staff staff[] = {{"lijianguo", "李建国", "manager"},
                                  {"wangfang", "王芳", "clerk"},
                                  {"zhangli", "张丽", "clerk"},
                                  {"chenhao", "陈浩", "clerk"}};
    if (!begin())
        return false;
    m_userIds = {1};
    m_userNames = {QStringLiteral("系统管理员")};
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("INSERT INTO sys_user (username, password_hash, real_name, role, status, "
                             "created_at, updated_at) VALUES (?, ?, ?, ?, 1, ?, ?)"));
    const QString created = stamp(m_firstDay, 9 * 3600);
    for (const Staff& s : staff) {
        q.addBindValue(text(s.username));
        q.addBindValue(hashPassword(QStringLiteral("123456")));
        q.addBindValue(text(s.realName));
        q.addBindValue(text(s.role));
        q.addBindValue(created);
        q.addBindValue(created);
        if (!exec(q, "sys_user"))
            return false;
        m_userIds.append(q.lastInsertId().toInt());
        m_userNames.append(text(s.realName));
    }
    return commit();
}

bool BenchDataGenerator::suppliers(int count) {
    const QDate today = dayDate(m_days - 1);
    // Every supplier's name starts with the city it sits in.
    struct Place {
        int province;
        int city;
        QString name;
    };
    QVector<Place> names;
    for (int p = 0; p < int(std::size(kProvinces)); ++p)
        for (int c = 0; c < 3; ++c)
            for (const char* word : kSupplierWords)
                for (const char* type : kSupplierTypes)
                    names.append({p, c, text(kProvinces[p].cities[c]).chopped(1) + text(word) + text(type)});
    std::shuffle(names.begin(), names.end(), m_rng);

    if (!begin())
        return false;
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral(
        "INSERT INTO supplier (id, name, license_no, business_license_no, business_scope, address, "
        "contact_name, contact_phone, license_expire_date, business_license_expire_date, gsp_cert_no, "
        "gsp_cert_expire_date, tax_reg_no, tax_reg_expire_date, qualification_status, status, created_at, "
        "updated_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (int id = 1; id <= count; ++id) {
        const Place& place = names.at((id - 1) % names.size());
        const Province& prov = kProvinces[place.province];
        const QString name = place.name;
        QStringList scope;
        for (const char* s : kScopes)
            if (chance(0.45))
                scope.append(text(s));
        if (scope.isEmpty())
            scope.append(text(kScopes[1]));
        // Most documents run for years; a few expire within the month and a few have lapsed.
        auto expiry = [&]() {
            const int offset = chance(0.02) ? randInt(-400, -1) : randInt(-10, 1800);
            return today.addDays(offset);
        };
        const QDate dates[] = {expiry(), expiry(), expiry(), expiry()};
        const QDate earliest = *std::min_element(std::begin(dates), std::end(dates));
        const QString qualification = earliest < today                ? QStringLiteral("expired")
                                      : earliest <= today.addDays(30) ? QStringLiteral("expiring")
                                                                      : QStringLiteral("valid");
        const int createdDay = randInt(0, m_days / 2);
        const QString created = stamp(dayDate(createdDay), randInt(9 * 3600, 17 * 3600));
        q.addBindValue(id);
        q.addBindValue(name);
        q.addBindValue(text(prov.abbreviation) +
                       QStringLiteral("AA%1").arg(randInt(0, 9999999), 7, 10, QLatin1Char('0')));
        q.addBindValue(QStringLiteral("91%1MA%2%3")
                           .arg(randInt(110000, 659999))
                           .arg(randInt(10000000, 99999999))
                           .arg(QChar('A' + randInt(0, 25))));
        q.addBindValue(scope.join(QLatin1Char(',')));
        q.addBindValue(text(prov.name) + text(prov.cities[place.city]) + text(kRoads[randInt(0, 11)]) +
                       QString::number(randInt(1, 999)) + QStringLiteral("号"));
        q.addBindValue(personName());
        q.addBindValue(phoneNumber());
        q.addBindValue(dayText(dates[0]));
        q.addBindValue(dayText(dates[1]));
        q.addBindValue(text(prov.abbreviation) + QStringLiteral("-GSP-%1").arg(randInt(100000, 999999)));
        q.addBindValue(dayText(dates[2]));
        q.addBindValue(
            QStringLiteral("91%1%2").arg(randInt(110000, 659999)).arg(randInt(100000000, 999999999)));
        q.addBindValue(dayText(dates[3]));
        q.addBindValue(qualification);
        const bool active = !chance(0.05);
        q.addBindValue(active ? QStringLiteral("active") : QStringLiteral("suspended"));
        q.addBindValue(created);
        q.addBindValue(created);
        if (!exec(q, "supplier"))
            return false;
        m_supplierNames.append(name);
        if (active)
            m_activeSuppliers.append(id);
    }
    return commit();
}

bool BenchDataGenerator::customers(int count) {
    if (!begin())
        return false;
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("INSERT INTO customer (name, phone, address, id_card, remark, is_default, "
                             "created_at, updated_at) VALUES (?, ?, ?, ?, ?, 0, ?, ?)"));
    for (int i = 0; i < count; ++i) {
        const Province& prov = kProvinces[0];
        const QString created = stamp(dayDate(randInt(0, m_days - 1)), randInt(9 * 3600, 20 * 3600));
        q.addBindValue(personName());
        q.addBindValue(phoneNumber());
        q.addBindValue(text(prov.cities[randInt(0, 2)]) + text(kRoads[randInt(0, 11)]) +
                       QString::number(randInt(1, 300)) + QStringLiteral("号"));
        q.addBindValue(
            chance(0.3) ? QStringLiteral("4401%1%2").arg(randInt(19500101, 20051231)).arg(randInt(1000, 9999))
                        : QString(""));
        q.addBindValue(chance(0.2) ? QStringLiteral("慢病会员") : QString(""));
        q.addBindValue(created);
        q.addBindValue(created);
        if (!exec(q, "customer"))
            return false;
    }
    m_customerCount = count;
    return commit();
}

bool BenchDataGenerator::products(int count) {
    const int drugCount = int(std::size(kDrugs));
    if (!begin())
        return false;
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral(
        "INSERT INTO product (id, barcode, name, specification, approval_no, manufacturer, category, "
        "storage_condition, is_prescription, unit, purchase_price, sale_price, status, created_at, "
        "updated_at, "
        "mnemonic_code) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    m_products.reserve(count);
    m_popularityCumulative.reserve(count);
    double cumulative = 0;
    for (int id = 1; id <= count; ++id) {
        const Drug& drug = kDrugs[randInt(0, drugCount - 1)];
        const QStringList specs = specsFor(drug.form);
        const int variant = randInt(0, 99);
        const QString maker = text(kMakerPlaces[randInt(0, 19)]) + text(kMakerWords[randInt(0, 14)]) +
                              text(kMakerTypes[randInt(0, 2)]);
        const double purchase = std::round(std::exp(randReal(std::log(1.5), std::log(180.0))) * 100) / 100;
        const double sale = std::round(purchase * randReal(1.2, 1.6) * 10) / 10;
        QString category;
        if (drug.prescription)
            category = QStringLiteral("处方药");
        else if (drug.form == Form::Device)
            category = QStringLiteral("其他");
        else
            category = chance(0.4) ? QStringLiteral("OTC甲类") : QStringLiteral("OTC乙类");
        QString approval;
        if (drug.approval == 'D')
            approval = QStringLiteral("国械注准%1%2").arg(randInt(2014, 2023)).arg(randInt(2000000, 2999999));
        else
            approval = QStringLiteral("国药准字%1%2%3")
                           .arg(QChar(drug.approval))
                           .arg(randInt(1990, 2022))
                           .arg(randInt(0, 9999), 4, 10, QLatin1Char('0'));
        const QString created =
            stamp(dayDate(id <= count * 6 / 10 ? 0 : randInt(0, m_days - 1)), randInt(9 * 3600, 18 * 3600));
        q.addBindValue(id);
        q.addBindValue(withCheckDigit(QStringLiteral("69%1").arg(1000000000LL + id * 7919LL % 8999999999LL)));
        q.addBindValue(text(drug.name));
        q.addBindValue(specs.at(variant % specs.size()));
        q.addBindValue(approval);
        q.addBindValue(maker);
        q.addBindValue(category);
        q.addBindValue(text(drug.storage));
        q.addBindValue(drug.prescription ? 1 : 0);
        q.addBindValue(unitFor(drug.form, variant));
        q.addBindValue(purchase);
        q.addBindValue(sale);
        q.addBindValue(chance(0.02) ? 0 : 1);
        q.addBindValue(created);
        q.addBindValue(created);
        q.addBindValue(text(drug.mnemonic));
        if (!exec(q, "product"))
            return false;
        m_products.append({purchase, sale, drug.prescription});
        m_productNames.append(text(drug.name));
        // A long tail: a few hundred drugs make most of the trade.
        cumulative += 1.0 / std::pow(double(randInt(1, count)), 0.9);
        m_popularityCumulative.append(cumulative);
    }
    m_batchesByProduct.resize(count);
    return commit();
}

bool BenchDataGenerator::purchases(int lines, int batchesTotal) {
    const QDate lastDay = dayDate(m_days - 1);
    const int orders = std::max(1, lines / 5);
    QVector<int> orderDays(orders);
    for (int& d : orderDays)
        d = randInt(0, m_days - 1);
    std::sort(orderDays.begin(), orderDays.end());
    const QVector<int> linesPerOrder = spread(lines, orders, m_rng);

    // Batches without a purchase line: the opening stock on the first day, then transfers and imports.
    const int otherBatches = batchesTotal - lines;
    QVector<int> otherDays(otherBatches);
    for (int i = 0; i < otherBatches; ++i)
        otherDays[i] = i < otherBatches * 2 / 5 ? 0 : randInt(1, m_days - 1);
    std::sort(otherDays.begin(), otherDays.end());

    QSqlQuery order(m_db), line(m_db), batch(m_db);
    order.prepare(QStringLiteral("INSERT INTO purchase_order (id, order_no, supplier_id, total_amount, "
                                 "inbound_date, operator_id, status, remark, created_at) "
                                 "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    line.prepare(QStringLiteral(
        "INSERT INTO purchase_order_item (order_id, product_id, batch_no, production_date, expiry_date, "
        "quantity, unit_price, amount, acceptance_result, acceptance_date, acceptance_by, remark) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, '合格', ?, ?, ?)"));
    batch.prepare(QStringLiteral(
        "INSERT INTO inventory_batch (id, product_id, supplier_id, batch_no, production_date, expiry_date, "
        "quantity, rejected_quantity, unit_cost, status, created_at, updated_at) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, 0, ?, 'normal', ?, ?)"));

    struct NewBatch {
        int product;
        int supplier;
        int day;
        int quantity;
        QString created;
    };
    auto addBatch = [&](const NewBatch& b, QString* batchNo, QString* production, QString* expiry) {
        const QDate inbound = dayDate(b.day);
        const QDate produced = inbound.addDays(-randInt(15, 240));
        static const int shelfMonths[] = {12, 18, 24, 24, 36, 36, 36, 48};
        const QDate expires = produced.addMonths(shelfMonths[randInt(0, 7)]).addDays(-1);
        *batchNo = produced.toString(QStringLiteral("yyMMdd")) + QString::number(randInt(10, 99));
        *production = dayText(produced);
        *expiry = dayText(expires);
        // What is left today: recent deliveries are on the shelf, most older ones are sold out.
        const int age = int(inbound.daysTo(lastDay));
        int left = 0;
        if (age <= 120)
            left = randInt(b.quantity / 4, b.quantity);
        else if (chance(0.08))
            left = randInt(1, std::min(30, b.quantity));
        const int id = m_batches.size() + 1;
        batch.addBindValue(id);
        batch.addBindValue(b.product + 1);
        batch.addBindValue(b.supplier);
        batch.addBindValue(*batchNo);
        batch.addBindValue(*production);
        batch.addBindValue(*expiry);
        batch.addBindValue(left);
        batch.addBindValue(m_products.at(b.product).purchasePrice);
        batch.addBindValue(b.created);
        batch.addBindValue(b.created);
        if (!exec(batch, "inventory_batch"))
            return false;
        m_batches.append({id, b.product, b.day, *batchNo, *production, *expiry});
        m_batchesByProduct[b.product].append(id - 1);
        return true;
    };
    auto stockedProduct = [&]() {
        return chance(0.7) ? popularProduct() : randInt(0, m_products.size() - 1);
    };

    if (!begin())
        return false;
    int nextOther = 0;
    int sinceCommit = 0;
    QString batchNo, production, expiry;
    for (int o = 0; o < orders; ++o) {
        const int day = orderDays.at(o);
        for (; nextOther < otherBatches && otherDays.at(nextOther) <= day; ++nextOther) {
            const NewBatch b{stockedProduct(), pick(m_activeSuppliers), otherDays.at(nextOther),
                             randInt(10, 200),
                             stamp(dayDate(otherDays.at(nextOther)), randInt(8 * 3600, 18 * 3600))};
            if (!addBatch(b, &batchNo, &production, &expiry))
                return false;
        }
        const int id = o + 1;
        const int supplier = pick(m_activeSuppliers);
        const int operatorIndex = randInt(0, m_userIds.size() - 1);
        const QString created = stamp(dayDate(day), randInt(8 * 3600, 18 * 3600));
        struct Line {
            int product;
            int quantity;
            double price;
        };
        QVector<Line> items;
        double total = 0;
        for (int l = 0; l < linesPerOrder.at(o); ++l) {
            const int product = stockedProduct();
            const int quantity = randInt(2, 50) * 10;
            const double price = m_products.at(product).purchasePrice;
            items.append({product, quantity, price});
            total += quantity * price;
        }
        order.addBindValue(id);
        order.addBindValue(QStringLiteral("PUR%1%2")
                               .arg(dayDate(day).toString(QStringLiteral("yyyyMMdd")))
                               .arg(id, 4, 10, QLatin1Char('0')));
        order.addBindValue(supplier);
        order.addBindValue(std::round(total * 100) / 100);
        order.addBindValue(dayText(dayDate(day)));
        order.addBindValue(m_userIds.at(operatorIndex));
        order.addBindValue(chance(0.01) ? QStringLiteral("voided") : QStringLiteral("completed"));
        order.addBindValue(QString(""));
        order.addBindValue(created);
        if (!exec(order, "purchase_order"))
            return false;
        for (const Line& item : items) {
            if (!addBatch({item.product, supplier, day, item.quantity, created}, &batchNo, &production,
                          &expiry))
                return false;
            line.addBindValue(id);
            line.addBindValue(item.product + 1);
            line.addBindValue(batchNo);
            line.addBindValue(production);
            line.addBindValue(expiry);
            line.addBindValue(item.quantity);
            line.addBindValue(item.price);
            line.addBindValue(std::round(item.quantity * item.price * 100) / 100);
            line.addBindValue(created);
            line.addBindValue(m_userIds.at(operatorIndex));
            line.addBindValue(QString(""));
            if (!exec(line, "purchase_order_item"))
                return false;
        }
        sinceCommit += items.size();
        if (sinceCommit >= 50000) {
            if (!commit() || !begin())
                return false;
            sinceCommit = 0;
        }
    }
    for (; nextOther < otherBatches; ++nextOther) {
        const NewBatch b{stockedProduct(), pick(m_activeSuppliers), otherDays.at(nextOther), randInt(10, 200),
                         stamp(dayDate(otherDays.at(nextOther)), randInt(8 * 3600, 18 * 3600))};
        if (!addBatch(b, &batchNo, &production, &expiry))
            return false;
    }
    return commit();
}

bool BenchDataGenerator::sales(int orders, int lines) {
    // More trade each year, busier weekends, and day-to-day noise.
    QVector<double> weights(m_days);
    for (int d = 0; d < m_days; ++d) {
        const double trend = 0.75 + 0.4 * d / std::max(1, m_days - 1);
        const double weekend = dayDate(d).dayOfWeek() >= 6 ? 1.15 : 1.0;
        weights[d] = trend * weekend * randReal(0.85, 1.15);
    }
    const QVector<int> perDay = allocate(orders, weights);
    const QVector<int> linesPerOrder = spread(lines, orders, m_rng);

    QSqlQuery order(m_db), line(m_db);
    order.prepare(
        QStringLiteral("INSERT INTO sales_order (id, order_no, customer_id, total_amount, sale_date, "
                       "operator_id, status, created_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    line.prepare(QStringLiteral(
        "INSERT INTO sales_order_item (order_id, product_id, batch_id, batch_no, production_date, "
        "expiry_date, "
        "quantity, unit_price, amount, is_prescription) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    if (!begin())
        return false;
    int id = 0;
    int sinceCommit = 0;
    for (int d = 0; d < m_days; ++d) {
        const QDate day = dayDate(d);
        const QString dayString = dayText(day);
        const QString numberPrefix = QStringLiteral("SAL") + day.toString(QStringLiteral("yyyyMMdd"));
        QVector<int> times(perDay.at(d));
        for (int& t : times)
            t = randInt(8 * 3600, 22 * 3600 - 1);
        std::sort(times.begin(), times.end());
        for (int seq = 1; seq <= perDay.at(d); ++seq) {
            ++id;
            struct Line {
                int product;
                int batch;
                int quantity;
            };
            QVector<Line> items;
            double total = 0;
            for (int l = 0; l < linesPerOrder.at(id - 1); ++l) {
                int product = -1;
                int batchIndex = -1;
                for (int attempt = 0; attempt < 8 && batchIndex < 0; ++attempt) {
                    product = popularProduct();
                    batchIndex = batchOnDay(product, d);
                }
                if (batchIndex < 0) {
                    batchIndex = randInt(0, m_batches.size() - 1);
                    while (batchIndex > 0 && m_batches.at(batchIndex).day > d)
                        batchIndex /= 2;
                    product = m_batches.at(batchIndex).product;
                }
                const int quantity = chance(0.6) ? 1 : chance(0.6) ? 2 : randInt(3, 5);
                items.append({product, batchIndex, quantity});
                total += quantity * m_products.at(product).salePrice;
            }
            const int customer = chance(0.85) || m_customerCount == 0 ? 1 : randInt(2, m_customerCount + 1);
            order.addBindValue(id);
            order.addBindValue(numberPrefix + QStringLiteral("%1").arg(seq, 4, 10, QLatin1Char('0')));
            order.addBindValue(customer);
            order.addBindValue(std::round(total * 100) / 100);
            order.addBindValue(dayString);
            order.addBindValue(m_userIds.at(randInt(0, m_userIds.size() - 1)));
            order.addBindValue(chance(0.004) ? QStringLiteral("voided") : QStringLiteral("completed"));
            order.addBindValue(stamp(day, times.at(seq - 1)));
            if (!exec(order, "sales_order"))
                return false;
            for (const Line& item : items) {
                const BatchInfo& b = m_batches.at(item.batch);
                const ProductInfo& p = m_products.at(item.product);
                line.addBindValue(id);
                line.addBindValue(item.product + 1);
                line.addBindValue(b.id);
                line.addBindValue(b.batchNo);
                line.addBindValue(b.productionDate);
                line.addBindValue(b.expiryDate);
                line.addBindValue(item.quantity);
                line.addBindValue(p.salePrice);
                line.addBindValue(std::round(item.quantity * p.salePrice * 100) / 100);
                line.addBindValue(p.prescription ? 1 : 0);
                if (!exec(line, "sales_order_item"))
                    return false;
            }
            sinceCommit += 1 + items.size();
            if (sinceCommit >= 200000) {
                if (!commit() || !begin())
                    return false;
                sinceCommit = 0;
            }
        }
    }
    return commit();
}

bool BenchDataGenerator::temperatures(int readings) {
    // Two readings a day, morning and afternoon, ending today.
    const int days = (readings + 1) / 2;
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("INSERT INTO temperature_record (record_date, record_time, temperature, "
                             "humidity, temperature_status, "
                             "humidity_status, notes, operator_id, operator_name, created_at) VALUES (?, ?, "
                             "?, ?, ?, ?, ?, ?, ?, ?)"));
    if (!begin())
        return false;
    int written = 0;
    for (int i = days - 1; i >= 0 && written < readings; --i) {
        const QDate day = dayDate(m_days - 1 - i);
        for (int slot = 0; slot < 2 && written < readings; ++slot, ++written) {
            // Summer afternoons run warm; the air conditioning keeps most readings in range.
            const double season = std::sin((day.dayOfYear() - 100) / 365.0 * 2 * M_PI);
            const double temperature =
                std::round((22 + 4 * season + (slot ? 1.5 : 0) + randReal(-2, 2)) * 10) / 10;
            const int humidity = int(std::lround(55 + 10 * season + randReal(-8, 8)));
            auto grade = [](double v, double low, double high) {
                const double margin = (high - low) * 0.05;
                if (v < low || v > high)
                    return QStringLiteral("critical");
                if (v < low + margin || v > high - margin)
                    return QStringLiteral("warning");
                return QStringLiteral("normal");
            };
            const int user = randInt(0, m_userIds.size() - 1);
            const int seconds = slot ? 15 * 3600 + randInt(0, 1800) : 9 * 3600 + randInt(0, 1800);
            q.addBindValue(dayText(day));
            q.addBindValue(QTime(0, 0).addSecs(seconds).toString(QStringLiteral("HH:mm")));
            q.addBindValue(temperature);
            q.addBindValue(humidity);
            q.addBindValue(grade(temperature, 0, 30));
            q.addBindValue(grade(humidity, 35, 75));
            q.addBindValue(QString(""));
            q.addBindValue(m_userIds.at(user));
            q.addBindValue(m_userNames.at(user));
            q.addBindValue(stamp(day, seconds));
            if (!exec(q, "temperature_record"))
                return false;
        }
    }
    return commit();
}

bool BenchDataGenerator::maintenanceChecks() {
    // One check a month on the 5th, most items in order.
    QSqlQuery q(m_db);
    q.prepare(
        QStringLiteral("INSERT INTO maintenance_check (check_month, check_date, checked_by, humidity_normal, "
                       "temperature_normal, storage_condition_ok, facilities_ok, pest_control_ok, remark, "
                       "created_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    if (!begin())
        return false;
    const QDate lastDay = m_firstDay.addDays(m_days - 1);
    for (QDate day(m_firstDay.year(), m_firstDay.month(), 5); day <= lastDay; day = day.addMonths(1)) {
        if (day < m_firstDay)
            continue;
        bool allInOrder = true;
        q.addBindValue(day.year() * 100 + day.month());
        q.addBindValue(dayText(day));
        q.addBindValue(m_userIds.at(randInt(0, m_userIds.size() - 1)));
        for (int item = 0; item < 5; ++item) {
            const bool inOrder = randInt(0, 19) != 0;
            allInOrder = allInOrder && inOrder;
            q.addBindValue(inOrder ? 1 : 0);
        }
        q.addBindValue(allInOrder ? QString() : QStringLiteral("已整改"));
        q.addBindValue(stamp(day, 10 * 3600));
        if (!exec(q, "maintenance_check"))
            return false;
    }
    return commit();
}

bool BenchDataGenerator::operationLog(int rows) {
    QVector<int> days(rows);
    for (int& d : days)
        d = randInt(0, m_days - 1);
    std::sort(days.begin(), days.end());
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("INSERT INTO sys_operation_log (user_id, user_name, module, action, detail, "
                             "ip_address, created_at) VALUES (?, ?, ?, ?, ?, '127.0.0.1', ?)"));
    if (!begin())
        return false;
    for (int day : days) {
        const QDate date = dayDate(day);
        const QString number = date.toString(QStringLiteral("yyyyMMdd"));
        QString module, action, detail;
        const int kind = randInt(0, 99);
        if (kind < 78) {
            module = QStringLiteral("销售收银");
            action = QStringLiteral("新增销售单");
            detail = QStringLiteral("订单号: %1, 金额: %2")
                         .arg(QStringLiteral("SAL") + number +
                              QStringLiteral("%1").arg(randInt(1, 400), 4, 10, QLatin1Char('0')))
                         .arg(std::round(randReal(3, 600) * 10) / 10);
        } else if (kind < 80) {
            module = QStringLiteral("销售收银");
            action = QStringLiteral("作废销售单");
            detail = QStringLiteral("订单ID: %1").arg(randInt(1, 600000));
        } else if (kind < 86) {
            module = QStringLiteral("盘点");
            action = QStringLiteral("新增盘点单");
            detail = QStringLiteral("盘点单号: PD%1%2, 差异: %3")
                         .arg(number)
                         .arg(randInt(1, 9), 4, 10, QLatin1Char('0'))
                         .arg(randInt(-12, 3));
        } else if (kind < 90) {
            module = QStringLiteral("采购退货");
            action = QStringLiteral("新增退货单");
            detail = QStringLiteral("退货单号: RT%1%2, 金额: %3")
                         .arg(number)
                         .arg(randInt(1, 9), 4, 10, QLatin1Char('0'))
                         .arg(std::round(randReal(50, 3000)));
        } else if (kind < 96) {
            static const char* const exports[] = {"导出购进记录表", "导出验收记录表", "导出温湿度记录表",
                                                  "导出养护检查记录表"};
            module = QStringLiteral("采购入库");
            action = text(exports[randInt(0, 3)]);
            detail = QStringLiteral("导出 %1 条记录").arg(randInt(20, 3000));
        } else if (kind < 98) {
            module = QStringLiteral("销售收银");
            action = QStringLiteral("导出销售记录表");
            detail = QStringLiteral("导出 %1 条记录").arg(randInt(100, 12000));
        } else {
            module = QStringLiteral("用户管理");
            action = QStringLiteral("重置密码");
            detail = QStringLiteral("用户名: %1").arg(QStringLiteral("wangfang"));
        }
        const int user = randInt(0, m_userIds.size() - 1);
        q.addBindValue(m_userIds.at(user));
        q.addBindValue(m_userNames.at(user));
        q.addBindValue(module);
        q.addBindValue(action);
        q.addBindValue(detail);
        q.addBindValue(stamp(date, randInt(8 * 3600, 22 * 3600 - 1)));
        if (!exec(q, "sys_operation_log"))
            return false;
    }
    return commit();
}

bool BenchDataGenerator::rejectedDrugs(int rows) {
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral(
        "INSERT INTO unqualified_drug (product_id, product_name, barcode, product_spec, manufacturer, "
        "batch_id, "
        "batch_no, production_date, expiry_date, quantity, supplier_id, supplier_name, reason, "
        "reason_remark, "
        "report_date, found_by, status, process_type, process_date, process_by, remark, created_at) "
        "SELECT p.id, p.name, p.barcode, p.specification, p.manufacturer, b.id, b.batch_no, "
        "b.production_date, "
        "b.expiry_date, ?, b.supplier_id, s.name, ?, ?, ?, ?, ?, ?, ?, ?, ?, ? "
        "FROM inventory_batch b JOIN product p ON p.id = b.product_id LEFT JOIN supplier s ON s.id = "
        "b.supplier_id "
        "WHERE b.id = ?"));
    if (!begin())
        return false;
    for (int i = 0; i < rows; ++i) {
        // Older records are processed; the last few still wait for confirmation or processing.
        const bool recent = i >= rows - 5;
        const int day = recent ? m_days - 1 - randInt(0, 20) : randInt(0, m_days - 30);
        const QDate reported = dayDate(day);
        const QString status = !recent ? QStringLiteral("processed")
                                       : (i % 2 ? QStringLiteral("pending") : QStringLiteral("confirmed"));
        const bool processed = status == QLatin1String("processed");
        int batchIndex = randInt(0, m_batches.size() - 1);
        while (batchIndex > 0 && m_batches.at(batchIndex).day > day)
            batchIndex /= 2;
        const int user = m_userIds.at(randInt(0, m_userIds.size() - 1));
        q.addBindValue(randInt(1, 6));
        q.addBindValue(text(kRejectReasons[randInt(0, 7)]));
        q.addBindValue(QStringLiteral("验收或养护时发现"));
        q.addBindValue(dayText(reported));
        q.addBindValue(user);
        q.addBindValue(status);
        q.addBindValue(processed ? text(kProcessTypes[randInt(0, 3)]) : QString());
        q.addBindValue(processed ? dayText(reported.addDays(randInt(1, 14))) : QString());
        q.addBindValue(processed ? QVariant(user) : QVariant());
        q.addBindValue(QString(""));
        q.addBindValue(stamp(reported, randInt(9 * 3600, 18 * 3600)));
        q.addBindValue(m_batches.at(batchIndex).id);
        if (!exec(q, "unqualified_drug"))
            return false;
    }
    return commit();
}

namespace {

const char* const kHospitals[] = {"市第一人民医院", "市中心医院",       "市中医医院",       "市妇幼保健院",
                                  "区人民医院",     "医科大学附属医院", "社区卫生服务中心", "市第二人民医院",
                                  "市儿童医院",     "市第三人民医院"};
const char* const kDoctorTitles[] = {"主任医师", "副主任医师", "主治医师", "住院医师"};
const char* const kDiagnoses[] = {"急性上呼吸道感染", "急性支气管炎", "高血压病",
                                  "2型糖尿病",        "慢性胃炎",     "急性扁桃体炎",
                                  "泌尿系感染",       "高脂血症",     "冠状动脉粥样硬化性心脏病",
                                  "过敏性鼻炎"};
const char* const kDosages[] = {"口服，一次1片，一日3次", "口服，一次2粒，一日2次", "口服，一次1片，一日1次",
                                "饭后口服，一次1袋，一日3次", "遵医嘱"};

} // namespace

// Prescriptions registered for sales that carry prescription drugs: one per chosen sale, its lines the sale's
// prescription lines, which then refer to it. Registered a few minutes before the sale (stored in UTC, the
// sale's local time minus eight hours), valid for three days.
bool BenchDataGenerator::prescriptions(int count) {
    struct SoldLine {
        int lineId;
        int productId;
        int quantity;
        QString name;
        QString specification;
        QString unit;
    };
    struct Sale {
        int orderId;
        QString createdAt;
        QString saleDate;
        int operatorId;
        QVector<SoldLine> lines;
    };
    QVector<Sale> sales;
    {
        QSqlQuery q(m_db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral(
                "SELECT i.id, i.order_id, i.product_id, i.quantity, p.name, p.specification, p.unit, "
                "o.created_at, o.sale_date, o.operator_id FROM sales_order_item i JOIN sales_order o ON "
                "o.id = i.order_id JOIN product p ON p.id = i.product_id WHERE i.is_prescription = 1 "
                "ORDER BY i.order_id, i.id"))) {
            std::fprintf(stderr, "Reading prescription sales failed: %s\n", qPrintable(q.lastError().text()));
            return false;
        }
        while (q.next()) {
            const int orderId = q.value(1).toInt();
            if (sales.isEmpty() || sales.last().orderId != orderId)
                sales.append({orderId, q.value(7).toString(), q.value(8).toString(), q.value(9).toInt(), {}});
            sales.last().lines.append({q.value(0).toInt(), q.value(2).toInt(), q.value(3).toInt(),
                                       q.value(4).toString(), q.value(5).toString(), q.value(6).toString()});
        }
    }
    const double share = sales.isEmpty() ? 0.0 : std::min(1.0, double(count) / sales.size());

    QSqlQuery header(m_db), line(m_db), link(m_db);
    header.prepare(QStringLiteral("INSERT INTO prescription (id, prescription_no, doctor_name, doctor_title, "
                                  "hospital_name, patient_name, "
                                  "patient_age, patient_gender, diagnosis, created_at, valid_until, status, "
                                  "used_count, created_by) VALUES "
                                  "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    line.prepare(QStringLiteral("INSERT INTO prescription_item (prescription_id, product_id, product_name, "
                                "specification, quantity, dosage, unit) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    link.prepare(QStringLiteral("UPDATE sales_order_item SET prescription_id = ? WHERE id = ?"));
    QVector<QString> doctors;
    for (int i = 0; i < 300; ++i)
        doctors.append(personName());
    if (!begin())
        return false;
    int id = 0;
    for (const Sale& sale : sales) {
        if (id >= count || !chance(share))
            continue;
        ++id;
        const QDateTime sold = QDateTime::fromString(sale.createdAt, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const QDate saleDay = QDate::fromString(sale.saleDate, QStringLiteral("yyyy-MM-dd"));
        const int hospital = randInt(0, int(std::size(kHospitals)) - 1);
        header.addBindValue(id);
        header.addBindValue(QStringLiteral("MZ") + saleDay.toString(QStringLiteral("yyyyMMdd")) +
                            QStringLiteral("%1").arg(randInt(1, 9999), 4, 10, QLatin1Char('0')));
        header.addBindValue(doctors.at(randInt(0, doctors.size() - 1)));
        header.addBindValue(text(kDoctorTitles[randInt(0, 3)]));
        header.addBindValue(text(kHospitals[hospital]));
        header.addBindValue(personName());
        header.addBindValue(randInt(1, 90));
        header.addBindValue(chance(0.5) ? QStringLiteral("男") : QStringLiteral("女"));
        header.addBindValue(text(kDiagnoses[randInt(0, int(std::size(kDiagnoses)) - 1)]));
        header.addBindValue(
            sold.addSecs(-8 * 3600 - randInt(3, 40) * 60).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        header.addBindValue(dayText(saleDay.addDays(3)));
        header.addBindValue(QStringLiteral("valid"));
        header.addBindValue(sale.lines.size());
        header.addBindValue(sale.operatorId);
        if (!exec(header, "prescription"))
            return false;
        for (const SoldLine& item : sale.lines) {
            line.addBindValue(id);
            line.addBindValue(item.productId);
            line.addBindValue(item.name);
            line.addBindValue(item.specification);
            line.addBindValue(item.quantity);
            line.addBindValue(text(kDosages[randInt(0, int(std::size(kDosages)) - 1)]));
            line.addBindValue(item.unit);
            link.addBindValue(id);
            link.addBindValue(item.lineId);
            if (!exec(line, "prescription_item") || !exec(link, "sales_order_item"))
                return false;
        }
    }
    // More than the sales hold (a register of a clinic's size): the register is copied on, each round a few
    // minutes earlier, with its lines, so the copies sort among the rest without ties.
    const int made = id;
    for (int round = 1; made > 0 && id < count; ++round) {
        const int copied = std::min(made, count - id);
        QSqlQuery copy(m_db);
        copy.prepare(QStringLiteral(
            "INSERT INTO prescription (id, prescription_no, doctor_name, doctor_title, hospital_name, "
            "patient_name, patient_age, patient_gender, diagnosis, created_at, valid_until, status, "
            "used_count, "
            "created_by) SELECT id + :offset, prescription_no, doctor_name, doctor_title, hospital_name, "
            "patient_name, patient_age, patient_gender, diagnosis, datetime(created_at, :earlier), "
            "valid_until, "
            "status, used_count, created_by FROM prescription WHERE id <= :copied"));
        copy.bindValue(QStringLiteral(":offset"), id);
        copy.bindValue(QStringLiteral(":earlier"), QStringLiteral("-%1 minutes").arg(round));
        copy.bindValue(QStringLiteral(":copied"), copied);
        QSqlQuery copyLines(m_db);
        copyLines.prepare(QStringLiteral(
            "INSERT INTO prescription_item (prescription_id, product_id, product_name, specification, "
            "quantity, "
            "dosage, unit) SELECT prescription_id + :offset, product_id, product_name, specification, "
            "quantity, "
            "dosage, unit FROM prescription_item WHERE prescription_id <= :copied ORDER BY id"));
        copyLines.bindValue(QStringLiteral(":offset"), id);
        copyLines.bindValue(QStringLiteral(":copied"), copied);
        if (!exec(copy, "prescription") || !exec(copyLines, "prescription_item"))
            return false;
        id += copied;
    }
    return commit();
}

} // namespace kestrovalin::bench
