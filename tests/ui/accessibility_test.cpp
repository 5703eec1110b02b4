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

    // Fails on a visible control taking Tab itself (no focus proxy) without a name or with one
    // another control reads, on a group box not named after its title, and on an enabled control
    // that Tab from the first one never reaches (for a radio of an exclusive group: none of it).
    void ExpectNamedAndReached() {
        QMap<QString, QWidget*> named;
        QList<QWidget*> enabled;
        for (QWidget* w = dlg.nextInFocusChain(); w != &dlg; w = w->nextInFocusChain()) {
            if (!w->isVisible() || w->focusProxy() ||
                (w->focusPolicy() & Qt::TabFocus) != Qt::TabFocus)
                continue;
            const QString name = AccessibleName(w);
            EXPECT_FALSE(name.trimmed().isEmpty()) << Describe(w);
            EXPECT_TRUE(name.isEmpty() || !named.contains(name))
                << '"' << name.toStdString() << "\" names " << Describe(named[name]) << " and "
                << Describe(w);
            named.insert(name, w);
            if (w->isEnabled())
                enabled << w;
        }
        for (QGroupBox* group : dlg.findChildren<QGroupBox*>())
            if (group->isVisible())
                EXPECT_EQ(AccessibleName(group), group->title().trimmed()) << Describe(group);
        ASSERT_FALSE(enabled.isEmpty());
        enabled.first()->setFocus(Qt::TabFocusReason);
        QSet<QWidget*> visited;
        for (qsizetype step = 0; step <= 2 * enabled.size(); ++step) {
            visited << Group(QApplication::focusWidget());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        for (QWidget* control : enabled)
            EXPECT_TRUE(visited.contains(Group(control)))
                << "Tab never reaches " << Describe(control);
    }
    // Tab stops at one radio button of an exclusive group, the arrow keys move within it: such a
    // radio counts as its group.
    static QWidget* Group(QWidget* control) {
        auto* radio = qobject_cast<QRadioButton*>(control);
        return radio && radio->autoExclusive() ? radio->parentWidget() : control;
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
