#pragma once

#include <QString>

#include <optional>

namespace kestrovalin {

// The data file runs in write-ahead-log mode, whose shared memory works only among processes of one
// computer: over a network share, copies on two computers can damage the file.

// The network file system a statfs type stands for ("NFS", "SMB", "CIFS", "SMB2"); empty for any other.
// Only the low 32 bits count: where the type is a signed 32-bit word, CIFS and SMB2 come sign-extended.
QString networkFileSystemName(qint64 statfsType);

// The network file system the folder lies on, empty when it is local or cannot be told; *statfsType gets
// the folder's type when it could be read.
QString networkFileSystemOf(const QString& folder, qint64* statfsType = nullptr);

// Tests stand in a statfs type for every folder, so the start meets a share without one; unset, the
// folder's own type is read.
void setFileSystemTypeForTesting(std::optional<qint64> statfsType);

} // namespace kestrovalin
