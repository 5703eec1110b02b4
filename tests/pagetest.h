// Helpers for the page tests: frames as hex text, a reader with parameter memory on the in-memory
// line, the operator's ways of setting and reading a page's controls, and a window connected to
// the simulated reader.
#pragma once

#include "fakewindow.h"
#include "windowtest.h"

#include "link/portnames.h"
#include "link/simulatorbackend.h"
#include "pages/cpassworddlg.h"
#include "protocol/frame.h"
#include "widgets/controls.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <deque>
#include <functional>
#include <initializer_list>

// ---- frames ----

inline QString HexText(const QByteArray& bytes) {
    return QString::fromStdString(
        HexString(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                           static_cast<std::size_t>(bytes.size()))));
}
inline QByteArray Wire(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}
// An answer as it comes off the line: header, length, command, data, checksum.
inline QByteArray AnswerFrame(std::uint8_t header, std::uint8_t command,
                              std::initializer_list<std::uint8_t> data) {
    return Wire(BuildFrame(header, command, ByteView(data.begin(), data.size())));
}
// The frames written to the line since the last call, as hex text.
inline QStringList TakeSent(CFakeBackend& line) {
    QStringList sent;
    for (const QByteArray& frame : line.m_written)
        sent << HexText(frame);
    line.m_written.clear();
    return sent;
}

// The simulated reader on the in-memory line, its clock stepped by hand: each request is answered
// as the reader answers it, and the answers wait until the test pumps them; answers still waiting
// when the port closes are lost with it.
class CParameterReader : public CFakeBackend {
public:
    using CFakeBackend::CFakeBackend;

    void Write(const QByteArray& bytes) override {
        CFakeBackend::Write(bytes);
        sim.Receive(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                             static_cast<std::size_t>(bytes.size())),
                    now);
        now += 100'000;
        if (const Bytes answer = sim.TakeBytes(now); !answer.empty())
            answers.push_back(Wire(answer));
    }
    void Close() override {
        answers.clear();
        CFakeBackend::Close();
    }
    // Delivers the waiting answers one by one, and those of the requests they bring.
    void Pump() {
        for (int i = 0; i < 64 && !answers.empty(); ++i) {
            const QByteArray answer = answers.front();
            answers.pop_front();
            Deliver(answer);
        }
    }
    void Store(std::initializer_list<std::pair<std::uint16_t, std::uint8_t>> values) {
        for (const auto& [address, value] : values)
            sim.Parameters().Store(address, value);
    }

    CReaderSimulator sim;
    std::uint64_t now = 0;
    std::deque<QByteArray> answers;
};

// ---- the operator's hands ----

template <class T = QWidget> T* Control(QWidget& root, const QString& name) {
    T* control = root.findChild<T*>(name);
    EXPECT_NE(control, nullptr) << name.toStdString();
    return control;
}

// Picks an entry from a list's drop-down with the mouse, so that the list closes as it does for
// the operator.
inline void PickEntry(QComboBox* list, int index) {
    list->showPopup();
    QAbstractItemView* view = list->view();
    const QModelIndex entry = view->model()->index(index, 0);
    view->scrollTo(entry);
    view->setCurrentIndex(entry);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(entry).center());
    QCoreApplication::processEvents();
    ASSERT_EQ(list->currentIndex(), index) << list->objectName().toStdString();
}

// Clears a box and types text into it; text the test keyboard cannot type is pasted.
inline void TypeInto(QWidget* box, const QString& text) {
    // An operator cannot type into a disabled control.
    EXPECT_TRUE(box->isEnabled()) << box->objectName().toStdString();
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    bool typeable = true;
    for (QChar c : text)
        typeable = typeable && c.unicode() >= 0x20 && c.unicode() < 0x7F;
    if (typeable)
        QTest::keyClicks(box, text);
    else if (auto* line = qobject_cast<QLineEdit*>(box))
        line->insert(text);
    else if (auto* edit = qobject_cast<QPlainTextEdit*>(box))
        edit->insertPlainText(text);
}

// One setting as the operator makes it: "name=text" types into a box, or picks the entry of a
// list (types it where the list has no such entry, or where the text ends in a "~"); "name:on" /
// "name:off" clicks a radio, or a check box whose state differs.
inline void Operate(QWidget& root, const QString& setting) {
    const bool isText = setting.contains('=');
    const QString name = setting.section(isText ? '=' : ':', 0, 0);
    QString value = setting.section(isText ? '=' : ':', 1);
    QWidget* control = Control(root, name);
    if (!control)
        return;
    if (auto* list = qobject_cast<QComboBox*>(control)) {
        EXPECT_TRUE(list->isEnabled()) << name.toStdString();
        const bool typed = value.endsWith('~');
        if (typed)
            value.chop(1);
        const int index = list->findText(value);
        if (!typed && index >= 0)
            PickEntry(list, index);
        else
            list->setEditText(value); // typed whole, with no completion offered on the way
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        // On its indicator: a button in a wide cell takes no click far right of its caption.
        if (qobject_cast<QRadioButton*>(button) || button->isChecked() != (value == "on"))
            QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    } else {
        TypeInto(control, value);
    }
}
inline void Operate(QWidget& root, const QStringList& settings) {
    for (const QString& setting : settings)
        Operate(root, setting);
}

// Checks what the controls show: "name=text" (box text or list value), "name:on" / "name:off"
// (radio or check box), "name:enabled" / "name:disabled".
inline void ExpectControls(QWidget& root, const QStringList& expectations) {
    for (const QString& expectation : expectations) {
        SCOPED_TRACE(expectation.toStdString());
        const bool isText = expectation.contains('=');
        const QString name = expectation.section(isText ? '=' : ':', 0, 0);
        const QString want = expectation.section(isText ? '=' : ':', 1);
        QWidget* control = Control(root, name);
        if (!control)
            continue;
        if (isText) {
            QString text;
            if (auto* box = qobject_cast<QLineEdit*>(control))
                text = box->text();
            else if (auto* list = qobject_cast<QComboBox*>(control))
                text = ListText(list);
            else if (auto* edit = qobject_cast<QPlainTextEdit*>(control))
                text = edit->toPlainText();
            EXPECT_EQ(text, want);
        } else if (want == "enabled" || want == "disabled") {
            EXPECT_EQ(control->isEnabled(), want == "enabled");
        } else {
            auto* button = qobject_cast<QAbstractButton*>(control);
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->isChecked(), want == "on");
        }
    }
}

// The password dialogs that open next get the texts of one entry each ('|' between a dialog's
// boxes; the last entry serves every later dialog) and OK, or Cancel where OK does not close
// them; a caption list, where given, records their titles.
inline void TypeIntoPasswordDialogs(QStringList dialogs, QStringList* captions = nullptr) {
    SetDialogRunner([dialogs, captions](QDialog& dialog) mutable {
        auto* password = qobject_cast<CPasswordDlg*>(&dialog);
        if (!password)
            return int(QDialog::Rejected);
        if (captions)
            *captions << dialog.windowTitle();
        const QStringList texts =
            (dialogs.size() > 1 ? dialogs.takeFirst() : dialogs.value(0)).split('|');
        for (int i = 0; i < texts.size() && i < password->Boxes().size(); ++i) {
            EXPECT_EQ(password->Boxes()[i]->echoMode(), QLineEdit::Password);
            password->Boxes()[i]->setText(texts[i]);
        }
        dialog.findChild<QPushButton*>("ok")->click();
        if (dialog.result() != QDialog::Accepted)
            dialog.findChild<QPushButton*>("cancel")->click();
        return dialog.result();
    });
}

// ---- the simulated reader ----

// Waits for done, within a bound so that a lost answer fails the test instead of hanging it.
inline bool WaitUntil(const std::function<bool()>& done, int boundMs = 5000) {
    QDeadlineTimer deadline(boundMs);
    while (!done() && !deadline.hasExpired())
        QTest::qWait(5);
    return done();
}

// Connects the shown window through the "Simulator" port entry, at this host rate where one is
// given, as the operator does.
inline bool ConnectToSimulator(CReaderDlg& dlg, const QString& baud = {}) {
    auto* ports = Control<QComboBox>(dlg, QStringLiteral("portList"));
    ports->setCurrentIndex(ports->findText(kSimulatorPort));
    if (!baud.isEmpty())
        Control<QComboBox>(dlg, QStringLiteral("baudList"))->setEditText(baud);
    QTest::mouseClick(Control<QPushButton>(dlg, QStringLiteral("connectButton")), Qt::LeftButton);
    return WaitUntil([&] { return dlg.State().m_connected == 1; });
}
inline CReaderSimulator& SimulatedReader(CReaderDlg& dlg) {
    return qobject_cast<CSimulatorBackend*>(dlg.m_serial.Backend())->Simulator();
}

// A shown main window connected to an in-memory line of type Line, with the requests it sent and
// the answers a test gives it.
template <typename Line = CFakeBackend> class PageTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        line = ConnectToFakeLine<Line>(dlg);
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    }
    QStringList Sent() { return TakeSent(*line); }
    void Answer(const Bytes& bytes) { line->Deliver(Wire(bytes)); }

    CReaderDlg dlg;
    Line* line = nullptr;
};
