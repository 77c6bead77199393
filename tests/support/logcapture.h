#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace kestrovalin::test {

// Collects Qt log messages while it lives, for asserting log lines. Nested captures are not supported.
class LogCapture {
public:
    LogCapture() : m_previous(qInstallMessageHandler(&LogCapture::handler)) { clear(); }
    ~LogCapture() { qInstallMessageHandler(m_previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Number of messages that contain the text (of any type, or of one type).
    int count(const QString& text) const { return countOf(text, nullptr); }
    int count(QtMsgType type, const QString& text) const { return countOf(text, &type); }
    bool contains(const QString& text) const { return count(text) > 0; }
    void clear() { entries().clear(); }
    QString dump() const {
        QStringList lines;
        for (const Entry& e : entries())
            lines.append(e.second);
        return lines.join(QLatin1Char('\n'));
    }

private:
    using Entry = QPair<QtMsgType, QString>;
    static QList<Entry>& entries() {
        static QList<Entry> list;
        return list;
    }
    static void handler(QtMsgType type, const QMessageLogContext&, const QString& text) {
        entries().append({type, text});
        if (type == QtFatalMsg)
            abort();
    }
    static int countOf(const QString& text, const QtMsgType* type) {
        int n = 0;
        for (const Entry& e : entries())
            n += (!type || e.first == *type) && e.second.contains(text) ? 1 : 0;
        return n;
    }

    QtMessageHandler m_previous;
};

} // namespace kestrovalin::test
