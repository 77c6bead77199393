#include "tests/support/logcapture.h"

namespace kestrovalin::test {

namespace {

QList<LogCapture::Entry>& captured() {
    static QList<LogCapture::Entry> entries;
    return entries;
}

void handler(QtMsgType type, const QMessageLogContext&, const QString& text) {
    captured().append({type, text});
    if (type == QtFatalMsg)
        abort();
}

} // namespace

LogCapture::LogCapture() {
    captured().clear();
    m_previous = qInstallMessageHandler(handler);
}

LogCapture::~LogCapture() {
    qInstallMessageHandler(m_previous);
}

const QList<LogCapture::Entry>& LogCapture::entries() const {
    return captured();
}

int LogCapture::count(const QString& text) const {
    int n = 0;
    for (const Entry& e : captured())
        n += e.text.contains(text) ? 1 : 0;
    return n;
}

int LogCapture::count(QtMsgType type, const QString& text) const {
    int n = 0;
    for (const Entry& e : captured())
        n += (e.type == type && e.text.contains(text)) ? 1 : 0;
    return n;
}

void LogCapture::clear() {
    captured().clear();
}

QString LogCapture::dump() const {
    QStringList lines;
    for (const Entry& e : captured())
        lines.append(e.text);
    return lines.join(QLatin1Char('\n'));
}

} // namespace kestrovalin::test
