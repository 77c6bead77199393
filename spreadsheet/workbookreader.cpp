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
const QString WorkbookReader::kNotWorkbook = QStringLiteral(
    "不是 Excel 工作簿（可能是改了扩展名的 CSV 文件）。请在表格软件中打开并另存为 .xlsx 后再导入。");
const QString WorkbookReader::kEmptyFile = QStringLiteral(
    "文件是空的（0 字节），没有可读取的内容。请确认选择的文件，或在表格软件中重新保存后再导入。");
const QString WorkbookReader::kNoWorkbookParts = QStringLiteral(
    "文件是压缩包，但其中没有 Excel 工作簿的内容（可能是其他软件的文件改了扩展名）。请在表格软件中"
    "打开并另存为 .xlsx 后再导入。");
const QString WorkbookReader::kFileTooLarge =
    QStringLiteral("文件超过 64 MB，无法读取。请在表格软件中另存为 .xlsx，或分成几个文件后再导入。");
const QString WorkbookReader::kContentTooLarge =
    QStringLiteral("文件内容超过可读取的上限（解压后 128 MB，约 20 万行）。请分成几个文件后再导入。");
const QString WorkbookReader::kStringTableTooLarge =
    QStringLiteral("文件中的文字超过可读取的上限（字符串表过大）。请分成几个文件后再导入。");
const QString WorkbookReader::kCellTooLong =
    QStringLiteral("有单元格超过 32767 个字符（表格软件的上限），文件可能已损坏。");
const QString WorkbookReader::kZip64 =
    QStringLiteral("文件以 ZIP64 格式保存，无法读取。请在表格软件中打开并另存为 .xlsx 后再导入。");

namespace {

enum class FileKind { Zip, Compound, Empty, Unknown, Other, Forbidden };

// Follows links: a link to a pipe is a pipe. A file, or a folder on its way, that this user may not read
// is Forbidden.
FileKind sniff(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0)
        return errno == EACCES ? FileKind::Forbidden : FileKind::Other;
    if (!S_ISREG(info.st_mode))
        return FileKind::Other;
    if (info.st_size == 0)
        return FileKind::Empty;
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
    return FileKind::Unknown;
}

} // namespace

QString WorkbookReader::refusalText(SheetRefusal refusal) {
    switch (refusal) {
    case SheetRefusal::None:
        break;
    case SheetRefusal::FileSize:
        return kFileTooLarge;
    case SheetRefusal::Content:
        return kContentTooLarge;
    case SheetRefusal::StringTable:
        return kStringTableTooLarge;
    case SheetRefusal::CellText:
        return kCellTooLong;
    case SheetRefusal::Zip64:
        return kZip64;
    case SheetRefusal::NoWorkbook:
        return kNoWorkbookParts;
    }
    return QString();
}

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
    case FileKind::Empty:
        detail = QStringLiteral("empty file");
        m_reason = kEmptyFile;
        break;
    case FileKind::Unknown:
        detail = QStringLiteral("not a workbook (unknown signature)");
        m_reason = kNotWorkbook;
        break;
    case FileKind::Other:
        detail = QStringLiteral("not a workbook (not a regular file or unreadable)");
        break;
    case FileKind::Forbidden:
        detail = QStringLiteral("no permission to read the file");
        m_reason = kNoPermission;
        break;
    }
    if (status == SheetStatus::Ok && m_sheet.hasOverlongText()) {
        status = SheetStatus::Unreadable;
        m_sheet.refusal = SheetRefusal::CellText;
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
        if (m_reason.isEmpty())
            m_reason = refusalText(m_sheet.refusal);
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
