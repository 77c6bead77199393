#pragma once

class QDialogButtonBox;

namespace kestrovalin {

// Gives a form's standard buttons their Chinese labels ("确定", "取消"), whatever translations the system
// has.
void useChineseLabels(QDialogButtonBox* box);

} // namespace kestrovalin
