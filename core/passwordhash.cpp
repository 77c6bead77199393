#include "core/passwordhash.h"

#include <QCryptographicHash>

namespace kestrovalin {

QString hashPassword(const QString& password) {
    return QString::fromLatin1(
        QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Sha256).toHex());
}

} // namespace kestrovalin
