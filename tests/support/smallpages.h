#pragma once

#include "ui/common/rowtablemodel.h"

namespace kestrovalin::test {

// While alive, paged lists read pages of a few rows and, with keptPages, hold at most that many pages, so
// that a handful of rows crosses page boundaries and drops pages.
class SmallPages {
public:
    explicit SmallPages(int pageRows, int keptPages = 0) {
        RowTableModel::setPagingForTesting(pageRows, keptPages);
    }
    ~SmallPages() { RowTableModel::setPagingForTesting(0, 0); }
    SmallPages(const SmallPages&) = delete;
    SmallPages& operator=(const SmallPages&) = delete;
};

} // namespace kestrovalin::test
