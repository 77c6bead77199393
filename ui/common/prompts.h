#pragma once

#include <QLineEdit>
#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace kestrovalin {

// The program's name: the title of what it says about itself (a tray message, the replaced-file notice).
inline constexpr char kProgramName[] = "柯斯洛";

// The one seam for message boxes, input boxes and file dialogs. The program shows the real Qt dialogs; a test
// switches on test mode, queues the answers it wants and reads back what was asked.
class Prompts {
public:
    enum class Kind { Information, Warning, Critical, Question, Choice, Input, OpenFile, SaveFile };
    struct Record {
        Kind kind;
        QString title;
        QString text;
    };

    static void information(QWidget* parent, const QString& title, const QString& text);
    static void warning(QWidget* parent, const QString& title, const QString& text);
    static void critical(QWidget* parent, const QString& title, const QString& text);
    // A warning that opens and returns at once (no event loop of its own) over `parent`: for news that may
    // come while a form runs its own loop. Until answered it blocks every window of the program and keeps the
    // front and the keys; answered, `parent`'s window gets them back. The box goes when it is closed;
    // `closed` then learns whether it was answered, or went with its parent unread (a form that closed
    // itself; one minimised keeps it). A test's notice counts as answered at once.
    static void notice(QWidget* parent, const QString& title, const QString& text,
                       std::function<void(bool answered)> closed = {});
    // Yes/No question; true for Yes. A question that warns (go on despite a risk?) shows the warning icon.
    static bool question(QWidget* parent, const QString& title, const QString& text,
                         QMessageBox::StandardButton defaultButton = QMessageBox::No,
                         QMessageBox::Icon icon = QMessageBox::Question);
    // A box with buttons of our own; returns the index of the pressed one, or escapeIndex when escaped.
    // An informative text goes under the main text; the history records both, one per line.
    static int choose(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
                      const QStringList& buttons, int defaultIndex = 0, int escapeIndex = -1,
                      const QString& informativeText = QString());
    // Input box; *ok tells whether it was accepted. The text comes back untrimmed; empty when cancelled.
    static QString getText(QWidget* parent, const QString& title, const QString& label,
                           QLineEdit::EchoMode echo = QLineEdit::Normal, const QString& text = QString(),
                           bool* ok = nullptr);
    // Integer input box within [minimum, maximum]; *ok tells whether it was accepted. Cancelled, it gives
    // back the starting value.
    static int getInt(QWidget* parent, const QString& title, const QString& label, int value = 0,
                      int minimum = -2147483647, int maximum = 2147483647, int step = 1, bool* ok = nullptr);
    // Choice of one item from a drop-down list; *ok tells whether it was accepted. Cancelled, it gives back
    // the item at `current`.
    static QString getItem(QWidget* parent, const QString& title, const QString& label,
                           const QStringList& items, int current = 0, bool* ok = nullptr);
    static QString getOpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                                   const QString& filter);
    static QString getSaveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                   const QString& filter);
    // A failure's text followed, on its own line, by why it failed, when the repository said: a refusal
    // ("作废订单失败\n该订单已作废") or the database file's trouble
    // ("...\n数据库正被其他程序占用，请稍后重试"). Without a reason the text stays as it is.
    static QString withReason(const QString& text, const QString& reason);
    // The same for a text that carries a guess at the cause ("新增销售单失败" + "，请检查库存是否充足"): a
    // known reason takes the guess's place, which stays only when nothing better is known.
    static QString withReason(const QString& text, const QString& reason, const QString& guess);

    // --- test side ---
    static void setTestMode(bool on);
    static bool testMode();
    static void reset(); // forget queued answers and history
    static void queueQuestion(bool yes);
    static void queueChoice(int index);
    static void queueText(const QString& text, bool ok = true);
    // Answers the next getInt; a value outside the box's range is clamped into it, as the box would.
    static void queueInt(int value, bool ok = true);
    // Answers the next getItem with the item of that index.
    static void queueItem(int index, bool ok = true);
    static void queueFileName(const QString& path);
    static const QList<Record>& history();
    static Record last();
    static QString lastTitle() { return last().title; }
    static QString lastText() { return last().text; }
};

} // namespace kestrovalin
