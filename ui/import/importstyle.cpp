#include "ui/import/importstyle.h"

namespace kestrovalin {

QString importDialogStyleSheet() {
    return QStringLiteral(
        "QDialog { background-color: #f5f7fa; }"
        "QPushButton { background-color: #4a9c7c; color: white; border: none; border-radius: 6px; "
        "padding: 8px 16px; font-weight: bold; }"
        "QPushButton:hover { background-color: #3d8568; }"
        "QPushButton:pressed { background-color: #2d7d5f; }"
        "QPushButton:disabled { background-color: #a0a0a0; color: #d0d0d0; }"
        "QLineEdit { border: 2px solid #d0d0d0; border-radius: 4px; padding: 6px 10px; "
        "background-color: #fafafa; }"
        "QLineEdit:focus { border: 2px solid #4a9c7c; }"
        "QTextEdit { border: 2px solid #d0d0d0; border-radius: 4px; padding: 8px; background-color: #fafafa; "
        "}"
        "QTextEdit:focus { border: 2px solid #4a9c7c; }"
        "QLabel { color: #333333; }"
        "QLabel#labelStepsTitle, QLabel#labelResultTitle { color: #2d7d5f; font-weight: bold; padding: 2px "
        "0; }"
        "QFrame#separator { color: #d0d0d0; margin: 4px 0; }"
        "QDialogButtonBox QPushButton { background-color: #6c757d; padding: 8px 20px; }"
        "QDialogButtonBox QPushButton:hover { background-color: #5a6268; }"
        // Message boxes opened over the dialog inherit this sheet; keep their button labels readable.
        "QMessageBox QPushButton { color: #333333; }");
}

} // namespace kestrovalin
