#include "AccessibilityTest.h"

#include "AppTestSupport.h"
#include "app/dialogs/CDlgGrid.h"
#include "app/dialogs/CDlgProject.h"
#include "app/panes/CPageList.h"
#include "app/frame/FieldLabels.h"
#include "model/PageDoc.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace kdx::test {
namespace {

QString AccessibleName(QWidget* widget)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(QAccessible::Name) : QString();
}

// The names of the labels that the desktop's accessibility interface
// reports as labelling the widget.
QStringList LabelledBy(QWidget* widget)
{
    QStringList names;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    for (const auto& relation : iface->relations(QAccessible::Label))
        names << relation.first->text(QAccessible::Name);
    return names;
}

QLabel* BuddyOf(QWidget* dialog, QWidget* field)
{
    for (QLabel* label : dialog->findChildren<QLabel*>())
        if (label->buddy() == field)
            return label;
    return nullptr;
}

} // namespace

void AccessibilityTest::initTestCase()
{
    QAccessible::setActive(true);
}

void AccessibilityTest::labelTextDropsTheMnemonicMarker()
{
    QCOMPARE(LabelTextForReader(QStringLiteral("尺寸(&R)：")), QStringLiteral("尺寸(R)："));
    QCOMPARE(LabelTextForReader(QStringLiteral("宽")), QStringLiteral("宽"));
    QCOMPARE(LabelTextForReader(QStringLiteral("A && B&")), QStringLiteral("A & B"));
}

void AccessibilityTest::gridFieldsCarryTheirLabels()
{
    CDlgGrid dialog(8, 8);
    dialog.show();
    const struct {
        CSpinField* field;
        QString label;
    } fields[] = {{dialog.WidthField(), QStringLiteral("宽")}, {dialog.HeightField(), QStringLiteral("高")}};
    for (const auto& [field, label] : fields) {
        QLabel* buddy = BuddyOf(&dialog, field);
        QVERIFY(buddy);
        QCOMPARE(buddy->text(), label);
        // The edit field takes the focus and is announced by its label.
        QCOMPARE(AccessibleName(field->Edit()), label);
        QCOMPARE(AccessibleName(field), label);
        QCOMPARE(LabelledBy(field), QStringList{label});
    }
    // The label's mnemonic focuses the field, which hands it to its edit.
    QCOMPARE(dialog.HeightField()->focusProxy(), dialog.HeightField()->Edit());
}

void AccessibilityTest::projectFieldsCarryTheirLabels()
{
    CDlgProject dialog;
    dialog.show();
    const struct {
        QComboBox* box;
        QString label;
    } fields[] = {{dialog.ResolutionBox(), QStringLiteral("尺寸(R)：")},
                  {dialog.DepthBox(), QStringLiteral("色深(B)：")}};
    for (const auto& [box, label] : fields) {
        QVERIFY(BuddyOf(&dialog, box));
        QCOMPARE(box->accessibleName(), label);
        // Qt reports a drop-down's name as its current text on this
        // desktop; the label comes as the "labelled by" relation.
        QCOMPARE(LabelledBy(box), QStringList{label});
    }
    QCOMPARE(AccessibleName(dialog.ResolutionBox()->lineEdit()), QStringLiteral("尺寸(R)："));
}

void AccessibilityTest::choosingAPageItemMakesItsPageCurrent()
{
    TestFrame frame;
    frame.show();
    CPageDoc& doc = frame.Document();
    for (int i = 0; i < 3; ++i)
        doc.AddPage();
    auto* list = frame.findChild<CPageList*>();
    QVERIFY(list);
    QCOMPARE(doc.CurrentPage(), doc.PageAt(0));

    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(list);
    QVERIFY(iface);
    QCOMPARE(iface->role(), QAccessible::List);
    QCOMPARE(iface->childCount(), 3);

    // A screen reader selecting a row through the table interface.
    QAccessibleTableInterface* table = iface->tableInterface();
    QVERIFY(table);
    QVERIFY(table->selectRow(2));
    QCOMPARE(doc.CurrentPage(), doc.PageAt(2));
    QCOMPARE(list->SelectedIndex(), 2);
    QCOMPARE(list->currentIndex().row(), 2);

    // Or activating an item's own selection action.
    QAccessibleInterface* item = iface->child(1);
    QVERIFY(item && item->actionInterface());
    const QString toggle = QAccessibleActionInterface::toggleAction();
    QVERIFY(item->actionInterface()->actionNames().contains(toggle));
    QVERIFY(!item->state().selected);
    item->actionInterface()->doAction(toggle);
    QCOMPARE(doc.CurrentPage(), doc.PageAt(1));
    QCOMPARE(list->SelectedIndex(), 1);
    QVERIFY(iface->child(1)->state().selected);
    doc.SetModifiedFlag(false);
}

} // namespace kdx::test
