-- 柯斯洛 (kestrovalin) — 演示用测试数据
-- 程序每次启动时，若本文件位于程序目录旁的 docs/ 中，就会执行一遍。
-- 因此每条语句都使用明确的 id 和 INSERT OR IGNORE：第二次执行不会改变任何数据。
-- 日期以首次导入当天（本地日期）为基准计算，首次导入后即固定不变。
-- 演示账号：店员 zhangli，密码 123456（管理员 admin 由程序自动创建）。
-- 本文件不随正式版程序发布。

-- ============================================================
-- 1. 用户
-- ============================================================

INSERT OR IGNORE INTO sys_user (id, username, password_hash, real_name, role, status, created_at, updated_at) VALUES
    (2, 'zhangli', '8d969eef6ecad3c29a3a629280e686cf0c3f5d5a86aff3ca12020c923adc6c92', '张丽', 'clerk', 1,
     datetime('now', 'localtime', '-320 days'), datetime('now', 'localtime', '-320 days'));

-- ============================================================
-- 2. 供应商（5 号 GSP 证书即将到期，6 号经营许可证已过期）
-- ============================================================

INSERT OR IGNORE INTO supplier (id, name, license_no, business_license_no, business_scope, address, contact_name,
    contact_phone, license_expire_date, business_license_expire_date, gsp_cert_no, gsp_cert_expire_date, tax_reg_no,
    tax_reg_expire_date, qualification_status, status, created_at, updated_at) VALUES
    (1, '上海康联医药有限公司', '沪AA0210235', '91310115MA1H7B2K3X', '中成药,化学药制剂,抗生素,生化药品',
     '上海市浦东新区川沙路5588号', '陈立新', '021-58381726',
     date('now', 'localtime', '+3 years'), date('now', 'localtime', '+12 years'), 'SH-GSP-2022-0356',
     date('now', 'localtime', '+2 years'), '91310115MA1H7B2K3X', date('now', 'localtime', '+4 years'),
     'valid', 'active', datetime('now', 'localtime', '-330 days'), datetime('now', 'localtime', '-330 days')),
    (2, '江苏恒泰医药有限公司', '苏AA2500418', '91320106MA1MW5XQ8D', '中成药,化学药制剂,抗生素,中药饮片',
     '南京市鼓楼区中山北路281号', '刘海峰', '025-83317702',
     date('now', 'localtime', '+2 years'), date('now', 'localtime', '+15 years'), 'JS-GSP-2021-1127',
     date('now', 'localtime', '+1 years'), '91320106MA1MW5XQ8D', date('now', 'localtime', '+3 years'),
     'valid', 'active', datetime('now', 'localtime', '-300 days'), datetime('now', 'localtime', '-300 days')),
    (3, '浙江仁和堂医药有限公司', '浙AA5710093', '91330105MA27Y3LP6R', '中成药,化学药制剂,生物制品',
     '杭州市拱墅区湖州街168号', '王慧敏', '0571-88216530',
     date('now', 'localtime', '+4 years'), date('now', 'localtime', '+18 years'), 'ZJ-GSP-2023-0481',
     date('now', 'localtime', '+3 years'), '91330105MA27Y3LP6R', date('now', 'localtime', '+5 years'),
     'valid', 'active', datetime('now', 'localtime', '-200 days'), datetime('now', 'localtime', '-200 days')),
    (4, '广州南康医药贸易有限公司', '粤AA0200716', '91440101MA5AQ0R71J', '化学药制剂,医疗器械,其他',
     '广州市越秀区东风中路437号', '黄志明', '020-83542286',
     date('now', 'localtime', '+3 years'), date('now', 'localtime', '+10 years'), 'GD-GSP-2022-2093',
     date('now', 'localtime', '+2 years'), '91440101MA5AQ0R71J', date('now', 'localtime', '+3 years'),
     'valid', 'active', datetime('now', 'localtime', '-120 days'), datetime('now', 'localtime', '-120 days')),
    (5, '北京安泰医药物流有限公司', '京AA1100582', '91110106MA01C8TQ2N', '中成药,化学药制剂',
     '北京市丰台区南四环西路188号', '孙晓东', '010-63709915',
     date('now', 'localtime', '+2 years'), date('now', 'localtime', '+9 years'), 'BJ-GSP-2020-0675',
     date('now', 'localtime', '+20 days'), '91110106MA01C8TQ2N', date('now', 'localtime', '+2 years'),
     'expiring', 'active', datetime('now', 'localtime', '-400 days'), datetime('now', 'localtime', '-400 days')),
    (6, '湖南湘济医药有限公司', '湘AA7310204', '91430103MA4L6UF93W', '中成药,中药饮片',
     '长沙市天心区芙蓉南路二段99号', '李建军', '0731-85126648',
     date('now', 'localtime', '-10 days'), date('now', 'localtime', '+6 years'), 'HN-GSP-2019-0318',
     date('now', 'localtime', '+1 years'), '91430103MA4L6UF93W', date('now', 'localtime', '+1 years'),
     'expired', 'active', datetime('now', 'localtime', '-700 days'), datetime('now', 'localtime', '-700 days'));

-- ============================================================
-- 3. 药品（14 号已停售）
-- ============================================================

INSERT OR IGNORE INTO product (id, barcode, name, specification, approval_no, manufacturer, category,
    storage_condition, is_prescription, unit, purchase_price, sale_price, status, created_at, updated_at,
    mnemonic_code) VALUES
    (1, '6921361200154', '阿莫西林胶囊', '0.25g*24粒', '国药准字H13023964', '华康制药股份有限公司', '处方药',
     '常温', 1, '盒', 8.50, 16.80, 1, datetime('now', 'localtime', '-330 days'),
     datetime('now', 'localtime', '-330 days'), 'AMXLJN'),
    (2, '6932140500213', '布洛芬缓释胶囊', '0.3g*20粒', '国药准字H10900089', '天平药业（天津）有限公司', 'OTC乙类',
     '常温', 0, '盒', 15.80, 29.80, 1, datetime('now', 'localtime', '-330 days'),
     datetime('now', 'localtime', '-330 days'), 'BLFHSJN'),
    (3, '6940028300127', '复方甘草片', '100片', '国药准字H11020478', '京华双鹿药业有限公司', 'OTC甲类',
     '常温', 0, '瓶', 5.50, 9.80, 1, datetime('now', 'localtime', '-330 days'),
     datetime('now', 'localtime', '-330 days'), 'FFGCP'),
    (4, '6917230400345', '蒙脱石散', '3g*10袋', '国药准字H20000690', '博安制药（天津）有限公司', 'OTC甲类',
     '常温', 0, '盒', 12.00, 22.00, 1, datetime('now', 'localtime', '-330 days'),
     datetime('now', 'localtime', '-330 days'), 'MTSS'),
    (5, '6923504100518', '头孢克肟分散片', '0.1g*6片', '国药准字H20065872', '广康制药有限公司', '处方药',
     '阴凉', 1, '盒', 18.60, 36.00, 1, datetime('now', 'localtime', '-300 days'),
     datetime('now', 'localtime', '-300 days'), 'TBKWFSP'),
    (6, '6951708200362', '维生素C泡腾片', '1g*10片', '国药准字H20057703', '华康制药股份有限公司', 'OTC乙类',
     '常温', 0, '盒', 16.00, 35.00, 1, datetime('now', 'localtime', '-200 days'),
     datetime('now', 'localtime', '-200 days'), 'WSSCPTP'),
    (7, '6902115300209', '板蓝根颗粒', '10g*20袋', '国药准字Z44021926', '岭南中药制药有限公司', 'OTC甲类',
     '常温', 0, '袋', 9.20, 18.50, 1, datetime('now', 'localtime', '-300 days'),
     datetime('now', 'localtime', '-300 days'), 'BLGKL'),
    (8, '6938406700155', '氯雷他定片', '10mg*6片', '国药准字H10970410', '东海制药有限公司', 'OTC乙类',
     '常温', 0, '盒', 11.20, 23.50, 1, datetime('now', 'localtime', '-200 days'),
     datetime('now', 'localtime', '-200 days'), 'LLTDP'),
    (9, '6925607800041', '重组人胰岛素注射液', '3ml:300单位', '国药准字S20153001', '通化长白生物制药有限公司',
     '处方药', '冷藏', 1, '盒', 48.00, 68.00, 1, datetime('now', 'localtime', '-200 days'),
     datetime('now', 'localtime', '-200 days'), 'CZRYDSZSY'),
    (10, '6903370100116', '感冒灵颗粒', '10g*9袋', '国药准字Z44021940', '岭南中药制药有限公司', 'OTC甲类',
     '常温', 0, '盒', 7.50, 15.00, 1, datetime('now', 'localtime', '-300 days'),
     datetime('now', 'localtime', '-300 days'), 'GMLKL'),
    (11, '6911824300372', '奥美拉唑肠溶胶囊', '20mg*14粒', '国药准字H20033094', '东海制药有限公司', '处方药',
     '阴凉', 1, '盒', 13.50, 28.00, 1, datetime('now', 'localtime', '-120 days'),
     datetime('now', 'localtime', '-120 days'), 'AMLZCRJN'),
    (12, '6935502900286', '藿香正气水', '10ml*10支', '国药准字Z51020664', '蜀中药业股份有限公司', 'OTC甲类',
     '阴凉', 0, '盒', 6.80, 13.50, 1, datetime('now', 'localtime', '-330 days'),
     datetime('now', 'localtime', '-330 days'), 'HXZQS'),
    (13, '6970014500093', '医用外科口罩', '10只', '粤械注准20202140365', '南康卫材有限公司', '其他',
     '常温', 0, '盒', 6.00, 12.00, 1, datetime('now', 'localtime', '-120 days'),
     datetime('now', 'localtime', '-120 days'), 'YYWKKZ'),
    (14, '6926104300187', '硝苯地平缓释片', '10mg*30片', '国药准字H10960186', '京华双鹿药业有限公司', '处方药',
     '常温', 1, '盒', 9.00, 19.80, 0, datetime('now', 'localtime', '-330 days'),
     datetime('now', 'localtime', '-90 days'), 'XBDPHSP');

-- ============================================================
-- 4. 客户（1 号零售客户由程序自动创建）
-- ============================================================

INSERT OR IGNORE INTO customer (id, name, phone, address, id_card, remark, is_default, created_at, updated_at) VALUES
    (2, '王建国', '13816552301', '上海市浦东新区张杨路1200弄5号', '310115196504122317', '慢性胃炎，常购胃药', 0,
     datetime('now', 'localtime', '-250 days'), datetime('now', 'localtime', '-250 days')),
    (3, '李秀兰', '13901887645', '上海市徐汇区漕溪北路88号', '310104195811063024', '高血压，定期购药', 0,
     datetime('now', 'localtime', '-230 days'), datetime('now', 'localtime', '-230 days')),
    (4, '陈志强', '15821093378', '上海市闵行区莘庄镇莘建路32号', NULL, NULL, 0,
     datetime('now', 'localtime', '-150 days'), datetime('now', 'localtime', '-150 days')),
    (5, '赵敏', '18602153390', '上海市静安区共和新路1988号', '310108199002150046', '会员', 0,
     datetime('now', 'localtime', '-90 days'), datetime('now', 'localtime', '-90 days')),
    (6, '周海燕', '13761205588', '上海市杨浦区控江路1555号', NULL, '会员，对青霉素过敏', 0,
     datetime('now', 'localtime', '-40 days'), datetime('now', 'localtime', '-40 days'));

-- ============================================================
-- 5. 采购入库单与明细（3 号单中一行验收不合格，未入库；5 号单重复录入，已作废，货品已冲回）
-- ============================================================

INSERT OR IGNORE INTO purchase_order (id, order_no, supplier_id, total_amount, inbound_date, operator_id, status,
    remark, created_at) VALUES
    (1, 'PUR' || strftime('%Y%m%d', 'now', 'localtime', '-300 days') || '0001', 1, 2602.00,
     date('now', 'localtime', '-300 days'), 1, 'completed', '常规补货', datetime('now', 'localtime', '-300 days')),
    (2, 'PUR' || strftime('%Y%m%d', 'now', 'localtime', '-60 days') || '0002', 2, 2230.00,
     date('now', 'localtime', '-60 days'), 1, 'completed', '秋冬季感冒药备货', datetime('now', 'localtime', '-60 days')),
    (3, 'PUR' || strftime('%Y%m%d', 'now', 'localtime', '-30 days') || '0003', 3, 2542.00,
     date('now', 'localtime', '-30 days'), 2, 'completed', NULL, datetime('now', 'localtime', '-30 days')),
    (4, 'PUR' || strftime('%Y%m%d', 'now', 'localtime', '-7 days') || '0004', 4, 2507.00,
     date('now', 'localtime', '-7 days'), 1, 'completed', NULL, datetime('now', 'localtime', '-7 days')),
    (5, 'PUR' || strftime('%Y%m%d', 'now', 'localtime', '-7 days') || '0005', 4, 1200.00,
     date('now', 'localtime', '-7 days'), 2, 'voided', '与4号单重复录入，已作废', datetime('now', 'localtime', '-7 days'));

INSERT OR IGNORE INTO purchase_order_item (id, order_id, product_id, batch_no, production_date, expiry_date,
    quantity, unit_price, amount, acceptance_result, acceptance_date, acceptance_by, remark) VALUES
    (1, 1, 1, 'A231120', date('now', 'localtime', '-710 days'), date('now', 'localtime', '+20 days'),
     100, 8.50, 850.00, '合格', datetime('now', 'localtime', '-300 days'), 1, NULL),
    (2, 1, 4, 'M231108', date('now', 'localtime', '-1050 days'), date('now', 'localtime', '+45 days'),
     50, 12.00, 600.00, '合格', datetime('now', 'localtime', '-300 days'), 1, NULL),
    (3, 1, 12, 'HX230915', date('now', 'localtime', '-740 days'), date('now', 'localtime', '-10 days'),
     30, 6.80, 204.00, '合格', datetime('now', 'localtime', '-300 days'), 1, NULL),
    (4, 1, 2, 'B2310021', date('now', 'localtime', '-570 days'), date('now', 'localtime', '+160 days'),
     60, 15.80, 948.00, '合格', datetime('now', 'localtime', '-300 days'), 1, NULL),
    (5, 2, 5, 'TB240601', date('now', 'localtime', '-655 days'), date('now', 'localtime', '+75 days'),
     40, 18.60, 744.00, '合格', datetime('now', 'localtime', '-60 days'), 1, NULL),
    (6, 2, 7, 'BLG240512', date('now', 'localtime', '-610 days'), date('now', 'localtime', '+120 days'),
     80, 9.20, 736.00, '合格', datetime('now', 'localtime', '-60 days'), 1, NULL),
    (7, 2, 10, 'GML240420', date('now', 'localtime', '-330 days'), date('now', 'localtime', '+400 days'),
     100, 7.50, 750.00, '合格', datetime('now', 'localtime', '-60 days'), 1, NULL),
    (8, 3, 6, 'VC240510', date('now', 'localtime', '-30 days'), date('now', 'localtime', '+700 days'),
     50, 16.00, 800.00, '合格', datetime('now', 'localtime', '-30 days'), 2, NULL),
    (9, 3, 8, 'LL240701', date('now', 'localtime', '-555 days'), date('now', 'localtime', '+540 days'),
     60, 11.20, 672.00, '合格', datetime('now', 'localtime', '-30 days'), 2, NULL),
    (10, 3, 9, 'YDS240805', date('now', 'localtime', '-430 days'), date('now', 'localtime', '+300 days'),
     20, 48.00, 960.00, '合格', datetime('now', 'localtime', '-30 days'), 2, '冷链运输，到货温度4℃'),
    (11, 3, 3, 'FG240611', date('now', 'localtime', '-130 days'), date('now', 'localtime', '+600 days'),
     20, 5.50, 110.00, '不合格', datetime('now', 'localtime', '-30 days'), 2, '外包装破损，拒收'),
    (12, 4, 11, 'AML240901', date('now', 'localtime', '-10 days'), date('now', 'localtime', '+720 days'),
     50, 13.50, 675.00, '合格', datetime('now', 'localtime', '-7 days'), 1, NULL),
    (13, 4, 13, 'KZ240915', date('now', 'localtime', '-95 days'), date('now', 'localtime', '+1000 days'),
     200, 6.00, 1200.00, '合格', datetime('now', 'localtime', '-7 days'), 1, NULL),
    (14, 4, 2, 'B2409105', date('now', 'localtime', '-195 days'), date('now', 'localtime', '+900 days'),
     40, 15.80, 632.00, '合格', datetime('now', 'localtime', '-7 days'), 1, NULL),
    (15, 5, 13, 'KZ240915', date('now', 'localtime', '-95 days'), date('now', 'localtime', '+1000 days'),
     200, 6.00, 1200.00, '合格', datetime('now', 'localtime', '-7 days'), 2, NULL);

-- ============================================================
-- 6. 库存批次（入库数量减去已售和退供应商数量、加上顾客退回数量，减去审核确认的不合格数量；1、2、4、5、6 号批次在 180 天内到期，3 号已过期）
-- ============================================================

INSERT OR IGNORE INTO inventory_batch (id, product_id, supplier_id, batch_no, production_date, expiry_date,
    quantity, rejected_quantity, unit_cost, status, created_at, updated_at) VALUES
    (1, 1, 1, 'A231120', date('now', 'localtime', '-710 days'), date('now', 'localtime', '+20 days'),
     98, 0, 8.50, 'normal', datetime('now', 'localtime', '-300 days'), NULL),
    (2, 4, 1, 'M231108', date('now', 'localtime', '-1050 days'), date('now', 'localtime', '+45 days'),
     48, 0, 12.00, 'normal', datetime('now', 'localtime', '-300 days'), NULL),
    (3, 12, 1, 'HX230915', date('now', 'localtime', '-740 days'), date('now', 'localtime', '-10 days'),
     30, 0, 6.80, 'normal', datetime('now', 'localtime', '-300 days'), NULL),
    (4, 2, 1, 'B2310021', date('now', 'localtime', '-570 days'), date('now', 'localtime', '+160 days'),
     57, 0, 15.80, 'normal', datetime('now', 'localtime', '-300 days'), NULL),
    (5, 5, 2, 'TB240601', date('now', 'localtime', '-655 days'), date('now', 'localtime', '+75 days'),
     39, 0, 18.60, 'normal', datetime('now', 'localtime', '-60 days'), NULL),
    (6, 7, 2, 'BLG240512', date('now', 'localtime', '-610 days'), date('now', 'localtime', '+120 days'),
     79, 0, 9.20, 'normal', datetime('now', 'localtime', '-60 days'), NULL),
    (7, 10, 2, 'GML240420', date('now', 'localtime', '-330 days'), date('now', 'localtime', '+400 days'),
     98, 0, 7.50, 'normal', datetime('now', 'localtime', '-60 days'), NULL),
    (8, 6, 3, 'VC240510', date('now', 'localtime', '-30 days'), date('now', 'localtime', '+700 days'),
     47, 2, 16.00, 'normal', datetime('now', 'localtime', '-30 days'), NULL),
    (9, 8, 3, 'LL240701', date('now', 'localtime', '-555 days'), date('now', 'localtime', '+540 days'),
     58, 0, 11.20, 'normal', datetime('now', 'localtime', '-30 days'), NULL),
    (10, 9, 3, 'YDS240805', date('now', 'localtime', '-430 days'), date('now', 'localtime', '+300 days'),
     18, 0, 48.00, 'normal', datetime('now', 'localtime', '-30 days'), NULL),
    (11, 11, 4, 'AML240901', date('now', 'localtime', '-10 days'), date('now', 'localtime', '+720 days'),
     50, 0, 13.50, 'normal', datetime('now', 'localtime', '-7 days'), NULL),
    (12, 13, 4, 'KZ240915', date('now', 'localtime', '-95 days'), date('now', 'localtime', '+1000 days'),
     193, 0, 6.00, 'normal', datetime('now', 'localtime', '-7 days'), NULL),
    (13, 2, 4, 'B2409105', date('now', 'localtime', '-195 days'), date('now', 'localtime', '+900 days'),
     36, 0, 15.80, 'normal', datetime('now', 'localtime', '-7 days'), NULL);

-- ============================================================
-- 7. 销售单与明细（非处方药）
-- ============================================================

INSERT OR IGNORE INTO sales_order (id, order_no, customer_id, total_amount, sale_date, operator_id, prescription_id,
    review_by, review_time, status, created_at) VALUES
    (1, 'SAL' || strftime('%Y%m%d', 'now', 'localtime', '-5 days') || '0001', 1, 104.60,
     date('now', 'localtime', '-5 days'), 2, NULL, NULL, NULL, 'completed',
     datetime('now', 'localtime', '-5 days', 'start of day', '+10 hours', '+12 minutes')),
    (2, 'SAL' || strftime('%Y%m%d', 'now', 'localtime', '-2 days') || '0001', 2, 62.50,
     date('now', 'localtime', '-2 days'), 1, NULL, NULL, NULL, 'completed',
     datetime('now', 'localtime', '-2 days', 'start of day', '+15 hours', '+40 minutes')),
    (3, 'SAL' || strftime('%Y%m%d', 'now', 'localtime', '-1 days') || '0001', 3, 95.00,
     date('now', 'localtime', '-1 days'), 2, NULL, NULL, NULL, 'completed',
     datetime('now', 'localtime', '-1 days', 'start of day', '+9 hours', '+25 minutes'));

INSERT OR IGNORE INTO sales_order_item (id, order_id, product_id, batch_id, batch_no, production_date, expiry_date,
    quantity, unit_price, amount, is_prescription, prescription_id) VALUES
    (1, 1, 2, 4, 'B2310021', date('now', 'localtime', '-570 days'), date('now', 'localtime', '+160 days'),
     2, 29.80, 59.60, 0, NULL),
    (2, 1, 10, 7, 'GML240420', date('now', 'localtime', '-330 days'), date('now', 'localtime', '+400 days'),
     3, 15.00, 45.00, 0, NULL),
    (3, 2, 4, 2, 'M231108', date('now', 'localtime', '-1050 days'), date('now', 'localtime', '+45 days'),
     2, 22.00, 44.00, 0, NULL),
    (4, 2, 7, 6, 'BLG240512', date('now', 'localtime', '-610 days'), date('now', 'localtime', '+120 days'),
     1, 18.50, 18.50, 0, NULL),
    (5, 3, 13, 12, 'KZ240915', date('now', 'localtime', '-95 days'), date('now', 'localtime', '+1000 days'),
     5, 12.00, 60.00, 0, NULL),
    (6, 3, 6, 8, 'VC240510', date('now', 'localtime', '-30 days'), date('now', 'localtime', '+700 days'),
     1, 35.00, 35.00, 0, NULL);

-- ============================================================
-- 8. 温湿度记录（前 7 天每天上午、下午各一次；今天尚未记录）
-- ============================================================

INSERT OR IGNORE INTO temperature_record (id, record_date, record_time, temperature, humidity, temperature_status,
    humidity_status, notes, operator_id, operator_name, created_at) VALUES
    (1, date('now', 'localtime', '-7 days'), '09:00:00', 18.5, 52, 'normal', 'normal', NULL, 1, '系统管理员',
     datetime('now', 'localtime', '-7 days', 'start of day', '+9 hours')),
    (2, date('now', 'localtime', '-7 days'), '15:00:00', 21.0, 55, 'normal', 'normal', NULL, 1, '系统管理员',
     datetime('now', 'localtime', '-7 days', 'start of day', '+15 hours')),
    (3, date('now', 'localtime', '-6 days'), '09:00:00', 19.2, 58, 'normal', 'normal', NULL, 2, '张丽',
     datetime('now', 'localtime', '-6 days', 'start of day', '+9 hours')),
    (4, date('now', 'localtime', '-6 days'), '15:00:00', 22.4, 61, 'normal', 'normal', NULL, 2, '张丽',
     datetime('now', 'localtime', '-6 days', 'start of day', '+15 hours')),
    (5, date('now', 'localtime', '-5 days'), '09:00:00', 20.1, 66, 'normal', 'normal', '阴雨天', 2, '张丽',
     datetime('now', 'localtime', '-5 days', 'start of day', '+9 hours')),
    (6, date('now', 'localtime', '-5 days'), '15:00:00', 21.7, 74, 'normal', 'warning', '湿度偏高，已开启除湿机',
     2, '张丽', datetime('now', 'localtime', '-5 days', 'start of day', '+15 hours')),
    (7, date('now', 'localtime', '-4 days'), '09:00:00', 20.6, 63, 'normal', 'normal', NULL, 1, '系统管理员',
     datetime('now', 'localtime', '-4 days', 'start of day', '+9 hours')),
    (8, date('now', 'localtime', '-4 days'), '15:00:00', 24.3, 57, 'normal', 'normal', NULL, 1, '系统管理员',
     datetime('now', 'localtime', '-4 days', 'start of day', '+15 hours')),
    (9, date('now', 'localtime', '-3 days'), '09:00:00', 23.8, 54, 'normal', 'normal', NULL, 2, '张丽',
     datetime('now', 'localtime', '-3 days', 'start of day', '+9 hours')),
    (10, date('now', 'localtime', '-3 days'), '15:00:00', 29.1, 50, 'warning', 'normal', '午后气温高，已调低空调温度',
     2, '张丽', datetime('now', 'localtime', '-3 days', 'start of day', '+15 hours')),
    (11, date('now', 'localtime', '-2 days'), '09:00:00', 26.0, 52, 'normal', 'normal', NULL, 1, '系统管理员',
     datetime('now', 'localtime', '-2 days', 'start of day', '+9 hours')),
    (12, date('now', 'localtime', '-2 days'), '15:00:00', 31.2, 48, 'critical', 'normal', '空调故障，已报修',
     1, '系统管理员', datetime('now', 'localtime', '-2 days', 'start of day', '+15 hours')),
    (13, date('now', 'localtime', '-1 days'), '09:00:00', 22.6, 56, 'normal', 'normal', '空调已修复', 2, '张丽',
     datetime('now', 'localtime', '-1 days', 'start of day', '+9 hours')),
    (14, date('now', 'localtime', '-1 days'), '15:00:00', 23.1, 59, 'normal', 'normal', NULL, 2, '张丽',
     datetime('now', 'localtime', '-1 days', 'start of day', '+15 hours'));

-- ============================================================
-- 9. 处方登记与处方药明细（处方编号为医院处方上的编号；登记时间为数据库的 UTC 时间）
--    1 号处方已用于 4 号销售单；2 号为停售药品的旧处方（已使用）；3 号胰岛素长期处方无有效期；
--    5 号已过期；6 号状态待审核
-- =====================================================
-- ============================================================

INSERT OR IGNORE INTO prescription (id, prescription_no, doctor_name, doctor_title, hospital_name, patient_name,
    patient_age, patient_gender, diagnosis, created_at, valid_until, status, used_count, created_by, review_by,
    review_time) VALUES
    (1, 'MZ' || strftime('%Y%m%d', 'now', 'localtime', '-5 days') || '0032', '李卫东', '主治医师',
     '上海市浦东新区人民医院', '王建国', 58, '男', '急性支气管炎',
     datetime('now', '-5 days', 'start of day', '+2 hours', '+50 minutes'), date('now', 'localtime', '-2 days'),
     'valid', 1, 2, NULL, NULL),
    (2, 'MZ' || strftime('%Y%m%d', 'now', 'localtime', '-90 days') || '1187', '张敏', '副主任医师',
     '复旦大学附属华山医院', '李秀兰', 66, '女', '高血压病2级',
     datetime('now', '-90 days', 'start of day', '+6 hours', '+12 minutes'), date('now', 'localtime', '-87 days'),
     'used', 1, 1, NULL, NULL),
    (3, 'NFM' || strftime('%Y%m%d', 'now', 'localtime', '-20 days') || '0415', '周建华', '主任医师',
     '上海市第六人民医院', '陈志强', 45, '男', '2型糖尿病',
     datetime('now', '-20 days', 'start of day', '+1 hours', '+35 minutes'), NULL,
     'valid', 0, 1, 1, datetime('now', '-20 days', 'start of day', '+1 hours', '+40 minutes')),
    (4, 'MZ' || strftime('%Y%m%d', 'now', 'localtime', '-2 days') || '2263', '刘芳', '主治医师',
     '上海市徐汇区中心医院', '赵敏', 34, '女', '慢性胃炎，幽门螺杆菌阳性',
     datetime('now', '-2 days', 'start of day', '+7 hours', '+5 minutes'), date('now', 'localtime', '+1 days'),
     'valid', 0, 2, NULL, NULL),
    (5, 'EK' || strftime('%Y%m%d', 'now', 'localtime', '-40 days') || '0078', '王志刚', '住院医师',
     '上海市杨浦区中心医院', '周海燕', 29, '女', '急性扁桃体炎（青霉素过敏）',
     datetime('now', '-40 days', 'start of day', '+3 hours'), date('now', 'localtime', '-37 days'),
     'expired', 0, 2, NULL, NULL),
    (6, 'EK' || strftime('%Y%m%d', 'now', 'localtime') || '0009', '孙立群', '主治医师',
     '上海市儿童医院', '吴小平', 8, '男', '急性中耳炎',
     datetime('now', '-1 hours'), date('now', 'localtime', '+3 days'),
     'pending', 0, 2, NULL, NULL);

INSERT OR IGNORE INTO prescription_item (id, prescription_id, product_id, product_name, specification, quantity,
    dosage, unit) VALUES
    (1, 1, 1, '阿莫西林胶囊', '0.25g*24粒', 2, '口服，一次0.5g，一日3次', '盒'),
    (2, 2, 14, '硝苯地平缓释片', '10mg*30片', 2, '口服，一次10mg，一日2次', '盒'),
    (3, 3, 9, '重组人胰岛素注射液', '3ml:300单位', 3, '餐前30分钟皮下注射，一次8单位，一日3次', '盒'),
    (4, 4, 11, '奥美拉唑肠溶胶囊', '20mg*14粒', 2, '口服，一次20mg，一日2次，早晚餐前', '盒'),
    (5, 4, 1, '阿莫西林胶囊', '0.25g*24粒', 3, '口服，一次1g，一日2次，餐后', '盒'),
    (6, 5, 5, '头孢克肟分散片', '0.1g*6片', 2, '口服，一次0.1g，一日2次', '盒'),
    (7, 6, 5, '头孢克肟分散片', '0.1g*6片', 1, '口服，一次50mg，一日2次，温水分散后服用', '盒');

-- 4 号销售单：凭 1 号处方售出阿莫西林胶囊 2 盒（批号 A231120）
INSERT OR IGNORE INTO sales_order (id, order_no, customer_id, total_amount, sale_date, operator_id, prescription_id,
    review_by, review_time, status, created_at) VALUES
    (4, 'SAL' || strftime('%Y%m%d', 'now', 'localtime', '-5 days') || '0002', 2, 33.60,
     date('now', 'localtime', '-5 days'), 2, NULL, NULL, NULL, 'completed',
     datetime('now', 'localtime', '-5 days', 'start of day', '+11 hours', '+5 minutes'));

INSERT OR IGNORE INTO sales_order_item (id, order_id, product_id, batch_id, batch_no, production_date, expiry_date,
    quantity, unit_price, amount, is_prescription, prescription_id) VALUES
    (7, 4, 1, 1, 'A231120', date('now', 'localtime', '-710 days'), date('now', 'localtime', '+20 days'),
     2, 16.80, 33.60, 1, 1);

-- 5 号销售单顾客当场改主意，已作废（库存已退回）；6 号为老顾客的两行销售
INSERT OR IGNORE INTO sales_order (id, order_no, customer_id, total_amount, sale_date, operator_id, prescription_id,
    review_by, review_time, status, created_at) VALUES
    (5, 'SAL' || strftime('%Y%m%d', 'now', 'localtime', '-1 days') || '0002', 5, 65.00,
     date('now', 'localtime', '-1 days'), 2, NULL, NULL, NULL, 'voided',
     datetime('now', 'localtime', '-1 days', 'start of day', '+14 hours', '+3 minutes')),
    (6, 'SAL' || strftime('%Y%m%d', 'now', 'localtime', '-1 days') || '0003', 3, 71.00,
     date('now', 'localtime', '-1 days'), 2, NULL, NULL, NULL, 'completed',
     datetime('now', 'localtime', '-1 days', 'start of day', '+16 hours', '+31 minutes'));

INSERT OR IGNORE INTO sales_order_item (id, order_id, product_id, batch_id, batch_no, production_date, expiry_date,
    quantity, unit_price, amount, is_prescription, prescription_id) VALUES
    (8, 5, 10, 7, 'GML240420', date('now', 'localtime', '-330 days'), date('now', 'localtime', '+400 days'),
     2, 15.00, 30.00, 0, NULL),
    (9, 5, 6, 8, 'VC240510', date('now', 'localtime', '-30 days'), date('now', 'localtime', '+700 days'),
     1, 35.00, 35.00, 0, NULL),
    (10, 6, 8, 9, 'LL240701', date('now', 'localtime', '-555 days'), date('now', 'localtime', '+540 days'),
     2, 23.50, 47.00, 0, NULL),
    (11, 6, 13, 12, 'KZ240915', date('now', 'localtime', '-95 days'), date('now', 'localtime', '+1000 days'),
     2, 12.00, 24.00, 0, NULL);

-- ============================================================
-- 10. 库存与预警补充：14 号药品停售前的结余库存（30 天内到期）；7 号供应商经营许可证 8 天后到期
-- ============================================================

INSERT OR IGNORE INTO inventory_batch (id, product_id, supplier_id, batch_no, production_date, expiry_date,
    quantity, rejected_quantity, unit_cost, status, created_at, updated_at) VALUES
    (14, 14, 2, 'XB230306', date('now', 'localtime', '-700 days'), date('now', 'localtime', '+30 days'),
     12, 0, 9.00, 'normal', datetime('now', 'localtime', '-330 days'), datetime('now', 'localtime', '-95 days'));

INSERT OR IGNORE INTO supplier (id, name, license_no, business_license_no, business_scope, address, contact_name,
    contact_phone, license_expire_date, business_license_expire_date, gsp_cert_no, gsp_cert_expire_date, tax_reg_no,
    tax_reg_expire_date, qualification_status, status, created_at, updated_at) VALUES
    (7, '四川蜀康医药有限公司', '川AA0280137', '91510107MA6CJ4WD5P', '中成药,化学药制剂,中药饮片',
     '成都市武侯区科华北路65号', '杨春梅', '028-85427719',
     date('now', 'localtime', '+8 days'), date('now', 'localtime', '+11 years'), 'SC-GSP-2021-0862',
     date('now', 'localtime', '+2 years'), '91510107MA6CJ4WD5P', date('now', 'localtime', '+3 years'),
     'expiring', 'active', datetime('now', 'localtime', '-500 days'), datetime('now', 'localtime', '-500 days'));

-- ============================================================
-- 11. 采购退货与销售退回（作废的退货单未动库存；退货时间为数据库的 UTC 时间）
--     1 号退回 4 号采购单的 B2409105 4 盒（13 号批次 40 -> 36）；2 号已作废
--     3 号为 1 号销售单退回感冒灵颗粒 1 盒（7 号批次 97 -> 98）；4 号已作废
-- ============================================================

INSERT OR IGNORE INTO return_order (id, return_no, return_type, original_order_id, total_amount, return_date,
    operator_id, reason, status, created_at) VALUES
    (1, 'PR' || strftime('%Y%m%d', 'now', 'localtime', '-3 days') || '0001', 'purchase', -1, 63.20,
     date('now', 'localtime', '-3 days'), 1, '外包装受潮，退回供应商', 'completed',
     datetime('now', '-3 days', 'start of day', '+2 hours', '+15 minutes')),
    (2, 'PR' || strftime('%Y%m%d', 'now', 'localtime', '-10 days') || '0001', 'purchase', -1, 96.00,
     date('now', 'localtime', '-10 days'), 2, '到货冷链温度记录缺失', 'voided',
     datetime('now', '-10 days', 'start of day', '+6 hours', '+40 minutes')),
    (3, 'SR' || strftime('%Y%m%d', 'now', 'localtime', '-4 days') || '0001', 'sales', -1, 15.00,
     date('now', 'localtime', '-4 days'), 2, '顾客重复购买，包装未拆封', 'completed',
     datetime('now', '-4 days', 'start of day', '+3 hours', '+5 minutes')),
    (4, 'SR' || strftime('%Y%m%d', 'now', 'localtime', '-1 days') || '0001', 'sales', -1, 35.00,
     date('now', 'localtime', '-1 days'), 1, '录入错误', 'voided',
     datetime('now', '-1 days', 'start of day', '+7 hours', '+30 minutes'));

INSERT OR IGNORE INTO return_order_item (id, return_id, product_id, batch_id, batch_no, production_date,
    expiry_date, original_order_no, quantity, unit_price, amount, reason) VALUES
    (1, 1, 2, 13, 'B2409105', date('now', 'localtime', '-195 days'), date('now', 'localtime', '+900 days'),
     'PUR' || strftime('%Y%m%d', 'now', 'localtime', '-7 days') || '0004', 4, 15.80, 63.20,
     '外包装受潮，退回供应商'),
    (2, 2, 9, 10, 'YDS240805', date('now', 'localtime', '-430 days'), date('now', 'localtime', '+300 days'),
     'PUR' || strftime('%Y%m%d', 'now', 'localtime', '-30 days') || '0003', 2, 48.00, 96.00,
     '到货冷链温度记录缺失'),
    (3, 3, 10, 7, 'GML240420', date('now', 'localtime', '-330 days'), date('now', 'localtime', '+400 days'),
     'SAL' || strftime('%Y%m%d', 'now', 'localtime', '-5 days') || '0001', 1, 15.00, 15.00,
     '顾客重复购买，包装未拆封'),
    (4, 4, 6, 8, 'VC240510', date('now', 'localtime', '-30 days'), date('now', 'localtime', '+700 days'),
     'SAL' || strftime('%Y%m%d', 'now', 'localtime', '-1 days') || '0001', 1, 35.00, 35.00, '录入错误');

-- ============================================================
-- 12. 盘点单（1 号全盘已审核，账实相符；2 号抽盘为草稿，板蓝根颗粒少 1 袋待审核）
-- ============================================================

INSERT OR IGNORE INTO inventory_check (id, check_no, check_type, check_date, operator_id, status, remark,
    created_at, approved_at, approved_by) VALUES
    (1, 'CHK' || strftime('%Y%m%d', 'now', 'localtime', '-20 days') || '0001', 'full',
     date('now', 'localtime', '-20 days'), 2, 'approved', '月度全盘（部分货架）',
     datetime('now', '-20 days', 'start of day', '+8 hours'), datetime('now', '-20 days', 'start of day', '+9 hours'),
     1),
    (2, 'CHK' || strftime('%Y%m%d', 'now', 'localtime', '-1 days') || '0001', 'spot',
     date('now', 'localtime', '-1 days'), 2, 'draft', '中药颗粒剂抽盘',
     datetime('now', '-1 days', 'start of day', '+6 hours'), NULL, NULL);

INSERT OR IGNORE INTO inventory_check_item (id, check_id, product_id, batch_id, batch_no, production_date,
    expiry_date, system_quantity, actual_quantity, diff_quantity, diff_reason, remark) VALUES
    (1, 1, 8, 9, 'LL240701', date('now', 'localtime', '-555 days'), date('now', 'localtime', '+540 days'),
     60, 60, 0, NULL, NULL),
    (2, 1, 9, 10, 'YDS240805', date('now', 'localtime', '-430 days'), date('now', 'localtime', '+300 days'),
     20, 20, 0, NULL, '冷藏柜 2-8℃'),
    (3, 1, 4, 2, 'M231108', date('now', 'localtime', '-1050 days'), date('now', 'localtime', '+45 days'),
     50, 50, 0, NULL, NULL),
    (4, 2, 7, 6, 'BLG240512', date('now', 'localtime', '-610 days'), date('now', 'localtime', '+120 days'),
     79, 78, -1, '包装破损报损 1 袋', NULL),
    (5, 2, 10, 7, 'GML240420', date('now', 'localtime', '-330 days'), date('now', 'localtime', '+400 days'),
     98, 98, 0, NULL, NULL);

-- ============================================================
-- 13. 月度养护检查（前五个月各一次，三个月前复查一次；本月尚未检查）
-- ============================================================

INSERT OR IGNORE INTO maintenance_check (id, check_month, check_date, checked_by, humidity_normal,
    temperature_normal, storage_condition_ok, facilities_ok, pest_control_ok, remark, created_at) VALUES
    (1, CAST(strftime('%Y%m', 'now', 'localtime', 'start of month', '-5 months') AS INTEGER),
     date('now', 'localtime', 'start of month', '-5 months', '+4 days'), 1, 1, 1, 1, 1, 1, '各项检查正常',
     datetime('now', 'localtime', 'start of month', '-5 months', '+4 days', '+10 hours')),
    (2, CAST(strftime('%Y%m', 'now', 'localtime', 'start of month', '-4 months') AS INTEGER),
     date('now', 'localtime', 'start of month', '-4 months', '+5 days'), 2, 1, 1, 1, 1, 0,
     '仓库角落粘鼠板失效，已更换', datetime('now', 'localtime', 'start of month', '-4 months', '+5 days', '+9 hours')),
    (3, CAST(strftime('%Y%m', 'now', 'localtime', 'start of month', '-3 months') AS INTEGER),
     date('now', 'localtime', 'start of month', '-3 months', '+3 days'), 2, 0, 1, 1, 1, 1,
     '阴雨天气湿度偏高，已开启除湿机', datetime('now', 'localtime', 'start of month', '-3 months', '+3 days', '+9 hours')),
    (4, CAST(strftime('%Y%m', 'now', 'localtime', 'start of month', '-3 months') AS INTEGER),
     date('now', 'localtime', 'start of month', '-3 months', '+10 days'), 1, 1, 1, 1, 1, 1, '复查：湿度已恢复正常',
     datetime('now', 'localtime', 'start of month', '-3 months', '+10 days', '+15 hours')),
    (5, CAST(strftime('%Y%m', 'now', 'localtime', 'start of month', '-2 months') AS INTEGER),
     date('now', 'localtime', 'start of month', '-2 months', '+4 days'), 1, 1, 1, 0, 1, 1,
     '阴凉区空调温控失灵，冷藏药品已转移，空调已报修',
     datetime('now', 'localtime', 'start of month', '-2 months', '+4 days', '+11 hours')),
    (6, CAST(strftime('%Y%m', 'now', 'localtime', 'start of month', '-1 months') AS INTEGER),
     date('now', 'localtime', 'start of month', '-1 months', '+6 days'), 2, 1, 1, 1, 1, 1, NULL,
     datetime('now', 'localtime', 'start of month', '-1 months', '+6 days', '+10 hours'));

-- ============================================================
-- 14. 不合格药品登记（4、5、8、10 号批次的库存已扣除审核确认的数量；
--     8 号批次 2 盒已确认、待处理，仍单独存放；3、2 号批次的登记尚待审核）
-- ============================================================

INSERT OR IGNORE INTO unqualified_drug (id, product_id, product_name, barcode, product_spec, manufacturer, batch_id,
    batch_no, production_date, expiry_date, quantity, supplier_id, supplier_name, reason, reason_remark, report_date,
    found_by, status, process_type, process_date, process_by, remark, created_at) VALUES
    (1, 2, '布洛芬缓释胶囊', '6932140500213', '0.3g*20粒', '天平药业（天津）有限公司', 4, 'B2310021',
     date('now', 'localtime', '-570 days'), date('now', 'localtime', '+160 days'), 1, 1, '上海康联医药有限公司',
     'damaged', '货架跌落，铝塑板破裂', date('now', 'localtime', '-40 days'), 2, 'processed', 'writeoff',
     date('now', 'localtime', '-38 days'), 1, NULL,
     datetime('now', 'localtime', '-40 days', 'start of day', '+10 hours', '+20 minutes')),
    (2, 9, '重组人胰岛素注射液', '6925607800041', '3ml:300单位', '通化长白生物制药有限公司', 10, 'YDS240805',
     date('now', 'localtime', '-430 days'), date('now', 'localtime', '+300 days'), 2, 3, '浙江仁和堂医药有限公司',
     'abnormal', '冷藏柜夜间断电约 6 小时，药液出现浑浊', date('now', 'localtime', '-15 days'), 1, 'processed',
     'return', date('now', 'localtime', '-10 days'), 1, '供应商已开具退货凭证',
     datetime('now', 'localtime', '-15 days', 'start of day', '+8 hours', '+40 minutes')),
    (3, 5, '头孢克肟分散片', '6923504100518', '0.1g*6片', '广康制药有限公司', 5, 'TB240601',
     date('now', 'localtime', '-655 days'), date('now', 'localtime', '+75 days'), 1, 2, '江苏恒泰医药有限公司',
     'failed', '药监部门抽检：溶出度不符合规定', date('now', 'localtime', '-12 days'), 1, 'processed', 'destroy',
     date('now', 'localtime', '-9 days'), 2, '在质量负责人监督下销毁',
     datetime('now', 'localtime', '-12 days', 'start of day', '+14 hours', '+5 minutes')),
    (4, 6, '维生素C泡腾片', '6951708200362', '1g*10片', '华康制药股份有限公司', 8, 'VC240510',
     date('now', 'localtime', '-30 days'), date('now', 'localtime', '+700 days'), 2, 3, '浙江仁和堂医药有限公司',
     'moisture', '仓库墙角返潮，两盒药片粘连变色', date('now', 'localtime', '-6 days'), 2, 'confirmed', NULL, NULL,
     NULL, '已移入不合格品区', datetime('now', 'localtime', '-6 days', 'start of day', '+9 hours', '+15 minutes')),
    (5, 12, '藿香正气水', '6935502900286', '10ml*10支', '蜀中药业股份有限公司', 3, 'HX230915',
     date('now', 'localtime', '-740 days'), date('now', 'localtime', '-10 days'), 30, 1, '上海康联医药有限公司',
     'expired', '近效期检查发现已过有效期', date('now', 'localtime', '-1 days'), 2, 'pending', NULL, NULL, NULL,
     NULL, datetime('now', 'localtime', '-1 days', 'start of day', '+16 hours', '+30 minutes')),
    (6, 4, '蒙脱石散', '6917230400345', '3g*10袋', '博安制药（天津）有限公司', 2, 'M231108',
     date('now', 'localtime', '-1050 days'), date('now', 'localtime', '+45 days'), 6, 1, '上海康联医药有限公司',
     'recall', '生产企业主动召回该批次', date('now', 'localtime'), 1, 'pending', NULL, NULL, NULL,
     '待供应商确认回收方式', datetime('now', 'localtime', '-20 minutes'));
