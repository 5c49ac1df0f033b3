// The worker over real folders with real links, on the manual clock: what changes on disk,
// the bar's values, the order of work, the pacing, stops, and copies that cannot be made.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QProgressBar>
#include <QWindow>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <initializer_list>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "kit/tempfolder.h"
#include "kit/user.h"
#include "platform/application.h"
#include "platform/clock.h"
#include "platform/controls.h"
#include "platform/folderitem.h"
#include "platform/testing.h"
#include "platform/timer.h"
#include "windows/wndprogress.h"
#include "worker/copyaliasthread.h"

namespace {

using Values = std::vector<int>;

QProgressBar* BarWidget() {
    Ref<Control> bar = RuntimeWindowControlByName(WndProgress(), "PrgItem");
    return qobject_cast<QProgressBar*>(bar->Widget());
}

// Watches the bar's values and the window's showing and hiding for one run. The bar is
// first moved off 0 so that the run's opening 0 is seen as a change too.
class WindowWatch : public QObject {
public:
    WindowWatch() {
        QProgressBar* bar = BarWidget();
        bar->setMaximum(1000);
        bar->setValue(999);
        connect(bar, &QProgressBar::valueChanged, this, [this](int value) {
            values.push_back(value);
            if (onValue) onValue(value);
        });
        WndProgress()->Widget()->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show) ++shown;
        if (event->type() == QEvent::Hide) {
            ++hidden;
            hiddenAt = Clock::Now();
        }
        return false;
    }

    // Took is how long the run kept its window, from the watch's making to the hiding.
    double Took() const { return hiddenAt - fStart; }

    Values values;
    std::function<void(int)> onValue;  // runs inside the worker's write
    int shown = 0;
    int hidden = 0;
    double hiddenAt = -1;

private:
    const double fStart = Clock::Now();
};

// A timer whose action is a test's probe.
class ProbeTimer : public Timer {
public:
    explicit ProbeTimer(std::function<void()> action) : fAction(std::move(action)) {}
    static Ref<ProbeTimer> At(int32_t milliseconds, std::function<void()> action) {
        Ref<ProbeTimer> timer = New<ProbeTimer>(std::move(action));
        timer->SetMode(kModeSingle);
        timer->SetPeriod(milliseconds);
        return timer;
    }

protected:
    void Event_Action() override { fAction(); }

private:
    std::function<void()> fAction;
};

class Worker : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRuntimeForTesting();
        Clock::UseManualClock();
    }
    void TearDown() override {
        WndProgress()->Hide();
        Clock::UseSystemClock();
        ResetRuntimeForTesting();
    }

    Ref<CCopyAliasThread> MakeWorker(const std::string& path, bool recurse = false,
                                     bool keepAliasNames = false) {
        Ref<CCopyAliasThread> worker = New<CCopyAliasThread>();
        worker->SetFolder(path.empty() ? nullptr : GetTrueFolderItem(path, 0));
        worker->SetRecurse(recurse);
        worker->SetKeepAliasNames(keepAliasNames);
        return worker;
    }

    // Runs the worker to its end, keeping the event loop turning.
    void RunToEnd(const Ref<CCopyAliasThread>& worker) {
        worker->Run();
        WaitForEnd(worker);
    }

    void WaitForEnd(const Ref<CCopyAliasThread>& worker) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        do {
            fLoop->DoEvents(10);
        } while (worker->State() != Thread::kNotRunning &&
                 std::chrono::steady_clock::now() < deadline);
        ASSERT_EQ(worker->State(), Thread::kNotRunning) << "the worker did not end";
    }

    void Run(const std::string& path, bool recurse = false, bool keepAliasNames = false) {
        RunToEnd(MakeWorker(path, recurse, keepAliasNames));
    }

    Ref<Application> fLoop = New<Application>();
};

void Folders(TempFolder& t, std::initializer_list<const char*> paths) {
    for (const char* path : paths) t.Folder(path);
}

// "drop" as in the worked example: two aliases, one folder ("sub"), two plain files.
void MakeWorkedExample(TempFolder& t) {
    Folders(t, {"src", "drop", "drop/sub"});
    t.File("src/one", "1");
    t.File("src/two", "2");
    t.File("drop/p1", "plain");
    t.File("drop/p2", "plain");
    t.Link("drop/l1", "../src/one");
    t.Link("drop/l2", "../src/two");
}

TEST_F(Worker, ReplacesAliasesOfFilesAndLeavesEverythingElse) {
    TempFolder t;
    Folders(t, {"sub"});
    t.File("sub/inner", "inner");
    t.File("data.txt", "the data");
    t.Folder("dir");
    t.Link("to-file", "data.txt");
    t.Link("to-file-abs", t.Path("sub/inner"));
    t.Link("to-dir", "dir");
    t.Link("dangling", "nowhere");
    t.Link("self", "self");
    t.Link("chain", "to-file-abs");
    t.Link("sub/deep", "../data.txt");

    Run(t.Root());

    // Named after the original: "to-file-abs" and "chain" both lead to sub/inner, so the
    // higher one ("to-file-abs") takes the name "inner" and "chain" finds it taken.
    EXPECT_EQ(t.Read("inner"), "inner");
    EXPECT_FALSE(t.Exists("to-file-abs"));
    EXPECT_TRUE(t.IsLink("chain"));
    // "to-file" beside its original: the name is the original's own, so it stays a link and
    // the original keeps its content.
    EXPECT_TRUE(t.IsLink("to-file"));
    EXPECT_EQ(t.Read("data.txt"), "the data");
    EXPECT_TRUE(t.IsLink("to-dir"));
    EXPECT_TRUE(t.IsLink("dangling"));
    EXPECT_TRUE(t.IsLink("self"));
    EXPECT_TRUE(t.IsLink("sub/deep"));  // not entered without recursion
    EXPECT_EQ(t.Entries(), (std::vector<std::string>{"chain", "dangling", "data.txt", "dir",
                                                     "inner", "self", "sub", "to-dir",
                                                     "to-file"}));
}

TEST_F(Worker, NamesCopiesAfterTheAliasWhenAsked) {
    TempFolder t;
    Folders(t, {"orig", "drop"});
    t.File("orig/a.txt", "A");
    t.File("orig/b.txt", "B");
    t.Link("drop/first", "../orig/a.txt");
    t.Link("drop/second", "../orig/a.txt");
    t.Link("drop/beside", "mine");
    t.File("drop/mine", "mine");
    t.Link("drop/third", t.Path("orig/b.txt"));

    Run(t.Path("drop"), false, true);

    for (const char* name : {"first", "second", "beside", "third"})
        EXPECT_FALSE(t.IsLink(std::string("drop/") + name)) << name;
    EXPECT_EQ(t.Read("drop/first"), "A");
    EXPECT_EQ(t.Read("drop/second"), "A");
    EXPECT_EQ(t.Read("drop/beside"), "mine");
    EXPECT_EQ(t.Read("drop/third"), "B");
    EXPECT_EQ(t.Entries("drop"),
              (std::vector<std::string>{"beside", "first", "mine", "second", "third"}));
    EXPECT_EQ(t.Entries("orig"), (std::vector<std::string>{"a.txt", "b.txt"}));
}

TEST_F(Worker, TwoAliasesOfOneOriginal) {
    TempFolder t;
    Folders(t, {"orig", "drop", "drop/x", "drop/y"});
    t.File("orig/file", "content");
    t.Link("drop/x/a", "../../orig/file");
    t.Link("drop/y/a", "../../orig/file");
    t.Link("drop/x/b", "../../orig/file");

    Run(t.Path("drop"), true);

    // In two folders each gets its copy; in one folder the higher entry ("b") is replaced
    // first and the other finds the name taken and stays.
    EXPECT_EQ(t.Read("drop/y/file"), "content");
    EXPECT_FALSE(t.Exists("drop/y/a"));
    EXPECT_EQ(t.Read("drop/x/file"), "content");
    EXPECT_FALSE(t.Exists("drop/x/b"));
    EXPECT_TRUE(t.IsLink("drop/x/a"));
    EXPECT_EQ(t.Read("orig/file"), "content");
}

TEST_F(Worker, BarFollowsTheWorkedExample) {
    // With recursion the nested folder's closing block writes 10 and 11 after its 5.
    for (bool recurse : {false, true}) {
        TempFolder t;
        MakeWorkedExample(t);
        t.File("drop/sub/file", "x");
        t.Link("drop/sub/link", "file");
        WindowWatch watch;

        Run(t.Path("drop"), recurse);

        const Values expected = recurse ? Values{0, 1, 2, 3, 4, 5, 10, 11, 6, 7, 10, 11}
                                        : Values{0, 1, 2, 3, 4, 5, 6, 7, 10, 11};
        EXPECT_EQ(watch.values, expected);
        EXPECT_EQ(BarWidget()->maximum(), 11);
        EXPECT_EQ(watch.shown, 1);
        EXPECT_EQ(watch.hidden, 1);
        EXPECT_NEAR(watch.Took(), 2.0, 1e-6);  // a nested pass fills the top one's wait
        EXPECT_EQ(t.Read("drop/one"), "1");
        EXPECT_EQ(t.Read("drop/two"), "2");
        EXPECT_TRUE(t.IsLink("drop/sub/link"));  // beside its original, under its name
    }
}

// Turns runs the worker one turn at a time, the window shown and exposed beforehand so
// that showing it again costs the worker no turns. It gives the bar's value as each turn
// leaves it, with an 's' after the value when the worker then sleeps.
std::vector<std::string> Turns(const Ref<CCopyAliasThread>& worker) {
    WndProgress()->Show();
    EXPECT_TRUE(User::WaitUntil([] {
        QWindow* handle = WndProgress()->Widget()->windowHandle();
        return handle && handle->isExposed();
    }, 2000));
    SetDeterministicScheduling(true);
    worker->Run();
    std::vector<std::string> turns;
    while (worker->State() != Thread::kNotRunning && turns.size() < 100) {
        Yield();
        const bool sleeping = worker->State() == Thread::kSleeping;
        turns.push_back(std::to_string(BarWidget()->value()) + (sleeping ? "s" : ""));
        if (sleeping) Clock::Advance(1.0);
    }
    SetDeterministicScheduling(false);
    return turns;
}

using TurnList = std::vector<std::string>;

TEST_F(Worker, GivesWayAtTheEndOfEachStepAndInEachWait) {
    // Five collect steps, two replace steps and the end of the replace phase, then each
    // wait's sleep and its yield.
    TempFolder t;
    MakeWorkedExample(t);
    EXPECT_EQ(Turns(MakeWorker(t.Path("drop"))),
              (TurnList{"0", "1", "2", "3", "4", "6", "7", "7", "10s", "10", "11s", "11", "11"}));

    // A stop seen after a phase skips the replace phase and its closing yield.
    TempFolder stopped;
    MakeWorkedExample(stopped);
    Ref<CCopyAliasThread> worker = MakeWorker(stopped.Path("drop"));
    WindowWatch watch;
    watch.onValue = [&](int value) { if (value == 5) worker->Interrupt(); };
    EXPECT_EQ(Turns(worker), (TurnList{"0", "1", "2", "3", "4", "10s", "10", "11s", "11", "11"}));
    EXPECT_TRUE(stopped.IsLink("drop/l1"));
}

TEST_F(Worker, ClosingWaitsCountFromTheStartOfTheCall) {
    // An empty folder still shows its window with Maximum 1; a pass whose work takes w
    // seconds ends at w + 2 below one second, at w + 1 up to two, and right after its work
    // from two on.
    const std::vector<std::pair<double, double>> cases = {
        {0.0, 2.0}, {0.5, 2.5}, {1.5, 2.5}, {2.5, 2.5}};
    for (const auto& [work, expected] : cases) {
        TempFolder t;
        WindowWatch watch;
        watch.onValue = [&, advanced = false](int) mutable {
            if (!advanced) Clock::Advance(work);
            advanced = true;
        };
        Run(t.Root());
        EXPECT_EQ(watch.values, (Values{0, 1})) << "work " << work;
        EXPECT_EQ(BarWidget()->maximum(), 1);
        EXPECT_NEAR(watch.Took(), expected, 1e-6) << "work " << work;
        EXPECT_TRUE(t.Entries().empty());
    }
}

TEST_F(Worker, WalksDepthFirstFromTheHighestEntryAndNeverFollowsFolderLinks) {
    TempFolder t;
    Folders(t, {"src", "drop", "drop/a", "drop/a/c", "drop/b"});
    t.File("src/f", "data");
    t.Link("drop/a/c/l", "../../../src/f");
    t.Link("drop/a/l", "../../src/f");
    t.Link("drop/b/l", "../../src/f");
    t.Link("drop/l", "../src/f");
    t.Folder("outside");
    t.Link("outside/l", "../src/f");
    t.Link("drop/to-outside", "../outside");
    t.Link("drop/loop", ".");

    // b (the higher entry) runs from 0 to 2 s, then a: its nested c from 2 to 4 s, a's own
    // alias and the dropped folder's after that.
    auto replaced = [&](const char* folder) { return t.Exists(std::string(folder) + "/f"); };
    std::vector<std::vector<bool>> seen;
    auto look = [&] {
        seen.push_back({replaced("drop/b"), replaced("drop/a/c"), replaced("drop/a"),
                        replaced("drop")});
    };
    Ref<ProbeTimer> at1 = ProbeTimer::At(1000, look);
    Ref<ProbeTimer> at3 = ProbeTimer::At(3000, look);
    WindowWatch watch;

    Run(t.Path("drop"), true);

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], (std::vector<bool>{true, false, false, false}));
    EXPECT_EQ(seen[1], (std::vector<bool>{true, true, false, false}));
    EXPECT_TRUE(replaced("drop/a"));
    EXPECT_TRUE(replaced("drop"));
    EXPECT_NEAR(watch.Took(), 4.0, 1e-6);
    EXPECT_TRUE(t.IsLink("outside/l"));
    EXPECT_TRUE(t.IsLink("drop/to-outside"));
    EXPECT_TRUE(t.IsLink("drop/loop"));
}

TEST_F(Worker, EndsAtOnceWithNoWindowWithoutAFolderOrWhenStoppedBefore) {
    TempFolder t;
    t.File("file", "x");
    t.Folder("dir");
    t.Link("dir/l", "../file");
    t.Link("link-to-dir", "dir");
    for (const std::string& path : {std::string(), t.Path("missing"), t.Path("file"),
                                    t.Path("link-to-dir"), t.Path("dir")}) {
        Ref<CCopyAliasThread> worker = MakeWorker(path);
        if (path == t.Path("dir")) worker->Interrupt();
        WindowWatch watch;
        RunToEnd(worker);
        EXPECT_EQ(watch.shown, 0) << path;
        EXPECT_TRUE(watch.values.empty()) << path;
    }
    EXPECT_TRUE(t.IsLink("dir/l"));
}

// A folder for the stops: entries "a" (folder), "b" (folder), "l1", "l2" (aliases), "z".
// Each folder holds one alias of its own.
void MakeStopTree(TempFolder& t) {
    Folders(t, {"src", "drop", "drop/a", "drop/b"});
    t.File("src/f", "data");
    t.File("src/g", "data");
    t.Link("drop/a/l", "../../src/f");
    t.Link("drop/b/l", "../../src/f");
    t.Link("drop/l1", "../src/f");
    t.Link("drop/l2", "../src/g");
    t.File("drop/z");
}

TEST_F(Worker, StopFinishesTheStepUnderWayThenClosesEveryOpenPass) {
    // Values: 0..4 collect; with recursion 5 and 6 enter "b" and "a", each followed by its
    // closing 10, 11; without, 5 counts both folders at once; the aliases follow.
    struct Stop {
        const char* when;
        bool recurse;
        int atValue;  // the stop comes with this bar value...
        int atMs;     // ...or at this moment
        Values values;
        std::vector<std::string> replaced;
    };
    const std::vector<Stop> stops = {
        {"collecting", true, 2, 0, {0, 1, 2, 10, 11}, {}},
        {"before a nested folder", true, 5, 0, {0, 1, 2, 3, 4, 5, 10, 11}, {}},
        // "b" finishes its closing block, with its 11 after the stop; "a" is never entered.
        {"in a nested closing", true, -1, 500, {0, 1, 2, 3, 4, 5, 10, 11, 10, 11}, {"drop/b/l"}},
        {"replacing", false, 7, 0, {0, 1, 2, 3, 4, 5, 7, 10, 11}, {"drop/l2"}},
    };
    for (const Stop& stop : stops) {
        TempFolder t;
        MakeStopTree(t);
        Ref<CCopyAliasThread> worker = MakeWorker(t.Path("drop"), stop.recurse);
        WindowWatch watch;
        watch.onValue = [&](int value) { if (value == stop.atValue) worker->Interrupt(); };
        Ref<ProbeTimer> timer;
        if (stop.atMs > 0) timer = ProbeTimer::At(stop.atMs, [&] { worker->Interrupt(); });

        RunToEnd(worker);

        EXPECT_EQ(watch.values, stop.values) << stop.when;
        EXPECT_EQ(watch.hidden, 1) << stop.when;
        EXPECT_NEAR(watch.Took(), 2.0, 1e-6) << stop.when;
        for (const char* link : {"drop/a/l", "drop/b/l", "drop/l1", "drop/l2"}) {
            const bool replaced = std::count(stop.replaced.begin(), stop.replaced.end(), link);
            EXPECT_EQ(t.IsLink(link), !replaced) << stop.when << ": " << link;
        }
    }
}

TEST_F(Worker, SpecialFileOriginalIsNeverCopiedNorBlocksTheRun) {
    TempFolder t;
    t.Fifo("pipe");
    t.Folder("drop");
    t.Link("drop/to-pipe", "../pipe");
    t.Link("drop/to-null", "/dev/null");
    for (bool keepAliasNames : {false, true}) {
        Run(t.Path("drop"), false, keepAliasNames);
        EXPECT_TRUE(t.IsLink("drop/to-pipe"));
        EXPECT_TRUE(t.IsLink("drop/to-null"));
        EXPECT_EQ(t.Entries("drop"), (std::vector<std::string>{"to-null", "to-pipe"}));
    }
}

// Makes every file write beyond limit bytes fail, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        getrlimit(RLIMIT_FSIZE, &fSaved);
        fSavedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = fSaved;
        lowered.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &fSaved);
        std::signal(SIGXFSZ, fSavedHandler);
    }

private:
    rlimit fSaved{};
    void (*fSavedHandler)(int) = nullptr;
};

TEST_F(Worker, CopyThatCannotBeMadeLeavesTheAliasAndNothingElse) {
    for (bool keepAliasNames : {false, true}) {
        TempFolder t;
        Folders(t, {"src", "drop"});
        t.File("src/big", std::string(256 * 1024, 'b'));
        t.File("src/small", "small");
        t.Link("drop/a-big", "../src/big");
        t.Link("drop/b-small", "../src/small");
        {
            FileSizeLimit limit(64 * 1024);
            Run(t.Path("drop"), false, keepAliasNames);
        }
        // The failed copy leaves its alias, and the pass went on to the next one.
        EXPECT_TRUE(t.IsLink("drop/a-big")) << keepAliasNames;
        EXPECT_EQ(t.Read("drop/a-big").size(), 256u * 1024);
        EXPECT_FALSE(t.IsLink("drop/b-small"));
        const std::string smallName = keepAliasNames ? "b-small" : "small";
        EXPECT_EQ(t.Read("drop/" + smallName), "small");
        EXPECT_EQ(t.Entries("drop"), (std::vector<std::string>{"a-big", smallName}));
        EXPECT_EQ(t.Read("src/big"), std::string(256 * 1024, 'b'));
    }
}

TEST_F(Worker, SmallRunOnTheRealClock) {
    Clock::UseSystemClock();
    TempFolder t;
    t.File("f", "real");
    t.Link("l", "f");
    t.Folder("d");
    t.Link("d/l", "../f");
    Ref<CCopyAliasThread> worker = MakeWorker(t.Root(), true, true);
    WindowWatch watch;

    RunToEnd(worker);

    EXPECT_EQ(t.Read("l"), "real");
    EXPECT_FALSE(t.IsLink("l"));
    EXPECT_EQ(t.Read("d/l"), "real");
    EXPECT_EQ(watch.values.back(), 7);
    EXPECT_EQ(watch.hidden, 1);
}

}  // namespace
