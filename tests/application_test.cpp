// The event loop: what RuntimeRun delivers and in which order, and Quit.

#include <QTimer>

#include "kit/programkit.h"
#include "platform/application.h"
#include "platform/folderitem.h"
#include "platform/runtime_p.h"

namespace {

using Log = std::vector<std::string>;

// Recorder logs every event it is given. Each document's handler waits as a run's wait does,
// and the second one quits.
class Recorder : public Application {
public:
    Log fLog;

    void Event_Open() override { fLog.push_back("Open"); }
    void Event_Close() override { fLog.push_back("Close"); }
    void Event_Activate() override { fLog.push_back("Activate"); }
    void Event_OpenDocument(Ref<FolderItem> item) override {
        std::string path = item->AbsolutePath();
        fLog.push_back("Open " + path);
        for (int i = 0; i < 5; ++i) DoEvents(100);
        if (path == "/work/b") {
            Quit(0);
            Quit(3);  // the first code stands
        }
        fLog.push_back("Done " + path);
    }
};

using EventLoop = ManualClockTest;

TEST_F(EventLoop, RunDeliversEachDocumentAfterActivateOnceTheLastHasEnded) {
    Ref<Recorder> app = New<Recorder>();
    RuntimeRegisterAppObject(app);
    // Should the loop never end, this ends it and the test fails on what it finds.
    QTimer reaper;
    reaper.callOnTimeout([] { Quit(99); });
    reaper.start(20000);
    SetCommandLineDocumentsForTesting({"/work/a", "/work/b", "/work/c"});
    ::testing::internal::CaptureStderr();
    RuntimeRun();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "quorbit: not handled: /work/c\n")
        << "a document held back when the handler quits is reported, not run";
    EXPECT_EQ(app->fLog, (Log{"Open", "Activate", "Open /work/a", "Done /work/a",
                              "Open /work/b", "Done /work/b", "Close"}));
    EXPECT_EQ(RuntimePrivate::ExitStatus(), 0);
}

}  // namespace
