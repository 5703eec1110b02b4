// Every window fits the screen it opens on: run once on each emulated screen (a desktop, a small
// netbook screen and a doubled pixel ratio; see tests/CMakeLists.txt), for every page of both
// groups and every dialog: the window lies on the screen's free area, no control is smaller than
// its layout minimum (the page host scrolls instead), no two controls side by side overlap, and
// every label shows its whole text.
#include "fakewindow.h"
#include "windowtest.h"

#include "pages/clogindlg.h"
#include "pages/cmodifypwddlg.h"
#include "ui/caboutdlg.h"
#include "ui/cframetrace.h"
#include "ui/cinventorydlg.h"

#include <QAbstractScrollArea>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QScreen>
#include <functional>

namespace {

std::string Describe(const QWidget* widget) {
    return widget->metaObject()->className() + (" " + widget->objectName().toStdString());
}

bool Interactive(const QWidget* widget) {
    return qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QComboBox*>(widget) ||
           qobject_cast<const QLineEdit*>(widget) ||
           qobject_cast<const QAbstractScrollArea*>(widget);
}

// The smallest size the widget's layout may give it, as Qt's layouts compute it.
QSize LayoutMinimum(const QWidget* widget) {
    QSize need = widget->minimumSizeHint();
    const QSizePolicy policy = widget->sizePolicy();
    if (policy.horizontalPolicy() == QSizePolicy::Ignored)
        need.setWidth(0);
    if (policy.verticalPolicy() == QSizePolicy::Ignored)
        need.setHeight(0);
    return need.expandedTo(widget->minimumSize()).boundedTo(widget->maximumSize());
}

void ExpectFits(QWidget* window) {
    const QRect free = window->screen()->availableGeometry();
    const QRect frame = window->frameGeometry();
    EXPECT_TRUE(free.contains(frame))
        << Describe(window) << " at " << frame.x() << ',' << frame.y() << ' ' << frame.width()
        << 'x' << frame.height() << " on " << free.width() << 'x' << free.height();
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        QWidget* parent = widget->parentWidget();
        // Only what a layout places: the parts of a composite control place themselves.
        if (!widget->isVisible() || widget->isWindow() || !parent->layout() ||
            parent->layout()->indexOf(widget) < 0)
            continue;
        const QSize need = LayoutMinimum(widget);
        EXPECT_TRUE(widget->width() >= need.width() && widget->height() >= need.height())
            << Describe(widget) << " is " << widget->width() << 'x' << widget->height()
            << ", needs " << need.width() << 'x' << need.height();
        if (auto* label = qobject_cast<QLabel*>(widget); label && label->wordWrap())
            EXPECT_GE(label->height(), label->heightForWidth(label->width())) << Describe(label);
        if (!Interactive(widget))
            continue;
        for (QWidget* sibling : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (sibling != widget && sibling->isVisible() && Interactive(sibling))
                EXPECT_FALSE(widget->geometry().intersects(sibling->geometry()))
                    << Describe(widget) << " overlaps " << Describe(sibling);
    }
}

struct Window {
    const char* name;
    // Brings the window to show up; returns it.
    std::function<QWidget*(CReaderDlg&)> open;
};

QWidget* Page(CReaderDlg& dlg, bool settings, int index) {
    ConnectToFakeLine(dlg);
    if (settings)
        dlg.OnDeviceSettings();
    dlg.Sheet().SetActivePage(index);
    return &dlg;
}

const Window kWindows[] = {
    {"Start", [](CReaderDlg& dlg) { return static_cast<QWidget*>(&dlg); }},
    {"TagIdentify", [](CReaderDlg& dlg) { return Page(dlg, false, 0); }},
    {"TagOperation", [](CReaderDlg& dlg) { return Page(dlg, false, 1); }},
    {"WorkMode", [](CReaderDlg& dlg) { return Page(dlg, true, 0); }},
    {"ReaderParameters", [](CReaderDlg& dlg) { return Page(dlg, true, 1); }},
    {"Login", [](CReaderDlg& dlg) -> QWidget* { return new CLoginDlg(&dlg); }},
    {"ModifyPassword", [](CReaderDlg& dlg) -> QWidget* { return new CModifyLoginPwdDlg(&dlg); }},
    {"About", [](CReaderDlg& dlg) -> QWidget* { return new CAboutDlg(&dlg); }},
    {"Inventory",
     [](CReaderDlg& dlg) -> QWidget* { return dlg.OnInventory(), dlg.InventoryWindow(); }},
    {"FrameTrace",
     [](CReaderDlg& dlg) -> QWidget* { return dlg.OnFrameTrace(), dlg.FrameTraceWindow(); }},
};

class WindowFit : public WindowTest, public ::testing::WithParamInterface<Window> {};

TEST_P(WindowFit, LiesOnTheScreenWithEveryControlWhole) {
    CReaderDlg dlg;
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    QWidget* window = GetParam().open(dlg);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QCoreApplication::processEvents();
    ExpectFits(window);
}

INSTANTIATE_TEST_SUITE_P(Screens, WindowFit, ::testing::ValuesIn(kWindows),
                         [](const auto& info) { return std::string(info.param.name); });

// The port list widens to its longest entry and opens without a scroll bar.
TEST_F(WindowTest, PortListShowsItsLongestEntryAndOpensWhole) {
    CReaderDlg dlg;
    auto* ports = dlg.findChild<QComboBox*>(QStringLiteral("portList"));
    ASSERT_NE(ports, nullptr);
    ports->addItem(QStringLiteral("/dev/ttyUSB7 (USB Serial Converter)"));
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    QCoreApplication::processEvents();
    EXPECT_GE(ports->width(), ports->sizeHint().width());
    EXPECT_GE(ports->maxVisibleItems(), std::min(ports->count(), 30));
}

} // namespace
