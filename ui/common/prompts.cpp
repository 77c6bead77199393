#include "ui/common/prompts.h"

#include "ui/common/buttonbox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QQueue>

#include <utility>

namespace kestrovalin {

namespace {

struct State {
    bool testMode = false;
    QQueue<bool> questions;
    QQueue<int> choices;
    QQueue<QPair<QString, bool>> texts;
    QQueue<QPair<int, bool>> ints;
    QQueue<QPair<int, bool>> items;
    QQueue<QString> fileNames;
    QList<Prompts::Record> history;
};

State& state() {
    static State s;
    return s;
}

void record(Prompts::Kind kind, const QString& title, const QString& text) {
    state().history.append({kind, title, text});
}

// The sheet's min-width turns into an explicit minimum below a long label's width, and the box then
// squeezes such buttons to it; keep every label whole.
void keepButtonLabelsWhole(QMessageBox& box) {
    for (QAbstractButton* button : box.buttons()) {
        button->ensurePolished();
        button->setMinimumWidth(button->sizeHint().width());
    }
}

// Texts carry names users typed; never let them render as markup.
void dressBox(QMessageBox& box) {
    box.setTextFormat(Qt::PlainText);
    // The program speaks Chinese whatever translations the system has installed.
    const QList<QPair<QMessageBox::StandardButton, QString>> labels = {
        {QMessageBox::Ok, QStringLiteral("确定")},
        {QMessageBox::Yes, QStringLiteral("是")},
        {QMessageBox::No, QStringLiteral("否")}};
    for (const auto& label : labels) {
        if (QAbstractButton* button = box.button(label.first))
            button->setText(label.second);
    }
    frameButtons(&box);
    keepButtonLabelsWhole(box);
}

QMessageBox::StandardButton showBox(QMessageBox::Icon icon, QWidget* parent, const QString& title,
                                    const QString& text, QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton) {
    QMessageBox box(icon, title, text, buttons, parent);
    dressBox(box);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

// Tells once how a notice box ended: answered (any button, Escape, its close button), or gone with its parent
// unanswered. A child window outlives its parent's hiding, so a box over a form that closed itself would stay
// over nothing: it goes with it. Until then it keeps the keyboard: a window of the program activated under it
// (a click on it, the main window brought back from the tray) gives the front back to the box, since not
// every window system passes a blocked window's focus on to the modal one. Answered, the form it came over
// gets the keys again.
class NoticeEnd : public QObject {
public:
    NoticeEnd(QMessageBox* box, std::function<void(bool)> closed)
        : QObject(box), m_box(box), m_closed(std::move(closed)) {
        connect(box, &QDialog::finished, this, [this] {
            end(true);
            QWidget* form = m_box->parentWidget() ? m_box->parentWidget()->window() : nullptr;
            if (form && form->isVisible() && !form->isMinimized())
                form->activateWindow();
        });
        qApp->installEventFilter(this);
    }
    ~NoticeEnd() override { end(false); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_closed || !watched->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        // Hidden by the program, not minimised by the window system.
        if (event->type() == QEvent::Hide && !event->spontaneous() && widget == m_box->parentWidget()) {
            m_box->hide();
            m_box->deleteLater();
            end(false);
        } else if (event->type() == QEvent::WindowActivate && widget != m_box &&
                   (widget->windowType() == Qt::Window || widget->windowType() == Qt::Dialog)) {
            QMetaObject::invokeMethod(this, &NoticeEnd::toTheFront, Qt::QueuedConnection);
        }
        return false;
    }

private:
    // Only while no later modal window runs over the box.
    void toTheFront() {
        if (!m_closed || QApplication::activeModalWidget() != m_box || QApplication::activeWindow() == m_box)
            return;
        if (m_box->isMinimized())
            m_box->showNormal();
        m_box->raise();
        m_box->activateWindow();
    }

    void end(bool answered) {
        if (std::function<void(bool)> closed = std::exchange(m_closed, nullptr))
            closed(answered);
    }
    QMessageBox* m_box;
    std::function<void(bool)> m_closed;
};

// Titled, with Chinese framed buttons whatever translations the system has; tells through *ok whether the
// dialog was accepted and returns that.
bool runInputDialog(QInputDialog& dialog, const QString& title, const QString& label, bool* ok) {
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setOkButtonText(QStringLiteral("确定"));
    dialog.setCancelButtonText(QStringLiteral("取消"));
    frameButtons(&dialog);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (ok)
        *ok = accepted;
    return accepted;
}

// The next queued answer of a test; nothing queued, or a queued cancel, gives `cancelled`.
template <typename T> T takeAnswer(QQueue<QPair<T, bool>>& queue, const T& cancelled, bool* ok) {
    const QPair<T, bool> answer = queue.isEmpty() ? qMakePair(cancelled, false) : queue.dequeue();
    if (ok)
        *ok = answer.second;
    return answer.second ? answer.first : cancelled;
}

} // namespace

void Prompts::information(QWidget* parent, const QString& title, const QString& text) {
    record(Kind::Information, title, text);
    if (!state().testMode)
        showBox(QMessageBox::Information, parent, title, text, QMessageBox::Ok);
}

void Prompts::warning(QWidget* parent, const QString& title, const QString& text) {
    record(Kind::Warning, title, text);
    if (!state().testMode)
        showBox(QMessageBox::Warning, parent, title, text, QMessageBox::Ok);
}

void Prompts::critical(QWidget* parent, const QString& title, const QString& text) {
    record(Kind::Critical, title, text);
    if (!state().testMode)
        showBox(QMessageBox::Critical, parent, title, text, QMessageBox::Ok);
}

void Prompts::notice(QWidget* parent, const QString& title, const QString& text,
                     std::function<void(bool answered)> closed) {
    record(Kind::Warning, title, text);
    if (state().testMode) {
        if (closed)
            closed(true);
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    dressBox(*box);
    new NoticeEnd(box, std::move(closed));
    // Over every window of the program, not its parent alone: a window it left unblocked would take the keys
    // from under it. open() would make it window-modal again, and exec() would nest a loop.
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}

bool Prompts::question(QWidget* parent, const QString& title, const QString& text,
                       QMessageBox::StandardButton defaultButton, QMessageBox::Icon icon) {
    record(Kind::Question, title, text);
    if (state().testMode)
        return state().questions.isEmpty() ? false : state().questions.dequeue();
    return showBox(icon, parent, title, text, QMessageBox::Yes | QMessageBox::No, defaultButton) ==
           QMessageBox::Yes;
}

int Prompts::choose(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
                    const QStringList& buttons, int defaultIndex, int escapeIndex,
                    const QString& informativeText) {
    record(Kind::Choice, title,
           informativeText.isEmpty() ? text : text + QLatin1Char('\n') + informativeText);
    if (state().testMode)
        return state().choices.isEmpty() ? escapeIndex : state().choices.dequeue();
    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(informativeText);
    // setTextFormat reaches only the main label; the informative one would still guess at markup.
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        label->setTextFormat(Qt::PlainText);
    QList<QPushButton*> pushButtons;
    for (const QString& label : buttons)
        pushButtons.append(box.addButton(label, QMessageBox::ActionRole));
    if (defaultIndex >= 0 && defaultIndex < pushButtons.size())
        box.setDefaultButton(pushButtons.at(defaultIndex));
    if (escapeIndex >= 0 && escapeIndex < pushButtons.size())
        box.setEscapeButton(pushButtons.at(escapeIndex));
    frameButtons(&box);
    keepButtonLabelsWhole(box);
    box.exec();
    const int index = pushButtons.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    return index >= 0 ? index : escapeIndex;
}

QString Prompts::getText(QWidget* parent, const QString& title, const QString& label,
                         QLineEdit::EchoMode echo, const QString& text, bool* ok) {
    record(Kind::Input, title, label);
    if (state().testMode)
        return takeAnswer(state().texts, QString(), ok);
    QInputDialog dialog(parent);
    dialog.setTextEchoMode(echo);
    dialog.setTextValue(text);
    return runInputDialog(dialog, title, label, ok) ? dialog.textValue() : QString();
}

int Prompts::getInt(QWidget* parent, const QString& title, const QString& label, int value, int minimum,
                    int maximum, int step, bool* ok) {
    record(Kind::Input, title, label);
    const int start = qBound(minimum, value, maximum);
    if (state().testMode)
        return qBound(minimum, takeAnswer(state().ints, start, ok), maximum);
    QInputDialog dialog(parent);
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setIntRange(minimum, maximum);
    dialog.setIntStep(step);
    dialog.setIntValue(start);
    return runInputDialog(dialog, title, label, ok) ? dialog.intValue() : start;
}

QString Prompts::getItem(QWidget* parent, const QString& title, const QString& label,
                         const QStringList& items, int current, bool* ok) {
    record(Kind::Input, title, label);
    const QString start = items.value(current);
    if (state().testMode)
        return items.value(takeAnswer(state().items, current, ok), start);
    QInputDialog dialog(parent);
    dialog.setComboBoxItems(items);
    dialog.setComboBoxEditable(false);
    dialog.setTextValue(start);
    return runInputDialog(dialog, title, label, ok) ? dialog.textValue() : start;
}

QString Prompts::getOpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter) {
    record(Kind::OpenFile, caption, filter);
    if (state().testMode)
        return state().fileNames.isEmpty() ? QString() : state().fileNames.dequeue();
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString Prompts::getSaveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter) {
    record(Kind::SaveFile, caption, filter);
    if (state().testMode)
        return state().fileNames.isEmpty() ? QString() : state().fileNames.dequeue();
    return QFileDialog::getSaveFileName(parent, caption, dir, filter);
}

QString Prompts::withReason(const QString& text, const QString& reason) {
    return reason.isEmpty() ? text : text + QLatin1Char('\n') + reason;
}

QString Prompts::withReason(const QString& text, const QString& reason, const QString& guess) {
    return reason.isEmpty() ? text + guess : withReason(text, reason);
}

void Prompts::setTestMode(bool on) {
    state().testMode = on;
}
bool Prompts::testMode() {
    return state().testMode;
}

void Prompts::reset() {
    State& s = state();
    s.questions.clear();
    s.choices.clear();
    s.texts.clear();
    s.ints.clear();
    s.items.clear();
    s.fileNames.clear();
    s.history.clear();
}

void Prompts::queueQuestion(bool yes) {
    state().questions.enqueue(yes);
}
void Prompts::queueChoice(int index) {
    state().choices.enqueue(index);
}
void Prompts::queueText(const QString& text, bool ok) {
    state().texts.enqueue(qMakePair(text, ok));
}
void Prompts::queueInt(int value, bool ok) {
    state().ints.enqueue(qMakePair(value, ok));
}
void Prompts::queueItem(int index, bool ok) {
    state().items.enqueue(qMakePair(index, ok));
}
void Prompts::queueFileName(const QString& path) {
    state().fileNames.enqueue(path);
}
const QList<Prompts::Record>& Prompts::history() {
    return state().history;
}
Prompts::Record Prompts::last() {
    return state().history.isEmpty() ? Record{Kind::Information, QString(), QString()}
                                     : state().history.last();
}

} // namespace kestrovalin
