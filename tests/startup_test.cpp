// The program's whole life as main runs it: initialize, Main, finalize, RuntimeExit; and its
// end at a second termination signal.
//
// Each start-up case runs ProcessMain, main's own body, in a fresh child process (a death
// test), since a process starts up and shuts down once. Before the program registers its
// classes, the child registers the names of App and MenuBar1 with subclasses that note what
// they see: a class name keeps its first record, so the program's own start-up makes these.
// The child prints its notes as one line on stderr and exits with the status ProcessMain
// returned.

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <fstream>

#include "app/app.h"
#include "app/filetypes1.h"
#include "app/menubar1.h"
#include "app/startup.h"
#include "kit/programkit.h"
#include "platform/filecopy_p.h"
#include "platform/filetype.h"
#include "platform/msgbox.h"
#include "platform/signals_p.h"
#include "platform/thread.h"
#include "windows/wndoptions.h"

namespace {

enum class Scenario { QuitThroughFileMenu, MenuBarFails, EventLoopFails, TerminatedInABox };

Scenario gScenario = Scenario::QuitThroughFileMenu;
std::string gNotes;
Ref<ProbeTimer> gLoopProbe;

void Note(const std::string& note) { gNotes += note + "; "; }

std::string Counts() {
    return "types " + std::to_string(RegisteredFileTypes().size()) + ", windows " +
           std::to_string(ImplicitWindows().size());
}

// ArmLoopProbe notes that the event loop ran after all, and ends it.
void ArmLoopProbe() {
    gLoopProbe = New<ProbeTimer>(10, [] {
        Note("loop ran");
        Quit(0);
    });
}

class TraceMenuBar : public MenuBar1 {
public:
    ~TraceMenuBar() override {
        Note(std::string("menu bar released, pAll ") + (FileTypes1::pAll ? "set" : "nil") + ", " +
             Counts());
        // The last note a process ended by a signal in RuntimeExit makes.
        if (gScenario == Scenario::TerminatedInABox) std::fprintf(stderr, "notes: %s\n", gNotes.c_str());
    }

    void EditMenu() override {
        if (gScenario == Scenario::MenuBarFails) {
            ArmLoopProbe();
            throw RuntimeException("no edit menu");
        }
        MenuBar1::EditMenu();
    }
};

class TraceApp : public App {
public:
    TraceApp() { Note("app made, " + Counts()); }
    ~TraceApp() override {
        Note(std::string("app released, pAll ") + (FileTypes1::pAll ? "set" : "nil"));
    }

    void Event_OpenDocument(Ref<FolderItem> item) override {
        Note("open " + item->AbsolutePath() + ", " +
             (GetAppObject().Get() == this ? "registered" : "unregistered") + ", menu bar " +
             (MenuBar() && MenuBar() == Ref<class MenuBar>(MenuBar1()) ? "installed" : "missing") +
             ", " + Counts());
        if (gScenario == Scenario::TerminatedInABox) {
            // Handled on the loop the box waits in: the box is answered as by Escape.
            kill(getpid(), SIGTERM);
            Note("box answered " + std::to_string(MsgBox("Sure?", 305, "")));
        }
        // A window for finalize to release, and the menu bar left to finalize alone, so the
        // order of the releases shows in the notes.
        WndOptions();
        SetMenuBar(nullptr);
        if (!QuitRequested()) MenuBar1()->Child("FileMenu")->Child("FileQuit")->Event_Action();
    }

    void Event_Activate() override {
        // No usage timer: nobody would answer its message here.
        if (gScenario != Scenario::EventLoopFails) return;
        ArmLoopProbe();
        throw RuntimeException("activation failed");
    }

    bool Event_UnhandledException(const std::exception& error) override {
        Note(std::string("unhandled: ") + error.what());
        return false;
    }
};

[[noreturn]] void RunProgram(Scenario scenario, std::vector<std::string> arguments) {
    alarm(30);  // a hung child fails the case instead of the whole run
    gScenario = scenario;
    RegisterClass("App", &Application::Class(), [] { return Ref<Object>(New<TraceApp>()); });
    RegisterClass("MenuBar1.MenuBar1", &MenuBar::Class(),
                  [] { return Ref<Object>(New<TraceMenuBar>()); });
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    const int status = ProcessMain(static_cast<int>(arguments.size()), argv.data());
    std::fprintf(stderr, "notes: %s\n", gNotes.c_str());
    std::exit(status);
}

// Only a leading --with-options is the program's; after it, and after "--", every argument
// is a folder to open.
TEST(Startup, StartsWithAFolderAndShutsDownAfterTheFileMenusQuit) {
    EXPECT_EXIT(RunProgram(Scenario::QuitThroughFileMenu,
                           {"quorbit", "--with-options", "--", "-reverse", "--with-options"}),
                ::testing::ExitedWithCode(0),
                "quorbit: not handled: /.*/--with-options\n"
                "notes: app made, types 1, windows 0; "
                "open /.*/-reverse, registered, menu bar installed, types 1, windows 0; "
                "menu bar released, pAll nil, types 0, windows 0; "
                "app released, pAll nil; \n");
}

TEST(Startup, MenuBarFailureReleasesTheAppUnregisteredAndSkipsTheLoop) {
    EXPECT_EXIT(RunProgram(Scenario::MenuBarFails, {"quorbit"}), ::testing::ExitedWithCode(1),
                "unhandled exception: no edit menu\n"
                "notes: app made, types 1, windows 0; "
                "menu bar released, pAll set, types 1, windows 0; "
                "app released, pAll set; \n");
}

TEST(Startup, ExceptionOutOfTheLoopIsHandledOnceAndEndsTheLoop) {
    EXPECT_EXIT(RunProgram(Scenario::EventLoopFails, {"quorbit"}), ::testing::ExitedWithCode(1),
                "notes: app made, types 1, windows 0; "
                "unhandled: activation failed; "
                "app released, pAll nil; menu bar released, pAll nil, types 0, windows 0; \n");
}

TEST(Startup, SigtermEndsAWaitingBoxAndTheLoopThenTheProcessByTheSignal) {
    EXPECT_EXIT(RunProgram(Scenario::TerminatedInABox, {"quorbit", "/usr"}),
                ::testing::KilledBySignal(SIGTERM),
                "notes: app made, types 1, windows 0; "
                "open /usr, registered, menu bar installed, types 1, windows 0; box answered 2; "
                "menu bar released, pAll nil, types 0, windows 0; \n");
}

TEST(FileTypes1, DeclaresTheOneDocumentTypeWithItsFourValues) {
    FileTypes1::Initialize();
    Lines types;
    for (const FileTypeRegistration& r : RegisteredFileTypes())
        types.push_back(r.Name + " " + r.Extensions + " " + r.MacType + " " + r.MacCreator);
    EXPECT_EQ(types, Lines{"All * alis ????"});
    FileTypes1::pAll = nullptr;  // that this unregisters it, start-up shows ("types 0")
}

// A second signal ends the process with no temporary of a copy under way left behind. (The
// first signal's road is the program's: SIGTERM above and end to end.)

// The folder the dying child copies in, named after the test's own process.
std::string FolderOf(pid_t test) {
    return (std::filesystem::temp_directory_path() / ("quorbit-signals-" + std::to_string(test))).string();
}

class BigCopy : public Thread {
protected:
    void Event_Run() override {
        const std::string folder = FolderOf(getppid());
        New<FolderItem>(folder + "/big")->CopyFileTo(New<FolderItem>(folder + "/copy"));
    }
};

[[noreturn]] void CopyAndSignalTwice() {
    alarm(30);
    const std::string folder = FolderOf(getppid());
    std::filesystem::create_directory(folder);
    std::ofstream(folder + "/big") << std::string((9 << 20) + 1, 'b');
    FileCopyPrivate::SetAnonymousFilesForTesting(false);
    SignalsPrivate::Install();
    const Ref<BigCopy> copy = New<BigCopy>();
    copy->Run();
    // Its first turn ends in the wait for the data, with the temporary made and unpublished.
    while (copy->State() == Thread::kRunning) Yield();
    if (copy->State() == Thread::kWaiting) std::fprintf(stderr, "copy under way\n");
    kill(getpid(), SIGTERM);
    kill(getpid(), SIGTERM);
    SignalsPrivate::HandleReceived();
    std::exit(0);
}

TEST(Signals, ASecondSignalEndsTheProcessAtOnceAndRemovesTheCopysTemporary) {
    EXPECT_EXIT(CopyAndSignalTwice(), ::testing::KilledBySignal(SIGTERM), "^copy under way\n$");
    // The helper may have finished the copy, and published it whole, before the signals came.
    Lines left;
    for (const auto& entry : std::filesystem::directory_iterator(FolderOf(getpid())))
        if (entry.path().filename() != "copy") left.push_back(entry.path().filename());
    EXPECT_EQ(left, Lines{"big"});
    std::filesystem::remove_all(FolderOf(getpid()));
}

}  // namespace
