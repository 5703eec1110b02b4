// Keyboard and screen-reader use of the main window: every reachable control has a name of its
// own (its caption, or "Group — Caption" where the caption repeats), every group box is named
// after its title, and Tab visits all of them.
#include "fakewindow.h"
#include "windowtest.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QMap>
#include <QRadioButton>
#include <QSet>

namespace {

QString AccessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

std::string Describe(QWidget* widget) {
    return widget->metaObject()->className() + (" " + widget->objectName().toStdString());
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

    // Visible widgets that take Tab focus themselves (no focus proxy), in focus order.
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

    // Fails on controls without a name, on names read by two controls, and on every enabled
    // control that Tab, from the first one, does not reach.
    void ExpectNamedAndReached() {
        QMap<QString, QWidget*> named;
        QList<QWidget*> enabled;
        for (QWidget* control : Controls()) {
            const QString name = AccessibleName(control);
            EXPECT_FALSE(name.trimmed().isEmpty()) << Describe(control);
            if (QWidget* other = named.value(name); other && !name.isEmpty())
                ADD_FAILURE() << '"' << name.toStdString() << "\" names both " << Describe(other)
                              << " and " << Describe(control);
            named.insert(name, control);
            if (control->isEnabled())
                enabled << control;
        }
        for (QGroupBox* group : dlg.findChildren<QGroupBox*>())
            if (group->isVisible())
                EXPECT_EQ(AccessibleName(group), group->title().trimmed()) << Describe(group);
        ASSERT_FALSE(enabled.isEmpty());
        enabled.first()->setFocus(Qt::TabFocusReason);
        QSet<QWidget*> visited{QApplication::focusWidget()};
        for (qsizetype step = 0; step < 2 * enabled.size(); ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget();
        }
        for (QWidget* control : enabled)
            EXPECT_TRUE(visited.contains(control) || RadioOfVisitedGroup(control, visited))
                << "Tab never reaches " << Describe(control);
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

    // Runs the checks on every page of the group the sheet shows.
    void WalkGroup(const char* group) {
        for (int index = 0; index < dlg.Sheet().count(); ++index) {
            dlg.Sheet().SetActivePage(index);
            QCoreApplication::processEvents();
            SCOPED_TRACE(group + (" / " + dlg.Sheet().tabText(index).toStdString()));
            ExpectNamedAndReached();
        }
    }

    CReaderDlg dlg;
};

TEST_F(Accessibility, EveryControlOfEveryPageIsNamedOnceAndReachedWithTab) {
    WalkGroup("start");
    ConnectToFakeLine(dlg);
    // The login and password buttons count too.
    dlg.findChild<QAction*>(QStringLiteral("showPasswordFunctionsAction"))->setChecked(true);
    WalkGroup("Demonstration");
    EXPECT_EQ(AccessibleName(dlg.findChild<QWidget*>("identifySingleTagRadio")), "Single Tag");
    dlg.OnDeviceSettings();
    WalkGroup("Device Settings");
    EXPECT_EQ(AccessibleName(dlg.findChild<QWidget*>("triggerRadio")), "Work Mode — Trigger");
}

} // namespace
