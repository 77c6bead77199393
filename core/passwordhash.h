#pragma once

#include <QString>

namespace kestrovalin {

// SHA-256 of the UTF-8 bytes of the password exactly as typed, as 64 lower-case hex digits.
QString hashPassword(const QString& password);

} // namespace kestrovalin
