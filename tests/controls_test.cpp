// Controls: handlers' exceptions, the progress bar.

#include <gtest/gtest.h>

#include <QProgressBar>

#include <functional>
#include <utility>

#include "kit/user.h"
#include "platform/scheduler_p.h"

namespace {

using TestWindows::AddControl;
using TestWindows::Construct;

class Host : public Window {
public:
    static const ClassRecord& Class() { return RegisterClassOf<Host, Window>("Host.Host"); }
};

TEST(PushButton, ExceptionFromAHandlerIsKeptForTheEventLoopInsteadOfCrossingQt) {
    Ref<Host> window = Construct<Host>();
    Ref<PushButton> button = AddControl<PushButton>(window, "BtnOK");
    InstallInstanceEventHandler(button, "Action", Delegate(std::function<void()>([] {
        throw NilObjectException();
    })));
    EXPECT_NO_THROW(button->Push());
    EXPECT_THROW(Scheduler::RethrowDispatched(), NilObjectException);
    EXPECT_NO_THROW(Scheduler::RethrowDispatched());
}

TEST(ProgressBar, KeepsAValuePastItsMaximumAndShowsItOnceTheMaximumAllows) {
    Ref<Host> window = Construct<Host>();
    Ref<ProgressBar> bar = AddControl<ProgressBar>(window, "PrgItem", {{"Maximum", 7}});
    auto* shown = static_cast<QProgressBar*>(bar->Widget());
    bar->SetValue(9);
    EXPECT_EQ(std::pair(shown->value(), shown->maximum()), std::pair(7, 7));
    bar->SetMaximum(20);
    EXPECT_EQ(std::pair(shown->value(), shown->maximum()), std::pair(9, 20));
}

}  // namespace
