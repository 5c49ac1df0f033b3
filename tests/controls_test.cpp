// Controls and drawing: buttons, check boxes, bars, labels, canvases and pictures.

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>
#include <QWindow>

#include <climits>
#include <functional>
#include <string>

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

TEST(Graphics, PictureIsDrawnAtItsOwnSizeFromTheTopLeftCorner) {
    Ref<Picture> logo = Solid(100, 100, Qt::red);
    CanvasFixture fixture([&](Graphics& g) {
        g.DrawPicture(logo, 0, 0, -10000, -10000, 0, 0, -10000, -10000);
    });
    QImage drawn = fixture.Drawn();
    EXPECT_EQ(drawn.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(drawn.pixelColor(99, 99), QColor(Qt::red));
    EXPECT_EQ(drawn.pixelColor(100, 50), fixture.Erased());
    EXPECT_EQ(drawn.pixelColor(50, 100), fixture.Erased());
}

TEST(Graphics, ExplicitSizesScaleAndBadOnesDrawNothing) {
    Ref<Picture> logo = Solid(100, 100, Qt::red);
    CanvasFixture fixture([&](Graphics& g) {
        g.DrawPicture(logo, 10, 10, 20, 30);                     // scaled into 20 x 30
        g.DrawPicture(logo, 100, 100, -5, 10);                   // a negative size
        g.DrawPicture(logo, INT32_MAX - 2, INT32_MAX - 2);       // past every coordinate
        g.DrawPicture(logo, 0, 100, 10, 10, INT32_MAX, 0, 100, 100);
    });
    QImage drawn = fixture.Drawn();
    EXPECT_EQ(drawn.pixelColor(10, 10), QColor(Qt::red));
    EXPECT_EQ(drawn.pixelColor(29, 39), QColor(Qt::red));
    EXPECT_EQ(drawn.pixelColor(30, 40), fixture.Erased());
    EXPECT_EQ(drawn.pixelColor(105, 105), fixture.Erased());
    EXPECT_EQ(drawn.pixelColor(5, 105), fixture.Erased());
}

TEST(Graphics, NilPictureDrawsNothing) {
    CanvasFixture fixture([](Graphics& g) { g.DrawPicture(nullptr, 0, 0); });
    QImage drawn = fixture.Drawn();
    EXPECT_EQ(drawn.pixelColor(0, 0), fixture.Erased());
    EXPECT_EQ(drawn.pixelColor(149, 149), fixture.Erased());
}

TEST(Graphics, TransparentLeavesWhitePixelsUndrawn) {
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 50; ++x) image.setPixelColor(x, y, Qt::black);
    image.setPixelColor(75, 75, QColor(254, 255, 255));  // nearly white is drawn
    Ref<Picture> logo = New<Picture>(image);
    CanvasFixture fixture([&](Graphics& g) {
        g.DrawPicture(Solid(150, 150, Qt::blue), 0, 0);
        g.DrawPicture(logo, 0, 0);
    });

    QImage opaque = fixture.Drawn();
    EXPECT_EQ(opaque.pixelColor(80, 20), QColor(Qt::white));

    logo->SetTransparent(1);
    QImage masked = fixture.Drawn();
    EXPECT_EQ(masked.pixelColor(20, 20), QColor(Qt::black));
    EXPECT_EQ(masked.pixelColor(80, 20), QColor(Qt::blue));
    EXPECT_EQ(masked.pixelColor(75, 75), QColor(254, 255, 255));
    EXPECT_EQ(logo->Width(), 100);

    logo->SetTransparent(0);
    EXPECT_EQ(fixture.Drawn().pixelColor(80, 20), QColor(Qt::white));
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

TEST(Picture, OpenAsPictureReadsPicturesAndNothingElse) {
    TempFolder folder;
    QImage image(12, 7, QImage::Format_RGB32);
    image.fill(Qt::green);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "PNG"));
    folder.File("logo.png", png.toStdString());
    folder.File("text.png", "not a picture");
    folder.Fifo("pipe.png");
    folder.Link("link.png", "logo.png");

    Ref<Picture> picture = GetTrueFolderItem(folder.Path("logo.png"))->OpenAsPicture();
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Width(), 12);
    EXPECT_EQ(picture->Height(), 7);
    EXPECT_EQ(picture->Image().pixelColor(3, 3), QColor(Qt::green));
    EXPECT_TRUE(GetTrueFolderItem(folder.Path("link.png"))->OpenAsPicture());

    EXPECT_FALSE(GetTrueFolderItem(folder.Path("text.png"))->OpenAsPicture());
    EXPECT_FALSE(GetTrueFolderItem(folder.Path("missing.png"))->OpenAsPicture());
    EXPECT_FALSE(GetTrueFolderItem(folder.Path(""))->OpenAsPicture());
    EXPECT_FALSE(GetTrueFolderItem(folder.Path("pipe.png"))->OpenAsPicture());  // and returns at once
}

TEST(PushButton, ActionComesOnPushOnlyWhileEnabled) {
    Ref<Host> window = Construct<Host>();
    Ref<PushButton> button = AddControl<PushButton>(window, "BtnCancel", {{"Caption", "Save & Quit"}});
    int actions = 0;
    InstallInstanceEventHandler(button, "Action", Delegate(std::function<void()>([&] { ++actions; })));
    button->Push();
    SetProperties(button, {{"Enabled", false}});
    button->Push();
    EXPECT_EQ(actions, 1);
    EXPECT_EQ(static_cast<QPushButton*>(button->Widget())->text(), "Save && Quit");  // no mnemonic
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

TEST(Control, HandlersMustMatchTheEventAndItsSignature) {
    Ref<Host> window = Construct<Host>();
    Ref<PushButton> button = AddControl<PushButton>(window, "BtnOK");
    Ref<Canvas> canvas = AddControl<Canvas>(window, "Canvas1");
    Ref<StaticText> label = AddControl<StaticText>(window, "LblPromo");
    Delegate action(std::function<void()>([] {}));
    Delegate paint(std::function<void(Graphics&)>([](Graphics&) {}));
    EXPECT_EQ(action.Signature(), "(  )");
    EXPECT_EQ(paint.Signature(), "( Graphics )");

    EXPECT_NO_THROW(InstallInstanceEventHandler(button, "Action", action));
    EXPECT_NO_THROW(InstallInstanceEventHandler(canvas, "Paint", paint));
    EXPECT_THROW(InstallInstanceEventHandler(button, "Paint", paint), RuntimeException);
    EXPECT_THROW(InstallInstanceEventHandler(button, "Action", paint), RuntimeException);
    EXPECT_THROW(InstallInstanceEventHandler(canvas, "Paint", action), RuntimeException);
    EXPECT_THROW(InstallInstanceEventHandler(label, "Action", action), RuntimeException);
    EXPECT_THROW(InstallInstanceEventHandler(nullptr, "Action", action), NilObjectException);
}

TEST(Control, RecordsSetTheCommonPropertiesAndRejectOthers) {
    Ref<Host> window = Construct<Host>();
    Ref<PushButton> button = AddControl<PushButton>(window, "BtnCancel",
        {{"Left", 376}, {"Top", 185}, {"Width", 80}, {"Height", 20}, {"LockRight", true}, {"LockBottom", true},
         {"TabIndex", 1}, {"TabStop", true}, {"Index", -1}, {"TabPanelIndex", 0}, {"Visible", true},
         {"Enabled", true}, {"AutoDeactivate", true}, {"HelpTag", ""}, {"InitialParent", ""},
         {"Caption", "Cancel"}, {"Default", false}, {"Cancel", true}, {"TextFont", "System"},
         {"TextSize", 0}, {"Bold", true}, {"Italic", false}, {"Underline", false}});
    QWidget* widget = button->Widget();
    EXPECT_EQ(widget->geometry(), QRect(376, 185, 80, 20));
    EXPECT_EQ(widget->font().family(), QApplication::font().family());
    EXPECT_EQ(widget->font().pointSizeF(), QApplication::font().pointSizeF());
    EXPECT_TRUE(widget->font().bold());

    EXPECT_THROW(SetProperties(button, {{"Maximum", 3}}), RuntimeException);       // a bar's
    EXPECT_THROW(SetProperties(button, {{"Caption", true}}), RuntimeException);    // the wrong kind
    Ref<ProgressBar> bar = AddControl<ProgressBar>(window, "PrgItem");
    EXPECT_THROW(SetProperties(bar, {{"Caption", "no"}}), RuntimeException);
    EXPECT_THROW(SetProperties(bar, {{"Bold", true}}), RuntimeException);

    Ref<Canvas> canvas = AddControl<Canvas>(window, "Canvas1",
        {{"UseFocusRing", true}, {"AcceptFocus", false}, {"AcceptTabs", false}, {"DoubleBuffer", false},
         {"EraseBackground", true}, {"TabStop", true}});
    EXPECT_EQ(canvas->Widget()->focusPolicy(), Qt::NoFocus);
}

TEST(ProgressBar, KeepsValueAndMaximumAsSetAndShowsThemClamped) {
    Ref<Host> window = Construct<Host>();
    Ref<ProgressBar> bar = AddControl<ProgressBar>(window, "PrgItem", {{"Value", 0}, {"Maximum", 100}});
    auto* shown = static_cast<QProgressBar*>(bar->Widget());
    EXPECT_EQ(bar->Maximum(), 100);

    bar->SetMaximum(7);
    bar->SetValue(3);
    EXPECT_EQ(bar->Maximum(), 7);
    EXPECT_EQ(bar->Value(), 3);
    EXPECT_EQ(shown->value(), 3);

    bar->SetValue(9);  // past the end: the bar is full, the value kept
    EXPECT_EQ(bar->Value(), 9);
    EXPECT_EQ(shown->value(), 7);
    bar->SetMaximum(20);  // a larger maximum shows the kept value
    EXPECT_EQ(shown->value(), 9);
    bar->SetValue(-4);
    EXPECT_EQ(shown->value(), 0);
    bar->SetMaximum(-1);
    EXPECT_EQ(bar->Maximum(), -1);
    EXPECT_EQ(shown->maximum(), 0);
}

TEST(StaticText, LinesBreakAtCarriageReturnsAndLineFeedsAndTextIsShownAsItIs) {
    Ref<Host> window = Construct<Host>();
    Ref<StaticText> label = AddControl<StaticText>(window, "LblPromo",
        {{"Multiline", true}, {"TextAlign", 0}, {"TextColor", Color{0x000000}}});
    const std::string text = "Quorbit\r\r<b>free</b>\nsecond\r\nthird\r";
    SetProperties(label, {{"Text", text}});
    EXPECT_EQ(label->Text(), text);
    auto* shown = static_cast<QLabel*>(label->Widget());
    EXPECT_EQ(shown->text(), QString("Quorbit\n\n<b>free</b>\nsecond\nthird\n"));
    EXPECT_EQ(shown->textFormat(), Qt::PlainText);
    EXPECT_EQ(shown->palette().color(QPalette::WindowText), QColor(Qt::black));

    SetProperties(label, {{"TextAlign", 2}, {"TextColor", Color{0xFF0000}}});
    EXPECT_TRUE(shown->alignment() & Qt::AlignRight);
    EXPECT_EQ(shown->palette().color(QPalette::WindowText), QColor(Qt::red));
}

}  // namespace
