// The worker over real folders with real links, on the manual clock: what changes on disk,
// the bar's values and the window, the order of the work, stops, and copies that cannot be made.

#include <QEvent>
#include <QProgressBar>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <sys/resource.h>

#include "kit/programkit.h"
#include "platform/application.h"
#include "platform/controls.h"
#include "platform/folderitem.h"
#include "windows/wndprogress.h"
#include "worker/copyaliasthread.h"

namespace {

using Values = std::vector<int>;

// NewWorker makes a worker over the folder at path ("" gives it none) with the two options.
Ref<CCopyAliasThread> NewWorker(const std::string& path, bool recurse, bool keepAliasNames) {
    Ref<CCopyAliasThread> worker = New<CCopyAliasThread>();
    worker->SetFolder(path.empty() ? nullptr : GetTrueFolderItem(path, 0));
    worker->SetRecurse(recurse);
    worker->SetKeepAliasNames(keepAliasNames);
    return worker;
}

// RunToEnd starts worker and turns the event loop until it has ended, for at most 20 real
// seconds.
void RunToEnd(const Ref<CCopyAliasThread>& worker) {
    worker->Run();
    const Ref<Application> loop = New<Application>();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (worker->State() != Thread::kNotRunning && std::chrono::steady_clock::now() < deadline)
        loop->DoEvents(10);
    ASSERT_EQ(worker->State(), Thread::kNotRunning) << "the worker did not end";
}

QProgressBar* BarWidget() {
    const Ref<Control> bar = RuntimeWindowControlByName(WndProgress(), "PrgItem");
    return qobject_cast<QProgressBar*>(bar->Widget());
}

// WindowWatch records one run: the bar's values (the bar is first moved off 0, so that the
// run's opening 0 counts too), the window's hidings, and when it was hidden.
class WindowWatch : public QObject {
public:
    WindowWatch() {
        BarWidget()->setRange(0, 1000);
        BarWidget()->setValue(999);
        connect(BarWidget(), &QProgressBar::valueChanged, this, [this](int value) {
            values.push_back(value);
            writtenHidden += WndProgress()->Widget()->isVisible() ? 0 : 1;
            if (onValue) onValue(value);
        });
        WndProgress()->Widget()->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide) ++hidden, took = (Clock::Now() - fStart).count();
        return false;
    }

    Values values;
    std::function<void(int)> onValue;  // runs inside the worker's write
    int hidden = 0;
    int writtenHidden = 0;  // values written while the window was hidden
    double took = -1;  // from the watch's making to the window's hiding, on the platform clock

private:
    const Clock::Seconds fStart = Clock::Now();
};

// FileSizeLimit makes every file write beyond limit bytes fail, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        std::signal(SIGXFSZ, SIG_IGN);  // the write fails instead of ending the process
        getrlimit(RLIMIT_FSIZE, &fSaved);
        const rlimit lowered{limit, fSaved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &fSaved); }

private:
    rlimit fSaved{};
};

class Worker : public ManualClockTest {};

TEST_F(Worker, ReplacesEachAliasOfAFileUnderTheChosenNameAndLeavesEveryOther) {
    // Beside its original, or after another alias of the same original took the name, the
    // destination exists: the copy is refused ("to-src-abs", the higher entry, comes first).
    // A link named like its original ("same") is the destination of its own copy: replaced.
    // A full disk, a pipe (whose reading would block the run) and a device: no copy either.
    // A link to a folder is neither replaced nor walked into.
    const std::string big(256 * 1024, 'b');
    for (bool keepAliasNames : {false, true}) {
        SCOPED_TRACE(keepAliasNames ? "alias names" : "original names");
        TempFolder t;
        for (const char* folder : {"src", "drop", "drop/x", "drop/y"}) t.Folder(folder);
        t.File("src/one", "1");
        t.File("src/same", "s");
        t.File("src/big", big);
        t.Fifo("pipe");
        t.File("drop/data", "data");
        t.Link("src/alias", "one");  // only "to-dir" leads here
        const std::pair<const char*, std::string> links[] = {
            {"a-big", "../src/big"}, {"dangling", "nowhere"},  {"loop", "."}, {"same", "../src/same"},
            {"self", "self"},        {"to-dir", "../src"},     {"to-file", "data"},
            {"to-null", "/dev/null"}, {"to-pipe", "../pipe"},  {"to-src", "../src/one"},
            {"to-src-abs", t.Path("src/one")}, {"x/a", "../../src/one"}, {"y/a", "../../src/one"}};
        for (const auto& [link, target] : links) t.Link(std::string("drop/") + link, target);
        {
            FileSizeLimit limit(64 * 1024);
            RunToEnd(NewWorker(t.Path("drop"), true, keepAliasNames));
        }
        const Lines expected =
            keepAliasNames
                ? Lines{"a-big@", "dangling@", "data=data", "loop@", "same=s", "self@", "to-dir@",
                        "to-file=data", "to-null@", "to-pipe@", "to-src-abs=1", "to-src=1",
                        "x/", "x/a=1", "y/", "y/a=1"}
                : Lines{"a-big@", "dangling@", "data=data", "loop@", "one=1", "same=s", "self@", "to-dir@",
                        "to-file@", "to-null@", "to-pipe@", "to-src@",
                        "x/", "x/one=1", "y/", "y/one=1"};
        EXPECT_EQ(Tree(t, "drop"), expected);
        EXPECT_EQ(Tree(t, "src"), (Lines{"alias@", "big=" + big, "one=1", "same=s"}));
    }
}

TEST_F(Worker, RunsTheBarThroughEveryStepOrStopsAfterTheStepUnderWay) {
    // "drop" holds aliases "l1" and "l2", plain files "p1" and "p2", and folder "sub" with an
    // alias of its own. Values: 0..4 collect; 5 enters "sub", whose closing block writes 10
    // and 11, or without recursion counts it; the aliases follow; then the closing 10, 11.
    // A stop finishes the step under way, skips the rest and still closes every open pass.
    constexpr int kNever = -2;
    struct Run {
        const char* when;
        const char* folder;  // null: the worker gets none
        bool recurse;
        int stopAtValue;  // the stop comes with this bar value...
        int stopAtMs;     // ...or at this moment
        Values values;
        Lines replaced;
    };
    const Run runs[] = {
        {"flat", "drop", false, kNever, 0, {0, 1, 2, 3, 4, 5, 6, 7, 10, 11}, {"l1", "l2"}},
        {"recursive", "drop", true, kNever, 0, {0, 1, 2, 3, 4, 5, 10, 11, 6, 7, 10, 11},
         {"l1", "l2", "sub/l"}},
        {"an empty folder", "empty", true, kNever, 0, {0, 1}, {}},
        {"no folder", nullptr, true, kNever, 0, {}, {}},
        {"a link to a folder", "to-drop", true, kNever, 0, {}, {}},
        {"stopped collecting", "drop", true, 2, 0, {0, 1, 2, 10, 11}, {}},
        // "sub" finishes its closing block, with its 11 after the stop.
        {"stopped in a nested closing", "drop", true, kNever, 500,
         {0, 1, 2, 3, 4, 5, 10, 11, 10, 11}, {"sub/l"}},
        {"stopped replacing", "drop", false, 6, 0, {0, 1, 2, 3, 4, 5, 6, 10, 11}, {"l2"}},
    };
    for (const Run& run : runs) {
        SCOPED_TRACE(run.when);
        TempFolder t;
        for (const char* folder : {"src", "drop", "drop/sub", "empty"}) t.Folder(folder);
        t.File("src/one", "1");
        t.File("drop/p1", "plain");
        t.File("drop/p2", "plain");
        t.Link("drop/l1", "../src/one");
        t.Link("drop/l2", "../src/one");
        t.Link("drop/sub/l", "../../src/one");
        t.Link("to-drop", "drop");
        const Ref<CCopyAliasThread> worker =
            NewWorker(run.folder ? t.Path(run.folder) : "", run.recurse, true);
        WindowWatch watch;
        watch.onValue = [&](int value) { if (value == run.stopAtValue) worker->Interrupt(); };
        Ref<ProbeTimer> timer;
        if (run.stopAtMs > 0) timer = New<ProbeTimer>(run.stopAtMs, [&] { worker->Interrupt(); });

        RunToEnd(worker);

        EXPECT_EQ(watch.values, run.values);
        const bool shown = !run.values.empty();
        EXPECT_EQ(watch.hidden, shown ? 1 : 0);  // by the top pass alone
        EXPECT_EQ(watch.writtenHidden, 0);
        EXPECT_NEAR(watch.took, shown ? 2.0 : -1, 1e-6);  // a nested pass fills the top one's wait
        if (shown) {
            EXPECT_EQ(BarWidget()->maximum(), run.values.back());  // the closing block's last
        }
        for (const std::string link : {"l1", "l2", "sub/l"}) {
            const bool replaced = std::count(run.replaced.begin(), run.replaced.end(), link);
            EXPECT_EQ(t.IsLink("drop/" + link), !replaced) << link;
        }
    }
}

TEST_F(Worker, ActsOnlyOnWhatItListedWhateverChangesMeanwhile) {
    // "drop" holds the link "l1" to "src/one", a plain file and "sub", which holds the link
    // "l" to "src/two" and the empty folder "deeper"; "far/outside" holds links of the same
    // names. Each change comes after what it concerns was listed: as the top pass begins to
    // replace (bar value 4), as it reads "l1" (2), or as "deeper" closes (its 6), before "sub"
    // replaces. Afterwards the tree is as the change left it, but for the links named here,
    // replaced by copies.
    namespace fs = std::filesystem;
    struct Replaced {
        std::string link, original, content;
    };
    struct Change {
        const char* what;
        bool recurse;
        int atValue;
        std::function<void(const TempFolder&)> make;
        std::vector<Replaced> replaced;
    };
    auto renameTo = [](const TempFolder& t, const std::string& from, const std::string& to) {
        fs::rename(t.Path(from), t.Path(to));
    };
    auto swapDrop = [&](const TempFolder& t) {
        renameTo(t, "drop", "drop.old"), t.Link("drop", "far/outside");
    };
    const Change changes[] = {
        {"a file saved at the link's name", false, 4,
         [&](auto& t) { renameTo(t, t.File("drop/.l1.swp", "mine"), "drop/l1"); }, {}},
        {"the link pointed elsewhere", false, 4,
         [&](auto& t) { renameTo(t, t.Link("drop/.l1.new", "../src/two"), "drop/l1"); }, {}},
        {"the original saved anew", false, 4,
         [&](auto& t) { renameTo(t, t.File("src/.one.new", "new"), "src/one"); }, {}},
        {"the original replaced by a pipe", false, 4,
         [](auto& t) { fs::remove(t.Path("src/one")), t.Fifo("src/one"); }, {}},
        {"the original replaced by a folder", false, 4,
         [](auto& t) { fs::remove(t.Path("src/one")), t.Folder("src/one"); }, {}},
        {"the dropped folder swapped for a link outside", false, 4, swapDrop,
         {{"drop.old/l1", "one", "1"}}},
        {"the same as its links are read", false, 2, swapDrop, {{"drop.old/l1", "one", "1"}}},
        {"a nested folder swapped for a link outside", true, 6,
         [&](auto& t) { renameTo(t, "drop/sub", "drop/sub.old"), t.Link("drop/sub", "../far/outside"); },
         {{"drop/sub.old/l", "two", "2"}, {"drop/l1", "one", "1"}}},
    };
    for (const Change& change : changes) {
        for (bool keepAliasNames : {false, true}) {
            SCOPED_TRACE(std::string(change.what) + (keepAliasNames ? ", alias names" : ""));
            TempFolder t;
            for (const char* folder : {"src", "drop", "drop/sub", "drop/sub/deeper", "far", "far/outside"})
                t.Folder(folder);
            t.File("src/one", "1");
            t.File("src/two", "2");
            t.File("drop/plain", "plain");
            t.Link("drop/l1", "../src/one");
            t.Link("drop/sub/l", "../../src/two");
            t.Link("far/outside/l1", "../../src/one");
            t.Link("far/outside/l", "../../src/two");
            Lines expected;
            WindowWatch watch;
            watch.onValue = [&](int value) {
                if (value != change.atValue || !expected.empty()) return;
                change.make(t);
                expected = Tree(t, "");
                for (const Replaced& r : change.replaced) {
                    std::erase(expected, r.link + "@");
                    const fs::path link = r.link;
                    const std::string name = keepAliasNames ? link.filename().string() : r.original;
                    expected.push_back((link.parent_path() / name).string() + "=" + r.content);
                }
                std::sort(expected.begin(), expected.end());
            };
            RunToEnd(NewWorker(t.Path("drop"), change.recurse, keepAliasNames));
            ASSERT_FALSE(expected.empty()) << "the change was never made";
            EXPECT_EQ(Tree(t, ""), expected);
        }
    }
}

}  // namespace
