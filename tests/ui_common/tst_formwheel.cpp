#include "tests/support/freshdatabase.h"
#include "tests/support/realwheel.h"
#include "tests/support/testmain.h"
#include "ui/admin/userdialog.h"
#include "ui/masterdata/productdialog.h"
#include "ui/masterdata/supplierdialog.h"
#include "ui/purchasing/inventorycheckdialog.h"
#include "ui/purchasing/purchasedialog.h"
#include "ui/quality/rejecteddrugdialog.h"
#include "ui/quality/temphumidityrecordwindow.h"
#include "ui/reports/purchasereportwindow.h"
#include "ui/returns/purchasereturndialog.h"
#include "ui/returns/salesreturndialog.h"
#include "ui/sales/prescriptiondialog.h"
#include "ui/sales/salesdialog.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QtTest>

#include <functional>
#include <memory>

using namespace kestrovalin;
using namespace kestrovalin::test;

using Form = std::function<QWidget*()>;
Q_DECLARE_METATYPE(Form)

namespace {

// What a date, number or choice field shows.
QString shown(QWidget* field) {
    if (auto* spinBox = qobject_cast<QAbstractSpinBox*>(field))
        return spinBox->text();
    return static_cast<QComboBox*>(field)->currentText();
}

// The form's date, number and choice fields that a person can reach.
QList<QWidget*> fieldsOf(QWidget* form) {
    QList<QWidget*> fields;
    for (QWidget* widget : form->findChildren<QWidget*>()) {
        const bool field = qobject_cast<QAbstractSpinBox*>(widget) || qobject_cast<QComboBox*>(widget);
        // Not the year box of a calendar popup, which is a window of its own.
        if (field && widget->window() == form && widget->isVisible() && widget->isEnabled())
            fields << widget;
    }
    return fields;
}

// As a pointer can only rest on what is in view: a form scrolled by an earlier turn shows the field again.
void bringIntoView(QWidget* field) {
    for (QWidget* parent = field->parentWidget(); parent; parent = parent->parentWidget()) {
        if (auto* area = qobject_cast<QScrollArea*>(parent))
            area->ensureWidgetVisible(field);
    }
}

bool holdsFocus(QWidget* field) {
    QWidget* focus = QApplication::focusWidget();
    return focus && (focus == field || field->isAncestorOf(focus));
}

} // namespace

class TestFormWheel : public QObject {
    Q_OBJECT

private slots:
    void init() { m_db.start(QDate(2026, 3, 1)); }
    void cleanup() { m_db.stop(); }

    // Scrolling over a form never changes a date, a price, a quantity or a choice the user is not at, nor
    // takes the focus to it; the field the user clicked or tabbed into takes the wheel.
    void fieldsTakeTheWheelOnlyWithTheFocus_data() {
        QTest::addColumn<Form>("open");
        QTest::addColumn<int>("fields");
        QTest::newRow("supplier") << Form([] { return new SupplierDialog; }) << 5;
        QTest::newRow("drug") << Form([] { return new ProductDialog; }) << 5;
        QTest::newRow("purchase order") << Form([] { return new PurchaseDialog; }) << 1;
        QTest::newRow("delivered batch") << Form([] {
            models::Product drug;
            drug.id = 1;
            drug.name = QStringLiteral("板蓝根颗粒");
            drug.purchasePrice = 9.5;
            return new BatchInputDialog(drug, nullptr);
        }) << 4;
        QTest::newRow("sale") << Form([] { return new SalesDialog; }) << 1;
        QTest::newRow("purchase return") << Form([] { return new PurchaseReturnDialog(nullptr); }) << 1;
        QTest::newRow("sales return") << Form([] { return new SalesReturnDialog(nullptr); }) << 1;
        QTest::newRow("prescription") << Form([] { return new PrescriptionDialog; }) << 3;
        QTest::newRow("non-conforming drug") << Form([] { return new RejectedDrugDialog; }) << 3;
        QTest::newRow("temperature reading") << Form([] { return new TempHumidityRecordWindow; }) << 4;
        QTest::newRow("stocktaking sheet") << Form([] {
            auto* sheet = new InventoryCheckDialog(nullptr);
            models::InventoryCheckItem line;
            line.productName = QStringLiteral("板蓝根颗粒");
            line.batchNo = QStringLiteral("B2301");
            line.systemQuantity = line.actualQuantity = 50;
            sheet->setItems({line});
            return sheet;
        }) << 3;
        QTest::newRow("user account") << Form([] { return new UserDialog; }) << 1;
        // None of the forms has one yet: typing into it goes through its line edit.
        QTest::newRow("editable choice") << Form([] {
            auto* form = new QDialog;
            auto* layout = new QVBoxLayout(form);
            auto* choice = new QComboBox(form);
            choice->setEditable(true);
            choice->addItems({QStringLiteral("盒"), QStringLiteral("瓶")});
            layout->addWidget(choice);
            layout->addWidget(new QPushButton(QStringLiteral("确定"), form));
            return form;
        }) << 1;
    }
    void fieldsTakeTheWheelOnlyWithTheFocus() {
        QFETCH(Form, open);
        const std::unique_ptr<QWidget> form(open());
        form->resize(form->sizeHint().expandedTo(QSize(900, 600)));
        form->show();
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        const QList<QWidget*> fields = fieldsOf(form.get());
        QTEST(int(fields.size()), "fields");
        QPushButton* elsewhere = nullptr;
        for (QPushButton* button : form->findChildren<QPushButton*>()) {
            if (!elsewhere && button->isVisible())
                elsewhere = button;
        }
        QVERIFY(elsewhere);
        for (QWidget* field : fields) {
            const QString name = field->objectName() + QLatin1Char(' ') + field->metaObject()->className();
            elsewhere->setFocus();
            QCOMPARE(QApplication::focusWidget(), elsewhere);
            const QString before = shown(field);
            for (const int notches : {2, -2}) {
                bringIntoView(field);
                turnWheel(field, notches);
                QVERIFY2(shown(field) == before, qPrintable(name + ": " + before + " -> " + shown(field)));
                QVERIFY2(!holdsFocus(field), qPrintable(name));
            }
            field->setFocus(Qt::TabFocusReason);
            bringIntoView(field);
            turnWheel(field, -1);
            if (shown(field) == before)
                turnWheel(field, 1);
            QVERIFY2(shown(field) != before, qPrintable(name));
        }
    }

    // The turn over a field without the focus goes to the form around it: the supplier form scrolls.
    void wheelOverAFieldScrollsTheForm() {
        SupplierDialog form;
        form.resize(form.sizeHint().width(), 320);
        form.show();
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto* field = form.findChild<QDateEdit*>("editLicenseExpire");
        QScrollBar* bar = form.findChild<QScrollArea*>()->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        form.findChild<QPushButton*>()->setFocus();
        bringIntoView(field);
        const QDate date = field->date();
        const int top = bar->value();
        const bool down = top < bar->maximum();
        turnWheel(field, down ? -1 : 1);
        QCOMPARE(field->date(), date);
        QVERIFY2(down ? bar->value() > top : bar->value() < top, qPrintable(QString::number(bar->value())));
    }

    // The focus a window gives its first field as it opens is not the user's, also when the window is shown
    // again after it was closed; nor is a key that neither edits nor moves within the field. A field the user
    // clicked keeps the wheel while a message box comes and goes, though it gets the focus back for the same
    // reason.
    void wheelOnlyWithTheFocusTheUserGave_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("turns");
        QTest::newRow("focused as its window opens") << "" << false;
        QTest::newRow("focused as it opens, then clicked") << "click" << true;
        QTest::newRow("focused as it opens, then F1") << "F1" << false;
        QTest::newRow("clicked, then a message box") << "elsewhere click box" << true;
        QTest::newRow("clicked, its window closed and shown again") << "elsewhere click reopen" << false;
    }
    void wheelOnlyWithTheFocusTheUserGave() {
        QFETCH(QString, steps);
        PurchaseReportWindow window;
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* field = qobject_cast<QDateEdit*>(QApplication::focusWidget());
        QVERIFY(field);
        QMessageBox box(QMessageBox::Information, QStringLiteral("提示"), QStringLiteral("查询完成"),
                        QMessageBox::Ok, &window);
        for (const QString& step : steps.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (step == QLatin1String("elsewhere"))
                window.findChild<QPushButton*>()->setFocus();
            else if (step == QLatin1String("click"))
                QTest::mouseClick(field, Qt::LeftButton);
            else if (step == QLatin1String("F1"))
                QTest::keyClick(field, Qt::Key_F1);
            else if (step == QLatin1String("box")) {
                box.show();
                QVERIFY(QTest::qWaitForWindowActive(&box));
                box.close();
            } else if (step == QLatin1String("reopen")) {
                window.close();
                window.show();
            }
            QCoreApplication::processEvents();
            QApplication::setActiveWindow(&window);
            QVERIFY(QTest::qWaitForWindowActive(&window));
        }
        QCOMPARE(QApplication::focusWidget(), field);
        const QDate date = field->date();
        turnWheel(field, -1);
        if (field->date() == date)
            turnWheel(field, 1);
        QTEST(field->date() != date, "turns");
    }

    // A choice field the user clicked turns under the wheel after its list opened and closed, whether an item
    // was picked or the list was left with Escape.
    void clickedChoiceTurnsAfterItsList_data() {
        QTest::addColumn<bool>("pick");
        QTest::newRow("an item picked") << true;
        QTest::newRow("left with Escape") << false;
    }
    void clickedChoiceTurnsAfterItsList() {
        QFETCH(bool, pick);
        ProductDialog form;
        form.show();
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto* choice = form.findChild<QComboBox*>("comboCategory");
        QVERIFY(choice);
        form.findChild<QPushButton*>()->setFocus();
        QTest::mouseClick(choice, Qt::LeftButton);
        QAbstractItemView* list = choice->view();
        QTRY_VERIFY(list->isVisible());
        if (pick) {
            const QRect item = list->visualRect(choice->model()->index(1, 0));
            QTest::mouseMove(list->viewport(), item.center());
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
        } else {
            QTest::keyClick(list, Qt::Key_Escape);
        }
        QTRY_VERIFY(!list->isVisible());
        // Without a window manager the form is not made active again by itself.
        QCoreApplication::processEvents();
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(QApplication::focusWidget(), choice);
        const int chosen = choice->currentIndex();
        QCOMPARE(chosen, pick ? 1 : 0);
        turnWheel(choice, -1);
        if (choice->currentIndex() == chosen)
            turnWheel(choice, 1);
        QVERIFY(choice->currentIndex() != chosen);
    }

private:
    FreshDatabase m_db;
};

KV_TEST_CLASS(TestFormWheel)
#include "tst_formwheel.moc"
