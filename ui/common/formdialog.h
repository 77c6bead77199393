#pragma once

#include <QString>

#include <functional>

class QDialog;
class QDialogButtonBox;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace kestrovalin::repositories {
class Refusable;
}

namespace kestrovalin {

// Readies a designer form dialog: its standard buttons read "确定" and "取消" whatever translations the
// system has, keep a framed look under the list window's style sheet (whose button rule cascades into the
// form and would leave them flat), and the dialog is centred over its parent as centreOverParent does.
void prepareFormDialog(QDialog* dialog, QDialogButtonBox* buttons, QWidget* parent);

// Centres a dialog over its parent at the dialog's current size, never past the screen's top-left corner.
// Without a parent the toolkit places the dialog.
void centreOverParent(QWidget* dialog, QWidget* parent);

// Enter never accepts a dialog that collects a document's lines, half entered as they may be: a barcode
// scanner ends every code with Enter. No button of the dialog is the default one (also after each showing,
// when its button box would make OK the default again), and an Enter that a field passes on - line edits,
// spin and date boxes, combo boxes, tables - stops at the dialog. OK takes a click; a field that acts on
// Enter (a scan field through returnPressed) still does.
void keepOpenOnEnter(QDialog* dialog);

// Readies the box in which a detail dialog shows a long text (a remark): read-only, wrapped, `lines` lines
// tall (at least, taking the height the dialog can spare, when `growing`), scrolling past that, so that no
// part of the text is ever cut off.
void useForLongText(QPlainTextEdit* box, int lines, bool growing);

// For a form shown only to be read: puts a long-text box (as useForLongText, `lines` lines tall) holding the
// field's text in the one-line field's place in its layout, so a long text reads whole instead of cut off.
// The field stays, hidden, with its text. Returns the box, named after the field with "View" appended.
QPlainTextEdit* showWholeText(QLineEdit* field, int lines);

// Runs a form modally until what it holds is settled: after OK, `settle` checks and stores the form's record
// and tells the user the outcome; when it returns false (the write failed) the form comes back holding
// everything that was typed. Returns false when the user cancels.
bool execUntilSettled(QDialog& form, const std::function<bool()>& settle);

// For a settle step whose write failed: says so ("错误", the text and why; the guess at the cause only when
// the write gave no reason) and answers whether the form is settled. A write the database file stopped
// (another program's lock) brings the form back, to be saved again once the trouble is gone, and so does a
// rule the typed values broke; any other refusal of the business ends it.
bool failedSaveSettles(QWidget* parent, const QString& text, const repositories::Refusable& why,
                       const QString& guess = QString());

} // namespace kestrovalin
