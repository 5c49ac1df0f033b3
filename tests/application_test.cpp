// The event loop: what RuntimeRun delivers and in which order, Quit, exceptions from
// handlers, DoEvents blocking, and the text helpers.

#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QGuiApplication>
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
#include "platform/thread.h"
#include "platform/timer.h"

namespace {

// Recorder logs every event it is given and runs the test's reaction to it.
class Recorder : public Application {
public:
    std::vector<std::string> fLog;
    std::function<void(const std::string&)> fOnDocument;
    std::function<void()> fOnActivate;

    void Event_Open() override { fLog.push_back("Open"); }
    void Event_Close() override { fLog.push_back("Close"); }
    void Event_Activate() override {
        fLog.push_back("Activate");
        if (fOnActivate) fOnActivate();
    }
    void Event_Deactivate() override { fLog.push_back("Deactivate"); }
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
        fReaper.setSingleShot(true);
        QObject::connect(&fReaper, &QTimer::timeout, [] { Quit(99); });
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

TEST_F(ApplicationTest, RunDeliversActivateThenEachDocumentInOrderUntilQuit) {
    SetCommandLineDocumentsForTesting({"/work/a", "/work/b"});
    fApp->fOnDocument = [](const std::string& path) {
        if (path == "/work/b") Quit(0);
    };
    RuntimeRun();
    EXPECT_EQ(fApp->fLog, (std::vector<std::string>{"Open", "Activate", "Open /work/a",
                                                    "Done /work/a", "Open /work/b",
                                                    "Done /work/b", "Close"}));
    EXPECT_EQ(RuntimePrivate::ExitStatus(), 0);
}

TEST_F(ApplicationTest, ADocumentArrivingDuringAHandlerWaitsForItsEnd) {
    SetCommandLineDocumentsForTesting({"/work/a", "/work/b"});
    fApp->fOnDocument = [this](const std::string& path) {
        for (int i = 0; i < 5; ++i) fApp->DoEvents(100);  // as a run's wait does
        if (path == "/work/b") Quit(0);
    };
    RuntimeRun();
    EXPECT_EQ(fApp->fLog, (std::vector<std::string>{"Open", "Activate", "Open /work/a",
                                                    "Done /work/a", "Open /work/b",
                                                    "Done /work/b", "Close"}));
}

TEST_F(ApplicationTest, ADocumentHeldBackWhenTheHandlerQuitsIsReportedNotRun) {
    SetCommandLineDocumentsForTesting({"/work/a", "/work/b", "/work/c"});
    fApp->fOnDocument = [this](const std::string&) {
        for (int i = 0; i < 5; ++i) fApp->DoEvents(100);
        Quit(0);  // every road of the program's handler ends so
    };
    ::testing::internal::CaptureStderr();
    RuntimeRun();
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(fApp->fLog, (std::vector<std::string>{"Open", "Activate", "Open /work/a",
                                                    "Done /work/a", "Close"}));
    EXPECT_EQ(err, "quorbit: not handled: /work/b\nquorbit: not handled: /work/c\n");
}

TEST_F(ApplicationTest, AHandlersExceptionLeavesRunAndEndsTheLoop) {
    SetCommandLineDocumentsForTesting({"/work/a"});
    fApp->fOnActivate = [] { throw NilObjectException(); };
    ::testing::internal::CaptureStderr();
    EXPECT_THROW(RuntimeRun(), NilObjectException);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(fApp->fLog, (std::vector<std::string>{"Open", "Activate"}))
        << "neither the document nor Close follows";
    EXPECT_FALSE(QuitRequested());
}

TEST_F(ApplicationTest, ATimersExceptionInANestedWaitLeavesRun) {
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
    EXPECT_EQ(fApp->fLog, (std::vector<std::string>{"Open", "Activate", "Open /work/a"}));
}

TEST_F(ApplicationTest, TheLoopServesThreadsAndTimersBeforeQuit) {
    class Counter : public Thread {
    public:
        int fPasses = 0;

    protected:
        void Event_Run() override {
            for (int i = 0; i < 3; ++i, ++fPasses) Sleep(1000);
            Quit(7);
        }
    };
    Ref<Counter> counter = New<Counter>();
    fApp->fOnActivate = [&] { counter->Run(); };
    RuntimeRun();
    EXPECT_EQ(counter->fPasses, 3);
    EXPECT_EQ(RuntimePrivate::ExitStatus(), 7);
    EXPECT_EQ(fApp->fLog.back(), "Close");
}

TEST_F(ApplicationTest, ActivateComesAgainOnlyAfterTheApplicationWasInactive) {
    // The offscreen platform never reports the application inactive; Qt's report is made
    // here as the window system would have it made.
    auto report = [](Qt::ApplicationState state) {
        emit static_cast<QGuiApplication*>(QCoreApplication::instance())
            ->applicationStateChanged(state);
    };
    fApp->fOnActivate = [&] {
        if (fApp->fLog.size() > 2) {
            Quit(0);
            return;
        }
        report(Qt::ApplicationActive);  // active since launch: nothing new
        report(Qt::ApplicationInactive);
        report(Qt::ApplicationInactive);
        report(Qt::ApplicationActive);
    };
    RuntimeRun();
    EXPECT_EQ(fApp->fLog, (std::vector<std::string>{"Open", "Activate", "Deactivate",
                                                    "Activate", "Close"}));
}

TEST_F(ApplicationTest, DoEventsBlocksOnTheQueueWhenNothingCanRun) {
    Clock::UseSystemClock();
    int blocked = 0;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                     &fReaper, [&] { ++blocked; });
    fApp->DoEvents(30);
    EXPECT_GE(blocked, 1) << "DoEvents waited on the event queue instead of spinning";
}

TEST_F(ApplicationTest, ChrEncodesUtf8AndEndOfLineIsLinefeed) {
    EXPECT_EQ(Chr(13), "\r");
    EXPECT_EQ(Chr(0xE9), "\xC3\xA9");
    EXPECT_EQ(Chr(0x20AC), "\xE2\x82\xAC");
    EXPECT_EQ(Chr(0x1F600), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Chr(0xD800), "\xEF\xBF\xBD") << "a lone surrogate has no UTF-8 form";
    EXPECT_EQ(Chr(0x110000), "\xEF\xBF\xBD");
    EXPECT_EQ(EndOfLine(), "\n");
}

}  // namespace
