#include "spreadsheet/workbookreader.h"

#include <QDebug>
#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrovalin {

const QString WorkbookReader::kOpenFailed = QStringLiteral("无法打开文件，文件可能已损坏或格式不受支持。");
const QString WorkbookReader::kNoSheet = QStringLiteral("文件中没有找到工作表。");
const QString WorkbookReader::kEmptySheet = QStringLiteral("工作表中没有数据。");
const QString WorkbookReader::kPasswordProtected =
    QStringLiteral("文件设有密码保护（已加密），无法读取。请在表格软件中取消密码并另存后再导入。");
const QString WorkbookReader::kNoPermission =
    QStringLiteral("没有读取该文件的权限。请检查文件的权限，或将文件复制到有权限的位置后再导入。");

namespace {

enum class FileKind { Zip, Compound, Other, Forbidden };

// Follows links: a link to a pipe is a pipe. A file, or a folder on its way, that this user may not read
// is Forbidden.
FileKind sniff(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0)
        return errno == EACCES ? FileKind::Forbidden : FileKind::Other;
    if (!S_ISREG(info.st_mode))
        return FileKind::Other;
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == EACCES || errno == EPERM ? FileKind::Forbidden : FileKind::Other;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return FileKind::Other;
    }
    const QByteArray head = file.read(4);
    if (head == QByteArray("PK\x03\x04", 4))
        return FileKind::Zip;
    if (head == QByteArray("\xD0\xCF\x11\xE0", 4))
        return FileKind::Compound;
    return FileKind::Other;
}

} // namespace

WorkbookReader::WorkbookReader(int maxColumn) : m_maxColumn(maxColumn), m_sheet(maxColumn) {}

bool WorkbookReader::open(const QString& path) {
    m_sheet = SheetData(m_maxColumn);
    m_sheet.progress = m_progress;
    m_error.clear();
    m_reason.clear();
    QString detail;
    SheetStatus status = SheetStatus::Unreadable;
    switch (sniff(path)) {
    case FileKind::Zip:
        status = readXlsxFirstSheet(path, m_sheet, detail);
        break;
    case FileKind::Compound:
        status = readXlsFirstSheet(path, m_sheet, detail);
        break;
    case FileKind::Other:
        detail = QStringLiteral("not a workbook (not a regular file, unknown signature or unreadable)");
        break;
    case FileKind::Forbidden:
        detail = QStringLiteral("no permission to read the file");
        m_reason = kNoPermission;
        break;
    }
    if (status == SheetStatus::Ok && m_sheet.hasOverlongText()) {
        status = SheetStatus::Unreadable;
        detail = QStringLiteral("cell text longer than %1 characters").arg(SheetData::kMaxCellText);
    }
    if (status == SheetStatus::Ok && m_sheet.lastRow() == 0)
        status = SheetStatus::EmptySheet;
    switch (status) {
    case SheetStatus::Ok:
        qDebug().noquote() << "Workbook read:" << path << "last row" << m_sheet.lastRow() << "last column"
                           << m_sheet.lastColumn();
        return true;
    case SheetStatus::Unreadable:
        m_error = kOpenFailed;
        break;
    case SheetStatus::Encrypted:
        m_error = kOpenFailed;
        m_reason = kPasswordProtected;
        break;
    case SheetStatus::NoSheet:
        m_error = kNoSheet;
        break;
    case SheetStatus::EmptySheet:
        m_error = kEmptySheet;
        break;
    }
    qWarning().noquote() << "Workbook open failed:" << path << (detail.isEmpty() ? QString() : detail);
    m_sheet = SheetData(m_maxColumn);
    return false;
}

} // namespace kestrovalin
