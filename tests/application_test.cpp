// The event loop: what RuntimeRun delivers and in which order, Quit, exceptions from
// handlers, DoEvents blocking, and the text helpers.

#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

#include "platform/application.h"
#include "platform/clock.h"
#include "platform/folderitem.h"
#include "platform/runtime.h"
#include "platform/runtime_p.h"
#include "platform/testing.h"
#include "platform/text.h"
#include "platform/timer.h"

namespace {

using Log = std::vector<std::string>;

// Recorder logs every event it is given and runs the test's reaction to it.
class Recorder : public Application {
public:
    Log fLog;
    std::function<void(const std::string&)> fOnDocument;

    void Event_Open() override { fLog.push_back("Open"); }
    void Event_Close() override { fLog.push_back("Close"); }
    void Event_Activate() override { fLog.push_back("Activate"); }
    void Event_OpenDocument(Ref<FolderItem> item) override {
        std::string path = item->AbsolutePath();
        fLog.push_back("Open " + path);
        if (fOnDocument) fOnDocument(path);
        fLog.push_back("Done " + path);
    }
};

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRuntimeForTesting();
        Clock::UseManualClock();
        RuntimeRegisterAppObject(fApp);
        // Should the loop never end, this ends it and the test fails on what it finds.
        fReaper.callOnTimeout([] { Quit(99); });
        fReaper.start(20000);
    }
    void TearDown() override { ResetRuntimeForTesting(); }

    Ref<Recorder> fApp = New<Recorder>();
    QTimer fReaper;
};

TEST_F(ApplicationTest, QuitKeepsTheFirstCode) {
    EXPECT_FALSE(QuitRequested());
    Quit(3);
    Quit(0);
    EXPECT_TRUE(QuitRequested());
    EXPECT_EQ(RuntimePrivate::ExitStatus(), 3);
}

TEST_F(ApplicationTest, RunDeliversEachDocumentAfterActivateOnceTheLastHasEnded) {
    SetCommandLineDocumentsForTesting({"/work/a", "/work/b", "/work/c"});
    fApp->fOnDocument = [this](const std::string& path) {
        for (int i = 0; i < 5; ++i) fApp->DoEvents(100);  // as a run's wait does
        if (path == "/work/b") Quit(0);
    };
    ::testing::internal::CaptureStderr();
    RuntimeRun();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "quorbit: not handled: /work/c\n")
        << "a document held back when the handler quits is reported, not run";
    EXPECT_EQ(fApp->fLog, (Log{"Open", "Activate", "Open /work/a", "Done /work/a",
                               "Open /work/b", "Done /work/b", "Close"}));
    EXPECT_EQ(RuntimePrivate::ExitStatus(), 0);
}

TEST_F(ApplicationTest, AnExceptionFromATimerInAHandlersWaitLeavesRunAtOnce) {
    class Failing : public Timer {
        void Event_Action() override { throw RuntimeException("timer failed"); }
    };
    Ref<Timer> failing = New<Failing>();
    SetCommandLineDocumentsForTesting({"/work/a"});
    fApp->fOnDocument = [&](const std::string&) {
        failing->SetMode(Timer::kModeSingle);
        for (int i = 0; i < 30; ++i) fApp->DoEvents(100);  // the exception comes out here
        fApp->fLog.push_back("waited to the end");
    };
    EXPECT_THROW(RuntimeRun(), RuntimeException);
    EXPECT_EQ(fApp->fLog, (Log{"Open", "Activate", "Open /work/a"})) << "nor Close follows";
    EXPECT_FALSE(QuitRequested());
}

TEST_F(ApplicationTest, DoEventsBlocksOnTheQueueWhenNothingCanRun) {
    Clock::UseSystemClock();
    int blocked = 0;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                     &fReaper, [&] { ++blocked; });
    fApp->DoEvents(30);
    EXPECT_GE(blocked, 1) << "DoEvents waited on the event queue instead of spinning";
}

TEST(Text, ChrEncodesUtf8AndEndOfLineIsLinefeed) {
    EXPECT_EQ(Chr(13) + Chr(0xE9) + Chr(0x1F600), "\r\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(Chr(0xD800) + Chr(0x110000), "\xEF\xBF\xBD\xEF\xBF\xBD") << "no UTF-8 form";
    EXPECT_EQ(EndOfLine(), "\n");
}

}  // namespace
