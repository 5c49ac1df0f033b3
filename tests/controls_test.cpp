// Controls: transparent pictures, pictures from files, handlers' exceptions, the progress bar.

#include <gtest/gtest.h>

#include <QImage>
#include <QProgressBar>

#include <functional>
#include <string>
#include <utility>

#include "kit/tempfolder.h"
#include "kit/user.h"
#include "platform/folderitem.h"
#include "platform/graphics.h"
#include "platform/scheduler_p.h"

namespace {

using TestWindows::AddControl;
using TestWindows::Construct;

class Host : public Window {
public:
    static const ClassRecord& Class() { return RegisterClassOf<Host, Window>("Host.Host"); }
};

TEST(Graphics, TransparentPictureLeavesOnlyPureWhiteUndrawn) {
    QImage background(150, 150, QImage::Format_RGB32), image(100, 100, QImage::Format_RGB32);
    background.fill(Qt::blue);
    image.fill(Qt::white);
    image.setPixelColor(20, 20, Qt::black);
    image.setPixelColor(75, 75, QColor(254, 255, 255));
    for (bool transparent : {false, true}) {
        SCOPED_TRACE(transparent ? "transparent" : "opaque");
        const Ref<Picture> picture = New<Picture>(image);
        picture->SetTransparent(transparent ? 1 : 0);
        const Ref<Host> window = Construct<Host>();
        Ref<Canvas> canvas = AddControl<Canvas>(window, "Canvas1", {{"Width", 150}, {"Height", 150}});
        InstallInstanceEventHandler(canvas, "Paint", Delegate(std::function<void(Graphics&)>(
            [&](Graphics& g) {
                g.DrawPicture(New<Picture>(background), 0, 0);
                g.DrawPicture(picture, 0, 0);
            })));
        const QImage drawn = User::Grab(Ref<Control>(canvas)).convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(drawn.pixelColor(20, 20), QColor(Qt::black));
        EXPECT_EQ(drawn.pixelColor(75, 75), QColor(254, 255, 255));
        EXPECT_EQ(drawn.pixelColor(80, 20), transparent ? QColor(Qt::blue) : QColor(Qt::white));
    }
}

TEST(Picture, OpenAsPictureGivesNilForAnythingButAPictureAndNeverBlocksOnAFifo) {
    TempFolder folder;
    folder.File("text.png", "not a picture");
    folder.Fifo("pipe.png");
    for (const char* name : {"text.png", "missing.png", "pipe.png"})
        EXPECT_FALSE(GetTrueFolderItem(folder.Path(name))->OpenAsPicture()) << name;
}

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
