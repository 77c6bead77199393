#include "ui/common/formdialog.h"

#include "repositories/refusal.h"
#include "ui/common/buttonbox.h"
#include "ui/common/prompts.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

#include <QtMath>

#include <algorithm>

namespace kestrovalin {

namespace {

class EnterStop : public QObject {
public:
    explicit EnterStop(QDialog* dialog) : QObject(dialog), m_dialog(dialog) { clearDefaults(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_dialog)
            return false;
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            // What QDialog would turn into a click on its default button.
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                event->accept();
                return true;
            }
        } else if (event->type() == QEvent::Show) {
            // The children were shown first, the button box making its OK the default on the way.
            clearDefaults();
        }
        return false;
    }

private:
    void clearDefaults() {
        for (QPushButton* button : m_dialog->findChildren<QPushButton*>())
            neverDefault(button);
    }

    QDialog* m_dialog;
};

} // namespace

void prepareFormDialog(QDialog* dialog, QDialogButtonBox* buttons, QWidget* parent) {
    useChineseLabels(buttons);
    frameButtons(buttons);
    centreOverParent(dialog, parent);
}

void centreOverParent(QWidget* dialog, QWidget* parent) {
    if (!parent)
        return;
    // x() and y() are the parent's frame position, as for the feature windows.
    const int x = parent->x() + (parent->width() - dialog->width()) / 2;
    const int y = parent->y() + (parent->height() - dialog->height()) / 2;
    dialog->move(std::max(0, x), std::max(0, y));
}

void keepOpenOnEnter(QDialog* dialog) {
    dialog->installEventFilter(new EnterStop(dialog));
}

void useForLongText(QPlainTextEdit* box, int lines, bool growing) {
    box->setReadOnly(true);
    box->setTabChangesFocus(true);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    const int margins = 2 * (box->frameWidth() + qCeil(box->document()->documentMargin()));
    const int height = lines * box->fontMetrics().lineSpacing() + margins;
    if (growing) {
        box->setMinimumHeight(height);
        box->setSizePolicy(box->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    } else {
        box->setFixedHeight(height);
    }
}

QPlainTextEdit* showWholeText(QLineEdit* field, int lines) {
    auto* box = new QPlainTextEdit(field->parentWidget());
    box->setObjectName(field->objectName() + QStringLiteral("View"));
    useForLongText(box, lines, false);
    // As tall as its lines and no taller: the form around it keeps its spacing.
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    box->setPlainText(field->text());
    if (QLayout* layout = field->parentWidget() ? field->parentWidget()->layout() : nullptr)
        delete layout->replaceWidget(field, box);
    field->hide();
    return box;
}

bool execUntilSettled(QDialog& form, const std::function<bool()>& settle) {
    while (form.exec() == QDialog::Accepted) {
        if (settle())
            return true;
    }
    return false;
}

bool failedSaveSettles(QWidget* parent, const QString& text, const repositories::Refusable& why,
                       const QString& guess) {
    Prompts::critical(parent, QStringLiteral("错误"), Prompts::withReason(text, why.refusal(), guess));
    return !why.retryable();
}

} // namespace kestrovalin
