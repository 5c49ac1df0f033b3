// The worker over real folders with real links, on the manual clock: what changes on disk,
// the bar's values and the window, the order of the work, stops, and copies that cannot be made.

#include <csignal>
#include <sys/resource.h>

#include "kit/programkit.h"
#include "worker/copyaliasthread.h"

namespace {

// NewWorker makes a worker over the folder at path with the two options.
Ref<CCopyAliasThread> NewWorker(const std::string& path, bool recurse, bool keepAliasNames) {
    Ref<CCopyAliasThread> worker = New<CCopyAliasThread>();
    worker->SetFolder(GetTrueFolderItem(path, 0));
    worker->SetRecurse(recurse);
    worker->SetKeepAliasNames(keepAliasNames);
    return worker;
}

// RunToEnd starts worker and lets it run until it has ended, for at most 20 real seconds;
// meanwhile every file write beyond fileSizeLimit bytes fails, as on a full disk.
void RunToEnd(const Ref<CCopyAliasThread>& worker, rlim_t fileSizeLimit = RLIM_INFINITY) {
    std::signal(SIGXFSZ, SIG_IGN);  // the write fails instead of ending the process
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit lowered{std::min(fileSizeLimit, saved.rlim_cur), saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &lowered);
    worker->Run();
    User::WaitUntil([&] { return worker->State() == Thread::kNotRunning; }, 20000);
    setrlimit(RLIMIT_FSIZE, &saved);
    ASSERT_EQ(worker->State(), Thread::kNotRunning) << "the worker did not end";
}

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
        t.Make({"src/", "drop/", "drop/x/", "drop/y/", "src/one=1", "src/same=s", "pipe|", "drop/data=data",
                "src/alias@one",  // only "to-dir" leads here
                "drop/a-big@../src/big", "drop/dangling@nowhere", "drop/loop@.", "drop/same@../src/same",
                "drop/self@self", "drop/to-dir@../src", "drop/to-file@data", "drop/to-null@/dev/null",
                "drop/to-pipe@../pipe", "drop/to-src@../src/one", "drop/x/a@../../src/one",
                "drop/y/a@../../src/one"});
        t.File("src/big", big);
        t.Link("drop/to-src-abs", t.Path("src/one"));
        RunToEnd(NewWorker(t.Path("drop"), true, keepAliasNames), 64 * 1024);
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
        const char* folder;
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
        t.Make({"src/", "drop/", "drop/sub/", "empty/", "src/one=1", "drop/p1=plain", "drop/p2=plain",
                "drop/l1@../src/one", "drop/l2@../src/one", "drop/sub/l@../../src/one", "to-drop@drop"});
        const Ref<CCopyAliasThread> worker = NewWorker(t.Path(run.folder), run.recurse, true);
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
        // The closing block's last, or the watch's own when the window never showed.
        EXPECT_EQ(BarWidget()->maximum(), shown ? run.values.back() : 1000);
        for (const std::string link : {"l1", "l2", "sub/l"}) {
            const bool replaced = std::count(run.replaced.begin(), run.replaced.end(), link);
            EXPECT_EQ(t.IsLink("drop/" + link), !replaced) << link;
        }
    }
}

TEST_F(Worker, ActsOnlyOnWhatItListedWhateverChangesMeanwhile) {
    // "drop" holds the link "l1" to "src/one", a plain file and "sub", which holds the link
    // "l" to "src/two" and the empty folder "deeper"; "far/outside" holds links of the same
    // names. Each change moves an entry aside and makes another in its place, after what it
    // concerns was listed: as the top pass begins to replace (bar value 4), as it reads "l1"
    // (2), or as "deeper" closes (its 6), before "sub" replaces. Afterwards the tree is as the
    // change left it, but for the links named here, replaced by copies.
    namespace fs = std::filesystem;
    struct Change {
        const char* what;
        bool recurse;
        int atValue;
        const char* moved;  // renamed to its name and ".old"...
        const char* made;   // ...and this made in its place
        Lines replaced;     // the links replaced by copies all the same
    };
    const Change changes[] = {
        {"a file saved at the link's name", false, 4, "drop/l1", "drop/l1=mine", {}},
        {"the link pointed elsewhere", false, 4, "drop/l1", "drop/l1@../src/two", {}},
        {"the original saved anew", false, 4, "src/one", "src/one=new", {}},
        {"the original replaced by a pipe", false, 4, "src/one", "src/one|", {}},
        {"the original replaced by a folder", false, 4, "src/one", "src/one/", {}},
        {"the dropped folder swapped for a link outside", false, 4, "drop", "drop@far/outside",
         {"drop.old/l1"}},
        {"the same as its links are read", false, 2, "drop", "drop@far/outside", {"drop.old/l1"}},
        {"a nested folder swapped for a link outside", true, 6, "drop/sub",
         "drop/sub@../far/outside", {"drop/sub.old/l", "drop/l1"}},
    };
    for (const Change& change : changes) {
        for (bool keepAliasNames : {false, true}) {
            SCOPED_TRACE(std::string(change.what) + (keepAliasNames ? ", alias names" : ""));
            TempFolder t;
            t.Make({"src/", "drop/", "drop/sub/", "drop/sub/deeper/", "far/", "far/outside/", "src/one=1",
                    "src/two=2", "drop/plain=plain", "drop/l1@../src/one", "drop/sub/l@../../src/two",
                    "far/outside/l1@../../src/one", "far/outside/l@../../src/two"});
            Lines expected;
            WindowWatch watch;
            watch.onValue = [&](int value) {
                if (value != change.atValue || !expected.empty()) return;
                fs::rename(t.Path(change.moved), t.Path(change.moved + std::string(".old")));
                t.Make({change.made});
                expected = Tree(t, "");
                for (const std::string& link : change.replaced) {
                    std::erase(expected, link + "@");
                    const fs::path original = fs::read_symlink(t.Path(link)).filename();
                    const fs::path name = keepAliasNames ? fs::path(link).filename() : original;
                    expected.push_back((fs::path(link).parent_path() / name).string() + "=" +
                                       t.Read(link));
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
