# Non-conforming drugs: the register's repository and codes, its window, registration dialog and batch
# picker, the detail dialog and the record book.
target_sources(kvcore PRIVATE
    repositories/rejecteddrugcodes.h repositories/rejecteddrugcodes.cpp
    repositories/rejecteddrugrepository.h repositories/rejecteddrugrepository.cpp
    ui/quality/rejecteddrugformat.h ui/quality/rejecteddrugformat.cpp
    ui/quality/rejecteddrugselectiondialog.h ui/quality/rejecteddrugselectiondialog.cpp
    ui/quality/rejecteddrugdialog.h ui/quality/rejecteddrugdialog.cpp
    ui/quality/rejecteddrugdetaildialog.h ui/quality/rejecteddrugdetaildialog.cpp
    ui/quality/rejecteddrugdetaildialog.ui
    ui/quality/rejecteddrugwindow.h ui/quality/rejecteddrugwindow.cpp ui/quality/rejecteddrugwindow.ui
    ui/reports/rejecteddrugreportwindow.h ui/reports/rejecteddrugreportwindow.cpp
    ui/reports/rejecteddrugreportwindow.ui
)
