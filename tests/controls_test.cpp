// Controls and drawing: pictures on a canvas, repaints, buttons, bars and labels.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>

#include <cstdint>
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

TEST(Graphics, PictureIsDrawnAtItsOwnSizeFromTheTopLeftOrAsAskedAndBadOnesDrawNothing) {
    const Ref<Picture> logo = Solid(100, 100, Qt::red);
    const struct {
        const char* what;
        std::function<void(Graphics&)> paint;
        std::vector<QPoint> red, erased;
    } cases[] = {
        {"own size", [&](Graphics& g) { g.DrawPicture(logo, 0, 0, -10000, -10000, 0, 0, -10000, -10000); },
         {{0, 0}, {99, 99}}, {{100, 50}, {50, 100}}},
        {"scaled", [&](Graphics& g) { g.DrawPicture(logo, 10, 10, 20, 30); }, {{10, 10}, {29, 39}}, {{30, 40}, {9, 9}}},
        {"nil", [](Graphics& g) { g.DrawPicture(nullptr, 0, 0); }, {}, {{0, 0}, {149, 149}}},
        {"bad sizes and places",
         [&](Graphics& g) {
             g.DrawPicture(logo, 100, 100, -5, 10);
             g.DrawPicture(logo, INT32_MAX - 2, INT32_MAX - 2);
             g.DrawPicture(logo, 0, 100, 10, 10, INT32_MAX, 0, 100, 100);
         },
         {}, {{105, 105}, {5, 105}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CanvasFixture fixture(c.paint);
        const QImage drawn = fixture.Drawn();
        for (QPoint p : c.red) EXPECT_EQ(drawn.pixelColor(p), QColor(Qt::red)) << p.x() << ", " << p.y();
        for (QPoint p : c.erased) EXPECT_EQ(drawn.pixelColor(p), fixture.Erased()) << p.x() << ", " << p.y();
    }
}

TEST(Graphics, TransparentLeavesWhitePixelsUndrawn) {
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixelColor(20, 20, Qt::black);
    image.setPixelColor(75, 75, QColor(254, 255, 255));  // nearly white is drawn
    Ref<Picture> logo = New<Picture>(image);
    CanvasFixture fixture([&](Graphics& g) {
        g.DrawPicture(Solid(150, 150, Qt::blue), 0, 0);
        g.DrawPicture(logo, 0, 0);
    });
    EXPECT_EQ(fixture.Drawn().pixelColor(80, 20), QColor(Qt::white));

    logo->SetTransparent(1);
    const QImage masked = fixture.Drawn();
    EXPECT_EQ(masked.pixelColor(20, 20), QColor(Qt::black));
    EXPECT_EQ(masked.pixelColor(80, 20), QColor(Qt::blue));
    EXPECT_EQ(masked.pixelColor(75, 75), QColor(254, 255, 255));
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

TEST(PushButton, ActsOnlyWhileEnabledAndKeepsAHandlersExceptionAwayFromQt) {
    Ref<Host> window = Construct<Host>();
    Ref<PushButton> button = AddControl<PushButton>(window, "BtnCancel", {{"Caption", "Save & Quit"}});
    EXPECT_EQ(static_cast<QPushButton*>(button->Widget())->text(), "Save && Quit");  // no mnemonic
    int actions = 0;
    InstallInstanceEventHandler(button, "Action", Delegate(std::function<void()>([&] {
        ++actions;
        throw NilObjectException();
    })));
    // Qt cannot carry an exception: the event loop rethrows it once Qt has returned.
    EXPECT_NO_THROW(button->Push());
    EXPECT_THROW(Scheduler::RethrowDispatched(), NilObjectException);
    EXPECT_NO_THROW(Scheduler::RethrowDispatched());
    SetProperties(button, {{"Enabled", false}});
    button->Push();
    EXPECT_EQ(actions, 1);
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
