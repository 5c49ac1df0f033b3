#pragma once

// What the tests of the program's own code share: a fresh runtime on the manual clock, a
// timer that runs a probe, a folder tree as one comparable list, the usage message's text,
// and a watch on the progress window.

#include <gtest/gtest.h>

#include <QEvent>
#include <QProgressBar>
#include <QWidget>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "kit/tempfolder.h"
#include "kit/user.h"
#include "platform/clock.h"
#include "platform/controls.h"
#include "platform/testing.h"
#include "platform/timer.h"
#include "windows/wndprogress.h"

using Lines = std::vector<std::string>;
using Values = std::vector<int>;

inline const std::string kUsageText =
    "Drag/drop a folder icon onto this application's icon to replace all alias files inside "
    "the folder with their original.\n"
    "To see a dialog with options, press and hold the <Option> or <Alt> key while you release "
    "the mouse button as you drop the folder onto the Quorbit icon.\n"
    "\n"
    "Copyright \xC2\xA9 2008-2009 Calvenor\n"
    "Consult http://www.calvenor.com/quorbit.html for more info.";

// ManualClockTest starts each test on a fresh runtime and the manual clock, and leaves
// neither the clock nor a scripted answer behind.
class ManualClockTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRuntimeForTesting();
        Clock::UseManualClock();
    }
    void TearDown() override {
        User::Reset();
        ResetRuntimeForTesting();
    }
};

// ProbeTimer runs a test's probe once, milliseconds from its making on the platform clock.
class ProbeTimer : public Timer {
public:
    ProbeTimer(int32_t milliseconds, std::function<void()> action) : fAction(std::move(action)) {
        SetMode(kModeSingle);
        SetPeriod(milliseconds);
    }

protected:
    void Event_Action() override { fAction(); }

private:
    std::function<void()> fAction;
};

// Tree lists everything under folder, sorted: "path@" for a link (never followed),
// "path/" for a folder, "path=content" for a file, "path|" for a pipe or other special file.
inline Lines Tree(const TempFolder& t, const std::string& folder) {
    namespace fs = std::filesystem;
    const fs::path root = t.Path(folder);
    Lines lines;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = entry.path().lexically_relative(root).string();
        if (entry.is_symlink())
            lines.push_back(name + "@");
        else if (entry.is_directory())
            lines.push_back(name + "/");
        else if (!entry.is_regular_file())
            lines.push_back(name + "|");
        else
            lines.push_back(name + "=" + t.Read(entry.path().string()));
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

inline QProgressBar* BarWidget() {
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
