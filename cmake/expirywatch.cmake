# Expiry and qualification watch: the supplier qualification warning window, the near-expiry book and the
# supplier qualification book.
target_sources(kvcore PRIVATE
    ui/quality/qualificationwarningwindow.h ui/quality/qualificationwarningwindow.cpp
    ui/quality/qualificationwarningwindow.ui
    ui/reports/expiryreportwindow.h ui/reports/expiryreportwindow.cpp ui/reports/expiryreportwindow.ui
    ui/reports/supplierreportwindow.h ui/reports/supplierreportwindow.cpp ui/reports/supplierreportwindow.ui
)
