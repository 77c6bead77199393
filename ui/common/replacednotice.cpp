#include "ui/common/replacednotice.h"

#include "core/databasemanager.h"
#include "core/transaction.h"
#include "ui/common/prompts.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace kestrovalin {

namespace {

// Untold from the keeper's call until a box is answered; while no window can take the box, the next window
// shown or activated is tried.
class ReplacedFileNotice : public QObject {
public:
    explicit ReplacedFileNotice(QObject* parent) : QObject(parent) {}

    QPointer<QWidget> home;
    std::function<void(const QString&)> whileHidden;

    // From inside whatever read or write noticed it: the box comes once that is done.
    void noticed() {
        m_untold = true;
        QMetaObject::invokeMethod(
            this, [this] { tell(true); }, Qt::QueuedConnection);
    }

    void forget() {
        m_untold = false;
        waitForAWindow(false);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if ((event->type() == QEvent::Show || event->type() == QEvent::WindowActivate) &&
            watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow())
            QMetaObject::invokeMethod(
                this, [this] { tell(false); }, Qt::QueuedConnection);
        return false;
    }

private:
    void tell(bool first) {
        if (!m_untold || m_boxOpen)
            return;
        const IDbAdapter* db = DatabaseManager::instance().getAdapter();
        // A file opened since has nothing to tell.
        if (!db || !db->isReplaced())
            return forget();
        const QString text = replacedFileNotice(db);
        QWidget* over = QApplication::activeModalWidget();
        if (!over)
            over = QApplication::activeWindow();
        // Where the program is not the active one, or its active window is just closing.
        if (!over || !over->isVisible())
            over = home && home->isVisible() ? home.data() : nullptr;
        if (!over) {
            if (first && whileHidden)
                whileHidden(text);
            return waitForAWindow(true);
        }
        waitForAWindow(false);
        m_boxOpen = true;
        QPointer<ReplacedFileNotice> self(this);
        Prompts::notice(over, QString::fromUtf8(kProgramName), text, [self](bool answered) {
            if (!self)
                return;
            self->m_boxOpen = false;
            if (answered)
                self->m_untold = false;
            else
                QMetaObject::invokeMethod(
                    self, [self] { self->tell(false); }, Qt::QueuedConnection);
        });
    }

    void waitForAWindow(bool wait) {
        if (wait == m_waiting)
            return;
        m_waiting = wait;
        if (wait)
            qApp->installEventFilter(this);
        else
            qApp->removeEventFilter(this);
    }

    bool m_untold = false;
    bool m_boxOpen = false;
    bool m_waiting = false;
};

ReplacedFileNotice& notice() {
    static QPointer<ReplacedFileNotice> one;
    if (!one)
        one = new ReplacedFileNotice(qApp);
    return *one;
}

} // namespace

void watchForReplacedFile(QWidget* home, std::function<void(const QString&)> whileHidden) {
    ReplacedFileNotice& n = notice();
    if (home) {
        n.home = home;
        n.whileHidden = std::move(whileHidden);
    }
    DatabaseManager::instance().setReplacementNotice([] { notice().noticed(); });
}

void stopWatchingForReplacedFile(QWidget* home) {
    ReplacedFileNotice& n = notice();
    if (n.home != home)
        return;
    n.home = nullptr;
    n.whileHidden = nullptr;
    n.forget();
    DatabaseManager::instance().setReplacementNotice(nullptr);
}

} // namespace kestrovalin
