# Temperature and humidity readings: the record window and the record book.
target_sources(kvcore PRIVATE
    ui/quality/qualityformat.h ui/quality/qualityformat.cpp
    ui/quality/temphumidityrecordwindow.h ui/quality/temphumidityrecordwindow.cpp
    ui/quality/temphumidityrecordwindow.ui
    ui/reports/temphumidityreportwindow.h ui/reports/temphumidityreportwindow.cpp
    ui/reports/temphumidityreportwindow.ui
)
