#include "spreadsheet/workbookreader.h"

#include <QDebug>
#include <QFile>

#include <sys/stat.h>

namespace kestrovalin {

const QString WorkbookReader::kOpenFailed = QStringLiteral("无法打开文件，文件可能已损坏或格式不受支持。");
const QString WorkbookReader::kNoSheet = QStringLiteral("文件中没有找到工作表。");
const QString WorkbookReader::kEmptySheet = QStringLiteral("工作表中没有数据。");

namespace {

enum class FileKind { Zip, Compound, Other };

// Follows links: a link to a pipe is a pipe.
bool isRegularFile(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

FileKind sniff(const QString& path) {
    if (!isRegularFile(path))
        return FileKind::Other;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileKind::Other;
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
