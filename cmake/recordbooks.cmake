# The purchase, acceptance and sales record books.
target_sources(kvcore PRIVATE
    ui/reports/recordbook.h ui/reports/recordbook.cpp
    ui/reports/purchasereportwindow.h ui/reports/purchasereportwindow.cpp ui/reports/purchasereportwindow.ui
    ui/reports/acceptancereportwindow.h ui/reports/acceptancereportwindow.cpp
    ui/reports/acceptancereportwindow.ui
    ui/reports/salesrecordreportwindow.h ui/reports/salesrecordreportwindow.cpp
    ui/reports/salesrecordreportwindow.ui
)
