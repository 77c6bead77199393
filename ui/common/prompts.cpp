#include "ui/common/prompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QPushButton>
#include <QQueue>

namespace kestrovalin {

namespace {

struct State {
    bool testMode = false;
    QQueue<bool> questions;
    QQueue<int> choices;
    QQueue<QPair<QString, bool>> texts;
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

} // namespace

void Prompts::information(QWidget* parent, const QString& title, const QString& text) {
    record(Kind::Information, title, text);
    if (!state().testMode)
        QMessageBox::information(parent, title, text);
}

void Prompts::warning(QWidget* parent, const QString& title, const QString& text) {
    record(Kind::Warning, title, text);
    if (!state().testMode)
        QMessageBox::warning(parent, title, text);
}

void Prompts::critical(QWidget* parent, const QString& title, const QString& text) {
    record(Kind::Critical, title, text);
    if (!state().testMode)
        QMessageBox::critical(parent, title, text);
}

bool Prompts::question(QWidget* parent, const QString& title, const QString& text,
                       QMessageBox::StandardButton defaultButton) {
    record(Kind::Question, title, text);
    if (state().testMode)
        return state().questions.isEmpty() ? false : state().questions.dequeue();
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No, defaultButton) ==
           QMessageBox::Yes;
}

int Prompts::choose(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
                    const QStringList& buttons, int defaultIndex, int escapeIndex) {
    record(Kind::Choice, title, text);
    if (state().testMode)
        return state().choices.isEmpty() ? escapeIndex : state().choices.dequeue();
    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    QList<QPushButton*> pushButtons;
    for (const QString& label : buttons)
        pushButtons.append(box.addButton(label, QMessageBox::ActionRole));
    if (defaultIndex >= 0 && defaultIndex < pushButtons.size())
        box.setDefaultButton(pushButtons.at(defaultIndex));
    if (escapeIndex >= 0 && escapeIndex < pushButtons.size())
        box.setEscapeButton(pushButtons.at(escapeIndex));
    box.exec();
    const int index = pushButtons.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    return index >= 0 ? index : escapeIndex;
}

QString Prompts::getText(QWidget* parent, const QString& title, const QString& label,
                         QLineEdit::EchoMode echo, const QString& text, bool* ok) {
    record(Kind::Input, title, label);
    if (state().testMode) {
        const auto answer = state().texts.isEmpty() ? qMakePair(QString(), false) : state().texts.dequeue();
        if (ok)
            *ok = answer.second;
        return answer.first;
    }
    return QInputDialog::getText(parent, title, label, echo, text, ok);
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
