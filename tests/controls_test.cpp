// Controls and drawing: pictures on a canvas, repaints, buttons, bars and labels.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QWindow>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "kit/tempfolder.h"
#include "kit/testwindow.h"
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

Ref<Picture> Solid(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return New<Picture>(image);
}

// A canvas of 150 x 150 whose Paint handler is paint.
struct CanvasFixture {
    Ref<Host> window = Construct<Host>();
    Ref<Canvas> canvas = AddControl<Canvas>(window, "Canvas1",
        {{"Left", 0}, {"Top", 0}, {"Width", 150}, {"Height", 150}, {"EraseBackground", true}});

    explicit CanvasFixture(std::function<void(Graphics&)> paint) {
        InstallInstanceEventHandler(canvas, "Paint", Delegate(std::move(paint)));
    }
    QColor Erased() const { return canvas->Widget()->palette().color(QPalette::Window); }
    QImage Drawn() const { return User::Grab(Ref<Control>(canvas)).convertToFormat(QImage::Format_RGB32); }
};

TEST(Graphics, PictureIsDrawnAtItsOwnSizeFromTheTopLeftAndTransparentLeavesWhiteUndrawn) {
    const QColor erased;  // stands for the canvas's erased background
    const Ref<Picture> red = Solid(100, 100, Qt::red), blue = Solid(150, 150, Qt::blue);
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixelColor(20, 20, Qt::black);
    image.setPixelColor(75, 75, QColor(254, 255, 255));  // nearly white is drawn
    const Ref<Picture> opaque = New<Picture>(image), masked = New<Picture>(image);
    masked->SetTransparent(1);
    const struct {
        const char* what;
        std::function<void(Graphics&)> paint;
        std::vector<std::pair<QPoint, QColor>> pixels;
    } cases[] = {
        {"own size", [&](Graphics& g) { g.DrawPicture(red, 0, 0, -10000, -10000, 0, 0, -10000, -10000); },
         {{{0, 0}, Qt::red}, {{99, 99}, Qt::red}, {{100, 50}, erased}, {{50, 100}, erased}}},
        {"nil", [](Graphics& g) { g.DrawPicture(nullptr, 0, 0); }, {{{0, 0}, erased}, {{149, 149}, erased}}},
        {"opaque", [&](Graphics& g) { g.DrawPicture(blue, 0, 0); g.DrawPicture(opaque, 0, 0); },
         {{{80, 20}, Qt::white}}},
        {"transparent", [&](Graphics& g) { g.DrawPicture(blue, 0, 0); g.DrawPicture(masked, 0, 0); },
         {{{20, 20}, Qt::black}, {{80, 20}, Qt::blue}, {{75, 75}, QColor(254, 255, 255)}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CanvasFixture fixture(c.paint);
        const QImage drawn = fixture.Drawn();
        for (auto [p, colour] : c.pixels)
            EXPECT_EQ(drawn.pixelColor(p), colour.isValid() ? colour : fixture.Erased()) << p.x() << ", " << p.y();
    }
}

TEST(Graphics, RefreshPaintsAtOnceAndNeverLosesTheLastRefresh) {
    int paints = 0;
    CanvasFixture fixture([&](Graphics&) { ++paints; });
    fixture.window->Show();
    QWindow* shown = fixture.window->Widget()->windowHandle();
    ASSERT_TRUE(User::WaitUntil([&] { return shown->isExposed() && paints > 0; }, 2000));
    int exposed = paints;
    fixture.canvas->Refresh(true);
    EXPECT_EQ(paints, exposed + 1);
    for (int i = 0; i < 50; ++i) fixture.canvas->Refresh(true);
    // However the calls fall into display frames, the last one is painted.
    int before = paints;
    EXPECT_TRUE(User::WaitUntil([&] { return paints > before; }, 2000));
    fixture.window->Hide();
}

TEST(Picture, OpenAsPictureReadsPicturesAndNothingElseAndNeverBlocks) {
    TempFolder folder;
    ASSERT_TRUE(Solid(12, 7, Qt::green)->Image().save(QString::fromStdString(folder.Path("logo.png"))));
    folder.File("text.png", "not a picture");
    folder.Fifo("pipe.png");

    Ref<Picture> picture = GetTrueFolderItem(folder.Path("logo.png"))->OpenAsPicture();
    ASSERT_TRUE(picture);
    EXPECT_EQ(std::pair(picture->Width(), picture->Height()), std::pair(12, 7));
    EXPECT_EQ(picture->Image().pixelColor(3, 3), QColor(Qt::green));
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

TEST(ProgressBar, KeepsValueAndMaximumAsSetAndShowsThemClamped) {
    Ref<Host> window = Construct<Host>();
    Ref<ProgressBar> bar = AddControl<ProgressBar>(window, "PrgItem", {{"Value", 0}, {"Maximum", 7}});
    auto* widget = static_cast<QProgressBar*>(bar->Widget());
    auto shown = [&] { return std::pair(widget->value(), widget->maximum()); };
    bar->SetValue(9);  // past the end: the bar is full, the value kept
    EXPECT_EQ(bar->Value(), 9);
    EXPECT_EQ(shown(), std::pair(7, 7));
    bar->SetMaximum(20);  // a larger maximum shows the kept value
    EXPECT_EQ(shown(), std::pair(9, 20));
    bar->SetValue(-4);
    EXPECT_EQ(shown(), std::pair(0, 20));
    bar->SetMaximum(-1);
    EXPECT_EQ(bar->Maximum(), -1);
    EXPECT_EQ(shown(), std::pair(0, 0));
}

TEST(StaticText, LinesBreakAtCarriageReturnsAndLineFeedsAndTextIsShownAsItIs) {
    Ref<Host> window = Construct<Host>();
    const std::string text = "Quorbit\r\r<b>free</b>\nsecond\r\nthird\r";
    Ref<StaticText> label = AddControl<StaticText>(window, "LblPromo", {{"Multiline", true}, {"Text", text}});
    EXPECT_EQ(label->Text(), text);
    auto* shown = static_cast<QLabel*>(label->Widget());
    EXPECT_EQ(shown->text(), QString("Quorbit\n\n<b>free</b>\nsecond\nthird\n"));
    EXPECT_EQ(shown->textFormat(), Qt::PlainText);
}

}  // namespace
