#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

namespace kestrovalin::test {

// Collects Qt log messages while it lives, for asserting log lines. Nested captures are not supported.
class LogCapture {
public:
    struct Entry {
        QtMsgType type;
        QString text;
    };

    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const QList<Entry>& entries() const;
    // Number of messages that contain the text (optionally of one type).
    int count(const QString& text) const;
    int count(QtMsgType type, const QString& text) const;
    bool contains(const QString& text) const { return count(text) > 0; }
    void clear();
    QString dump() const;

private:
    QtMessageHandler m_previous;
};

} // namespace kestrovalin::test
