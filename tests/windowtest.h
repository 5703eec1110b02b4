// Shared set-up for tests that drive the main window: message boxes are recorded instead of
// shown, the connect time-out is short, and controls are found by their object names; whatever
// dialog runner or file chooser a test put in is taken out after it.
#pragma once

#include "ui/coperationlog.h"
#include "ui/creaderdlg.h"
#include "ui/filechooser.h"
#include "widgets/cpropertysheet.h"
#include "widgets/messagebox.h"
#include "widgets/modal.h"

#include <QComboBox>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>

// Failing comparisons show texts as text.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        CReaderDlg::s_connectTimeoutMs = 400;
        SetMessageRecorder([this](const QString& text, const QString& detail) {
            messages << text;
            details << detail;
        });
    }
    void TearDown() override {
        SetMessageRecorder({});
        SetDialogRunner({});
        SetSaveFileChooser({});
        CReaderDlg::s_connectTimeoutMs = 3000;
        CStatusBar::s_waitThresholdMs = 2000;
    }

    static QPushButton* Button(CReaderDlg& dlg, const char* name) {
        auto* button = dlg.findChild<QPushButton*>(QString::fromLatin1(name));
        EXPECT_NE(button, nullptr) << name;
        return button;
    }
    static void Click(CReaderDlg& dlg, const char* name) {
        QPushButton* button = Button(dlg, name);
        if (button && button->isEnabled())
            QTest::mouseClick(button, Qt::LeftButton);
    }
    static void Choose(CReaderDlg& dlg, const char* list, const QString& text) {
        auto* box = dlg.findChild<QComboBox*>(QString::fromLatin1(list));
        ASSERT_NE(box, nullptr) << list;
        box->setEditText(text);
    }
    static QStringList Lines(CReaderDlg& dlg) {
        QStringList lines;
        for (int i = 0; i < dlg.OperationList().LineCount(); ++i)
            lines << dlg.OperationList().TextAt(i);
        return lines;
    }
    static QStringList Tabs(CReaderDlg& dlg) {
        QStringList tabs;
        for (int i = 0; i < dlg.Sheet().count(); ++i)
            tabs << dlg.Sheet().tabText(i);
        return tabs;
    }

    QStringList messages;
    QStringList details; // the informative text of each message
};
