#pragma once

#include <QString>

namespace kestrovalin {

// The import-dialog style sheet family, shared by the product and supplier import dialogs.
QString importDialogStyleSheet();

} // namespace kestrovalin
