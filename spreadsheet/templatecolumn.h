#pragma once

#include <QString>

namespace kestrovalin {

// One column of an import template: its title in row 1, its width and a sample value in row 2.
struct TemplateColumn {
    QString title;
    double width = 10;
    QString sample;
    // Code columns (barcodes, licence numbers) are formatted as text, so long numbers typed later stay
    // digits instead of turning into 6.90123E+12.
    bool text = false;
};

} // namespace kestrovalin
