#pragma once

#include <QMetaType>
#include <QString>

namespace kestrovalin::models {

struct Product {
    int id = -1;
    QString barcode;
    QString name;
    QString mnemonicCode;
    QString specification;
    QString approvalNo;
    QString manufacturer;
    QString category;
    QString storageCondition;
    bool isPrescription = false;
    QString unit;
    double purchasePrice = 0.0;
    double salePrice = 0.0;
    int status = 1; // 1 active, 0 deleted
    QString createdAt;
    QString updatedAt;
    // The row as it was read (see saveUnchanged): a save is refused once the stored row no longer matches it.
    // A record not read from the table has none, and no save goes through with it.
    QString rowToken{};

    // The highest price the product form takes; the import holds files to it too.
    static constexpr double kMaxPrice = 100000;

    // A product form without a name is a cancelled or incomplete entry.
    bool isValid() const { return !name.isEmpty(); }
};

} // namespace kestrovalin::models

Q_DECLARE_METATYPE(kestrovalin::models::Product)
