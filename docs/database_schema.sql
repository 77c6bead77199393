-- 柯斯洛 (kestrovalin) — 数据库初始化脚本（内嵌版）
-- 每条语句以分号结束；注释从两个减号起到行尾。

-- ============================================================
-- 1. 系统模块
-- ============================================================

CREATE TABLE IF NOT EXISTS sys_user (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    username TEXT NOT NULL UNIQUE,
    password_hash TEXT NOT NULL,
    real_name TEXT NOT NULL,
    role TEXT NOT NULL DEFAULT 'clerk',
    status INTEGER NOT NULL DEFAULT 1,
    created_at DATETIME,
    updated_at DATETIME
);

CREATE TABLE IF NOT EXISTS sys_config (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    config_key TEXT NOT NULL UNIQUE,
    config_value TEXT NOT NULL,
    description TEXT
);

CREATE TABLE IF NOT EXISTS sys_operation_log (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    user_id INTEGER,
    user_name TEXT,
    module TEXT NOT NULL,
    action TEXT NOT NULL,
    detail TEXT,
    ip_address TEXT,
    created_at DATETIME
);

CREATE INDEX IF NOT EXISTS idx_log_module_time ON sys_operation_log(module, created_at);

-- ============================================================
-- 2. 基础数据
-- ============================================================

CREATE TABLE IF NOT EXISTS supplier (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    name TEXT NOT NULL,
    license_no TEXT,
    business_license_no TEXT,
    business_scope TEXT,
    address TEXT,
    contact_name TEXT,
    contact_phone TEXT,
    license_expire_date DATE,
    business_license_expire_date DATE,
    gsp_cert_no TEXT,
    gsp_cert_expire_date DATE,
    tax_reg_no TEXT,
    tax_reg_expire_date DATE,
    qualification_status TEXT NOT NULL DEFAULT 'valid',
    status TEXT NOT NULL DEFAULT 'active',
    created_at DATETIME,
    updated_at DATETIME
);

CREATE INDEX IF NOT EXISTS idx_supplier_status ON supplier(status);

CREATE TABLE IF NOT EXISTS product (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    barcode TEXT UNIQUE,
    name TEXT NOT NULL,
    specification TEXT,
    approval_no TEXT,
    manufacturer TEXT,
    category TEXT,
    storage_condition TEXT,
    is_prescription INTEGER NOT NULL DEFAULT 0,
    unit TEXT,
    purchase_price REAL DEFAULT 0,
    sale_price REAL DEFAULT 0,
    status INTEGER NOT NULL DEFAULT 1,
    created_at DATETIME,
    updated_at DATETIME
);

CREATE INDEX IF NOT EXISTS idx_product_barcode ON product(barcode);
CREATE INDEX IF NOT EXISTS idx_product_name ON product(name);
CREATE INDEX IF NOT EXISTS idx_product_status ON product(status);

-- ============================================================
-- 3. 进销存
-- ============================================================

CREATE TABLE IF NOT EXISTS purchase_order (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    order_no TEXT NOT NULL UNIQUE,
    supplier_id INTEGER NOT NULL,
    total_amount REAL DEFAULT 0,
    inbound_date DATE NOT NULL DEFAULT CURRENT_DATE,
    operator_id INTEGER,
    status TEXT NOT NULL DEFAULT 'completed',
    remark TEXT,
    created_at DATETIME
);

CREATE INDEX IF NOT EXISTS idx_purchase_order_date ON purchase_order(inbound_date);
CREATE INDEX IF NOT EXISTS idx_purchase_order_status ON purchase_order(status);

CREATE TABLE IF NOT EXISTS purchase_order_item (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    order_id INTEGER NOT NULL,
    product_id INTEGER NOT NULL,
    batch_no TEXT NOT NULL,
    production_date DATE NOT NULL,
    expiry_date DATE NOT NULL,
    quantity INTEGER NOT NULL,
    unit_price REAL NOT NULL,
    amount REAL NOT NULL,
    acceptance_result TEXT NOT NULL DEFAULT '合格',
    acceptance_date DATETIME,
    acceptance_by INTEGER,
    remark TEXT
);

CREATE INDEX IF NOT EXISTS idx_purchase_item_order ON purchase_order_item(order_id);
CREATE INDEX IF NOT EXISTS idx_purchase_item_product ON purchase_order_item(product_id);
CREATE INDEX IF NOT EXISTS idx_purchase_item_expiry ON purchase_order_item(expiry_date);
CREATE INDEX IF NOT EXISTS idx_purchase_item_batch ON purchase_order_item(product_id, batch_no);

CREATE TABLE IF NOT EXISTS inventory_batch (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    product_id INTEGER NOT NULL,
    supplier_id INTEGER,
    batch_no TEXT NOT NULL,
    production_date DATE,
    expiry_date DATE NOT NULL,
    quantity INTEGER NOT NULL DEFAULT 0,
    rejected_quantity INTEGER NOT NULL DEFAULT 0,
    unit_cost REAL,
    status TEXT NOT NULL DEFAULT 'normal',
    created_at DATETIME,
    updated_at DATETIME
);

CREATE INDEX IF NOT EXISTS idx_batch_product ON inventory_batch(product_id);
CREATE INDEX IF NOT EXISTS idx_batch_expiry ON inventory_batch(expiry_date);
CREATE INDEX IF NOT EXISTS idx_batch_status ON inventory_batch(status);
CREATE INDEX IF NOT EXISTS idx_batch_product_batch ON inventory_batch(product_id, batch_no);

CREATE TABLE IF NOT EXISTS sales_order (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    order_no TEXT NOT NULL UNIQUE,
    customer_id INTEGER NOT NULL DEFAULT 0,
    total_amount REAL DEFAULT 0,
    sale_date DATE NOT NULL DEFAULT CURRENT_DATE,
    operator_id INTEGER,
    prescription_id INTEGER,
    review_by INTEGER,
    review_time DATETIME,
    status TEXT NOT NULL DEFAULT 'completed',
    created_at DATETIME
);

CREATE INDEX IF NOT EXISTS idx_sales_order_date ON sales_order(sale_date);
CREATE INDEX IF NOT EXISTS idx_sales_order_status ON sales_order(status);
CREATE INDEX IF NOT EXISTS idx_sales_order_prescription ON sales_order(prescription_id);

CREATE TABLE IF NOT EXISTS sales_order_item (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    order_id INTEGER NOT NULL,
    product_id INTEGER NOT NULL,
    batch_id INTEGER,
    batch_no TEXT NOT NULL,
    production_date DATE NOT NULL,
    expiry_date DATE NOT NULL,
    quantity INTEGER NOT NULL,
    unit_price REAL NOT NULL,
    amount REAL NOT NULL,
    is_prescription INTEGER NOT NULL DEFAULT 0,
    prescription_id INTEGER
);

CREATE INDEX IF NOT EXISTS idx_sales_item_order ON sales_order_item(order_id);
CREATE INDEX IF NOT EXISTS idx_sales_item_product ON sales_order_item(product_id);
CREATE INDEX IF NOT EXISTS idx_sales_item_batch ON sales_order_item(batch_id);

CREATE TABLE IF NOT EXISTS return_order (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    return_no TEXT NOT NULL UNIQUE,
    return_type TEXT NOT NULL,
    original_order_id INTEGER,
    total_amount REAL DEFAULT 0,
    return_date DATE NOT NULL DEFAULT CURRENT_DATE,
    operator_id INTEGER,
    reason TEXT,
    status TEXT NOT NULL DEFAULT 'completed',
    created_at DATETIME NOT NULL DEFAULT CURRENT_TIMESTAMP
);

CREATE INDEX IF NOT EXISTS idx_return_order_date ON return_order(return_date);
CREATE INDEX IF NOT EXISTS idx_return_order_type ON return_order(return_type);

CREATE TABLE IF NOT EXISTS return_order_item (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    return_id INTEGER NOT NULL,
    product_id INTEGER NOT NULL,
    batch_id INTEGER NOT NULL DEFAULT 0,
    batch_no TEXT NOT NULL,
    production_date DATE NOT NULL DEFAULT '2000-01-01',
    expiry_date DATE NOT NULL DEFAULT '2099-12-31',
    original_order_no TEXT,
    quantity INTEGER NOT NULL,
    unit_price REAL,
    amount REAL,
    reason TEXT
);

-- ============================================================
-- 4. GSP 合规
-- ============================================================

CREATE TABLE IF NOT EXISTS prescription_record (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    sales_item_id INTEGER NOT NULL,
    prescription_source TEXT,
    physician_name TEXT,
    pharmacist_name TEXT,
    review_date DATETIME,
    prescription_image TEXT,
    notes TEXT,
    created_at DATETIME
);

CREATE TABLE IF NOT EXISTS temperature_record (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    record_date DATE NOT NULL DEFAULT CURRENT_DATE,
    record_time TIME NOT NULL,
    temperature REAL NOT NULL,
    humidity INTEGER NOT NULL,
    temperature_status TEXT NOT NULL DEFAULT 'normal',
    humidity_status TEXT NOT NULL DEFAULT 'normal',
    notes TEXT,
    operator_id INTEGER,
    operator_name TEXT,
    created_at DATETIME
);

CREATE INDEX IF NOT EXISTS idx_temp_record_date ON temperature_record(record_date);

-- ============================================================
-- 5. 种子数据
-- ============================================================

INSERT OR IGNORE INTO sys_config (config_key, config_value, description) VALUES
    ('expiry_warning_days', '180', '近效期预警天数（默认6个月）'),
    ('qualification_warning_days', '30', '供应商资质到期预警天数'),
    ('temperature_min', '0', '温度下限（℃）'),
    ('temperature_max', '30', '温度上限（℃）'),
    ('humidity_min', '35', '湿度下限（%）'),
    ('humidity_max', '75', '湿度上限（%）');
