// Whole Tag Operation page operations against the simulated reader, connected through the
// Connect button: what the page sends, the reader understands, and what it answers, the page shows.
#include "pagetest.h"

#include "pages/cread.h"

#include <QAction>

namespace {

class TagOperationOnSimulator : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        CReaderDlg::s_connectTimeoutMs = 3000;
        ASSERT_TRUE(ConnectToSimulator(dlg, QStringLiteral("115200")));
        dlg.Sheet().SetActivePage(1);
        QTest::qWait(50); // the activation's stop is answered while nobody listens
    }
    bool Ends(const char* button, const char* line) {
        Click(dlg, button);
        return QTest::qWaitFor([&] { return Lines(dlg).value(Lines(dlg).size() - 1) == line; },
                               10000);
    }
    CReaderDlg dlg;
};

TEST_F(TagOperationOnSimulator, WrittenWordReadsBack) {
    Operate(dlg, {"writeSectionList=User", "writeAddressBox=3", "writeDataBox=BE EF"});
    ASSERT_TRUE(Ends("writeTagButton", "Tag Data Written Successfully!"));
    Operate(dlg, {"readSectionList=User", "readAddressBox=3", "readLengthBox=1"});
    ASSERT_TRUE(Ends("readTagButton", "Tag Data Read Successfully!"));
    ExpectControls(dlg, {"readDataBox=be ef"});
    EXPECT_EQ(SimulatedReader(dlg).Tags().Focused()->Memory(MemoryBank::User)[7], 0xEF);
}

// The reader's own login password starts as 00000000: log in, change it, and number a tag.
TEST_F(TagOperationOnSimulator, LoginPasswordChangeAndFastWrite) {
    dlg.findChild<QAction*>(QStringLiteral("showPasswordFunctionsAction"))->setChecked(true);
    TypeIntoPasswordDialogs({"00000000", "00000000|11223344|11223344"});
    ASSERT_TRUE(Ends("loginButton", "Login Successfully!"));
    ASSERT_TRUE(Ends("modifyLoginPasswordButton", "Login Password Modified Successfully!"));
    Operate(dlg, "fastWriteIdBox=E2 00 00 FF");
    ASSERT_TRUE(Ends("fastWriteTagIdButton", "Tag ID Written Successfully!"));
    ExpectControls(dlg, {"fastWriteIdBox=E2 00 01 00 "});
    EXPECT_TRUE(messages.isEmpty());
}

} // namespace
