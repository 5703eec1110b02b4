// The screenshot tour: opens the main window, connects to the built-in simulator, walks through
// the pages an operator meets first and saves a PNG of each into the folder named on the command
// line (default docs/screenshots). It drives the window from outside, through the controls'
// object names, as the window tests do, so the program itself carries no screenshot code.
//
// Run it on a real X display (scripts/screenshots starts one with Xvfb): the pictures are taken
// from the screen, so popup menus and dialogs appear as they do on a desktop.
#include "link/portnames.h"
#include "link/simulatorbackend.h"
#include "pages/cparameter.h"
#include "ui/cinventorydlg.h"
#include "ui/coperationlog.h"
#include "ui/creaderdlg.h"
#include "widgets/cpropertysheet.h"
#include "widgets/messagebox.h"
#include "widgets/modal.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QList>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QSet>
#include <QStatusBar>
#include <QWindow>

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>

namespace {

// Runs the event loop until done() holds; false after timeoutMs.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Lets the window process events and repaint for ms milliseconds.
void Settle(int ms) {
    WaitUntil([] { return false; }, ms);
}

void WaitExposed(QWidget& widget) {
    if (!WaitUntil([&] { return widget.windowHandle() && widget.windowHandle()->isExposed(); },
                   5000))
        throw std::runtime_error("window not exposed: " + widget.objectName().toStdString());
    Settle(300);
}

// A picture of at most 256 colours (most window pictures) is stored with a palette, which keeps
// it exact and about a fifth of the size.
QImage Compact(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    QList<QRgb> table;
    QSet<QRgb> seen;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if (seen.contains(line[x]))
                continue;
            if (seen.size() == 256)
                return rgb;
            seen.insert(line[x]);
            table << line[x];
        }
    }
    return rgb.convertToFormat(QImage::Format_Indexed8, table);
}

template <typename T> T& Find(QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (!child)
        throw std::runtime_error(std::string("control not found: ") + name);
    return *child;
}

void Click(QWidget& parent, const char* name) {
    auto& button = Find<QAbstractButton>(parent, name);
    if (!button.isEnabled())
        throw std::runtime_error(std::string("button disabled: ") + name);
    button.click();
}

class Tour {
public:
    explicit Tour(QString folder) : m_folder(std::move(folder)) {}

    // Saves what the screen shows inside area as <name>.png.
    void Shot(const QString& name, const QRect& area) {
        QScreen* screen = m_dlg.screen();
        const QRect clipped = area.intersected(screen->geometry());
        Save(name,
             screen->grabWindow(0, clipped.x(), clipped.y(), clipped.width(), clipped.height()));
    }
    void Shot(const QString& name) { Shot(name, m_dlg.frameGeometry()); }

    // Saves the status bar, with a strip of the window above it, as status-<state>.png. It is
    // taken from the window itself, so the Inventory window in front of it does not hide it.
    void StatusShot(const QString& state) {
        const QStatusBar& bar = m_dlg.StatusBar();
        const QRect area(bar.mapTo(&m_dlg, QPoint(0, -24)), bar.size() + QSize(0, 24));
        Save(QStringLiteral("status-") + state, m_dlg.grab(area));
    }

    void Save(const QString& name, const QPixmap& picture) {
        const QString path = QDir(m_folder).filePath(name + QStringLiteral(".png"));
        if (picture.isNull() || !Compact(picture.toImage()).save(path, "PNG", 9))
            throw std::runtime_error("cannot save " + path.toStdString());
        std::printf("%s\n", qPrintable(path));
    }

    // Presses a button and waits until the operation list gains the line text.
    void ClickAndWaitForLine(const char* button, const QString& text) {
        const int from = m_dlg.OperationList().LineCount();
        Click(m_dlg, button);
        const bool logged = WaitUntil(
            [&] {
                for (int i = from; i < m_dlg.OperationList().LineCount(); ++i)
                    if (m_dlg.OperationList().TextAt(i) == text)
                        return true;
                return false;
            },
            10000);
        if (!logged)
            throw std::runtime_error("no line \"" + text.toStdString() + "\" after " + button);
        Settle(300);
    }

    void Run() {
        // A message box would wait for a click nobody makes; the tour reports it instead.
        SetMessageRecorder([](const QString& text) {
            std::fprintf(stderr, "screenshot_tour: message box: %s\n", qPrintable(text));
        });
        // The top left corner of the screen's free area, at the size the window opens at there.
        m_dlg.move(m_dlg.screen()->availableGeometry().topLeft());
        m_dlg.show();
        WaitExposed(m_dlg);
        Shot(QStringLiteral("start"));

        auto& ports = Find<QComboBox>(m_dlg, "portList");
        ports.setCurrentIndex(ports.findText(kSimulatorPort));
        Click(m_dlg, "connectButton");
        if (!WaitUntil([&] { return m_dlg.State().m_connected == 1; }, 5000))
            throw std::runtime_error("the simulator did not connect");
        Settle(300);
        StatusShot(QStringLiteral("idle"));

        // Tag Identify while the multi-tag stream runs.
        Click(m_dlg, "identifyMultipleTagsRadio");
        Settle(300);
        Click(m_dlg, "identifyTagButton");
        // The status bar counts the records once a second.
        WaitUntil(
            [&] {
                const QString state = m_dlg.StatusBar().StateText();
                return state.startsWith(QLatin1String("Streaming: ")) &&
                       !state.contains(QLatin1String(" 0/s"));
            },
            3000);
        Settle(300);
        Shot(QStringLiteral("tag-identify"));
        // The stream stops by itself after 100 tags; Pause is only pressed while it runs.
        if (Find<QAbstractButton>(m_dlg, "identifyPauseButton").isEnabled())
            Click(m_dlg, "identifyPauseButton");
        Settle(300);

        // The Inventory window during a continuous inventory of tags passing four antennas.
        if (auto* line = qobject_cast<CSimulatorBackend*>(m_dlg.m_serial.Backend())) {
            line->Simulator().Tags().Reset(8);
            line->Simulator().Tags().SetMotion(4000000, 4);
            // As many records as the 9600 bit/s line carries, so the field's time is the line's.
            line->Simulator().SetRecordPeriodMicros(17 * 10 * 1000000 / 9600);
        }
        Click(m_dlg, "identifyContinuousCheck");
        Click(m_dlg, "identifyTagButton");
        m_dlg.OnInventory();
        QDialog& inventory = *m_dlg.InventoryWindow();
        inventory.move(m_dlg.x() + 60, m_dlg.y() + 80);
        WaitExposed(inventory);
        Settle(40000);
        Shot(QStringLiteral("inventory"), inventory.frameGeometry());
        StatusShot(QStringLiteral("streaming"));
        Click(m_dlg, "identifyPauseButton");
        Click(m_dlg, "identifyContinuousCheck");
        inventory.close();
        if (auto* line = qobject_cast<CSimulatorBackend*>(m_dlg.m_serial.Backend())) {
            line->Simulator().Tags().SetMotion(0, 1); // the tag in focus stays for the next pages
            line->Simulator().SetRecordPeriodMicros(CReaderSimulator::kDefaultRecordPeriodMicros);
        }
        Settle(300);

        // Tag Operation after one read of the EPC memory.
        m_dlg.Sheet().SetActivePage(1);
        Settle(300);
        ClickAndWaitForLine("readTagButton", QStringLiteral("Tag Data Read Successfully!"));
        Shot(QStringLiteral("tag-operation"));

        // Device Settings: entering it reads the work-mode settings into the page.
        ClickAndWaitForLine("deviceSettingsButton", QStringLiteral("Get Settings Successfully!!"));
        Shot(QStringLiteral("work-mode"));

        // A reader that has stopped answering: Get Settings waits past the point where the status
        // bar offers Cancel. Cancel closes the port; the next operation opens it again.
        auto* line = qobject_cast<CSimulatorBackend*>(m_dlg.m_serial.Backend());
        if (!line)
            throw std::runtime_error("the simulator is not on the line");
        line->Simulator().Faults().Set(0x63, FaultSpec{FaultKind::Silence});
        Click(m_dlg, "getSettingsButton");
        auto& cancel = Find<QAbstractButton>(m_dlg, "cancelWaitingButton");
        if (!WaitUntil([&] { return cancel.isVisible(); }, 10000))
            throw std::runtime_error("no Cancel while the reader is silent");
        Settle(1500);
        StatusShot(QStringLiteral("waiting"));
        line->Simulator().Faults().Clear();
        cancel.click();
        Settle(300);

        // Reader Parameters with its settings read back and the channel menu open.
        m_dlg.Sheet().SetActivePage(1);
        Settle(300);
        ClickAndWaitForLine("parameterGetSettingsButton",
                            QStringLiteral("Get Settings Successfully!"));
        auto& band = Find<QGroupBox>(m_dlg, "frequencyBandGroup");
        const QPoint menuAt = band.mapToGlobal(QPoint(band.width() / 3, band.height() / 3));
        if (!m_dlg.ParameterPage().ShowChannelMenu(menuAt))
            throw std::runtime_error("the channel menu did not open");
        QMenu* channelMenu = m_dlg.ParameterPage().ChannelMenu();
        WaitExposed(*channelMenu);
        Shot(QStringLiteral("reader-parameters"),
             m_dlg.frameGeometry().united(channelMenu->frameGeometry()));
        channelMenu->close();
        Settle(300);

        // The Help menu with its About item, then the About box.
        auto& about = Find<QAction>(m_dlg, "aboutAction");
        auto* menuBar = m_dlg.findChild<QMenuBar*>();
        QAction* help = nullptr;
        for (QAction* action : menuBar ? menuBar->actions() : QList<QAction*>())
            if (action->menu() && action->menu()->actions().contains(&about))
                help = action;
        if (!help)
            throw std::runtime_error("no menu holds the About item");
        menuBar->setActiveAction(help);
        WaitExposed(*help->menu());
        // The top left corner of the window, with the open menu.
        const QRect menuArea = help->menu()->frameGeometry();
        Shot(QStringLiteral("help-menu"),
             QRect(m_dlg.frameGeometry().topLeft(), menuArea.bottomRight() + QPoint(160, 40)));
        help->menu()->close();
        Settle(300);

        // The About box opens through the modal-dialog seam; the runner pictures it and closes
        // it. Errors wait until the trigger has returned, so none crosses Qt's signal code.
        std::string aboutError = "the About box did not open";
        SetDialogRunner([this, &aboutError](QDialog& dialog) {
            try {
                dialog.show();
                WaitExposed(dialog);
                // The box with a margin of the window behind it.
                Shot(QStringLiteral("about"), dialog.frameGeometry().adjusted(-24, -24, 24, 24));
                aboutError.clear();
            } catch (const std::exception& error) {
                aboutError = error.what();
            }
            dialog.accept();
            return int(QDialog::Accepted);
        });
        about.trigger();
        SetDialogRunner({});
        if (!aboutError.empty())
            throw std::runtime_error(aboutError);

        Click(m_dlg, "disconnectButton");
        Settle(300);
        SetMessageRecorder({});
    }

private:
    QString m_folder;
    CReaderDlg m_dlg;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnwick"));
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots");
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "screenshot_tour: cannot create %s\n", qPrintable(folder));
        return 1;
    }
    try {
        Tour tour(folder);
        tour.Run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "screenshot_tour: %s\n", error.what());
        return 1;
    }
    return 0;
}
