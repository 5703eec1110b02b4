// Keyboard and screen-reader use of the main window: every control a person can reach is named
// for a screen reader, no two controls on screen read the same, and Tab visits all of them.
#include "fakewindow.h"
#include "windowtest.h"

#include "pages/cread.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMap>
#include <QRadioButton>
#include <QSet>

namespace {

QString AccessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

QString Describe(QWidget* widget) {
    return QStringLiteral("%1 \"%2\"").arg(widget->metaObject()->className(), widget->objectName());
}

class Accessibility : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        QApplication::setActiveWindow(&dlg);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    }

    // What a person can tab to, or what a screen reader reads as a control: every visible widget
    // that takes focus from the keyboard on its own (not through a focus proxy, like the edit
    // field inside a drop-down list), in the window's focus order.
    QList<QWidget*> Controls() {
        QList<QWidget*> controls;
        QWidget* widget = &dlg;
        do {
            widget = widget->nextInFocusChain();
            if (widget != &dlg && widget->isVisible() && !widget->focusProxy() &&
                (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus)
                controls << widget;
        } while (widget != &dlg);
        return controls;
    }

    // Fails on controls without a name and on names read by two controls.
    void ExpectNamed(const QString& where) {
        QMap<QString, QWidget*> named;
        for (QWidget* control : Controls()) {
            const QString name = AccessibleName(control);
            EXPECT_FALSE(name.trimmed().isEmpty())
                << where.toStdString() << ": " << Describe(control).toStdString();
            if (name.isEmpty())
                continue;
            if (QWidget* other = named.value(name)) {
                ADD_FAILURE() << where.toStdString() << ": \"" << name.toStdString()
                              << "\" names both " << Describe(other).toStdString() << " and "
                              << Describe(control).toStdString();
            }
            named.insert(name, control);
        }
    }

    // Tabs from the first control round the window and fails on every enabled control that the
    // walk did not reach.
    void ExpectTabReachesAll(const QString& where) {
        QList<QWidget*> enabled;
        for (QWidget* control : Controls())
            if (control->isEnabled())
                enabled << control;
        ASSERT_FALSE(enabled.isEmpty());
        enabled.first()->setFocus(Qt::TabFocusReason);
        QSet<QWidget*> visited{QApplication::focusWidget()};
        for (qsizetype step = 0; step < 2 * enabled.size(); ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget();
        }
        for (QWidget* control : enabled)
            EXPECT_TRUE(visited.contains(control) || RadioOfVisitedGroup(control, visited))
                << where.toStdString() << ": Tab never reaches " << Describe(control).toStdString();
    }

    // Tab stops at one radio button of an exclusive group; the arrow keys move within it.
    static bool RadioOfVisitedGroup(QWidget* control, const QSet<QWidget*>& visited) {
        auto* radio = qobject_cast<QRadioButton*>(control);
        if (!radio || !radio->autoExclusive())
            return false;
        for (QWidget* other : visited)
            if (auto* peer = qobject_cast<QRadioButton*>(other);
                peer && peer->autoExclusive() && peer->parentWidget() == radio->parentWidget())
                return true;
        return false;
    }

    // Runs both checks on every page of the group the sheet shows.
    void WalkGroup(const QString& group) {
        for (int index = 0; index < dlg.Sheet().count(); ++index) {
            dlg.Sheet().SetActivePage(index);
            QCoreApplication::processEvents();
            const QString where = group + QStringLiteral(" / ") + dlg.Sheet().tabText(index);
            ExpectNamed(where);
            ExpectTabReachesAll(where);
        }
    }

    CReaderDlg dlg;
};

TEST_F(Accessibility, EveryControlOfEveryPageIsNamedOnceAndReachedWithTab) {
    WalkGroup(QStringLiteral("start"));
    ConnectToFakeLine(dlg);
    // The login and password buttons count too.
    dlg.findChild<QAction*>(QStringLiteral("showPasswordFunctionsAction"))->setChecked(true);
    WalkGroup(QStringLiteral("Demonstration"));
    dlg.OnDeviceSettings();
    WalkGroup(QStringLiteral("Device Settings"));
}

TEST_F(Accessibility, OperationListReadsAsANamedListWithItsColumnHeaders) {
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&dlg.OperationList());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->text(QAccessible::Name), QStringLiteral("Operation list"));
    EXPECT_EQ(list->role(), QAccessible::Tree);
    dlg.AddOperationLine(QStringLiteral("Port Opened Successfully!"));
    QAccessibleTableInterface* table = list->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->columnCount(), 2);
    EXPECT_EQ(table->rowCount(), 1);
    QStringList headers;
    for (int child = 0; child < list->childCount(); ++child)
        if (QAccessibleInterface* cell = list->child(child);
            cell && cell->role() == QAccessible::ColumnHeader)
            headers << cell->text(QAccessible::Name);
    EXPECT_EQ(headers, QStringList({"Time", "Operation"}));
    QAccessibleInterface* cell = table->cellAt(0, 1);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->text(QAccessible::Name), QStringLiteral("Port Opened Successfully!"));
}

} // namespace
