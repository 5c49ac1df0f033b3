#include "controls.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QPaintEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

#include <algorithm>
#include <memory>

#include "graphics.h"
#include "runtime.h"
#include "window.h"
#include "window_p.h"

namespace {

int ClampedInt(int64_t value) {
    return static_cast<int>(std::clamp<int64_t>(value, -QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
}

// Captions are shown as given: an "&" is a character, not a mnemonic.
QString CaptionText(const std::string& caption) {
    return QString::fromUtf8(caption).replace(u'&', QStringLiteral("&&"));
}

// SetFontProperty applies one of the font properties the text-bearing controls share.
bool SetFontProperty(QWidget& widget, const std::string& name, const PropertyValue& value) {
    QFont font = widget.font();
    if (name == "TextFont") {
        const std::string& family = value.AsText();
        font.setFamily(family.empty() || family == "System" ? QApplication::font().family()
                                                            : QString::fromUtf8(family));
    } else if (name == "TextSize") {
        double size = value.AsNumber();
        font.setPointSizeF(size > 0 ? size : QApplication::font().pointSizeF());
    } else if (name == "Bold") {
        font.setBold(value.AsBoolean());
    } else if (name == "Italic") {
        font.setItalic(value.AsBoolean());
    } else if (name == "Underline") {
        font.setUnderline(value.AsBoolean());
    } else {
        return false;
    }
    widget.setFont(font);
    return true;
}

// A weak reference to the control, for the widget's callbacks: the widget may outlive it.
template <class C>
std::weak_ptr<C> WeakSelf(C* control) {
    return std::static_pointer_cast<C>(control->shared_from_this());
}

// CanvasWidget erases its background when asked to and hands its painting to the canvas.
class CanvasWidget : public QWidget {
public:
    CanvasWidget(QWidget* parent, std::function<void(Graphics&)> paint)
        : QWidget(parent), fPaint(std::move(paint)) {
        setFocusPolicy(Qt::NoFocus);
    }

    bool fErase = true;

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        if (fErase) painter.fillRect(event->rect(), palette().window());
        Graphics graphics(painter);
        fPaint(graphics);
    }

private:
    std::function<void(Graphics&)> fPaint;
};

// BarWidget is a QProgressBar whose changes are painted with the window's next paint. A
// plain QProgressBar repaints at once whenever the drawn bar moves, which costs a run of
// many small steps a repaint a step; Refresh(true) is what paints at once.
class BarWidget : public QProgressBar {
public:
    using QProgressBar::QProgressBar;

    // Show shows value out of maximum and schedules the painting. A maximum of 0 or less
    // shows activity without a measure; a value outside the range shows at its nearer end.
    void Show(int32_t value, int32_t maximum) {
        maximum = std::max(maximum, 0);
        value = std::clamp(value, 0, maximum);
        if (maximum == this->maximum() && value == this->value()) return;
        // With updates off, QProgressBar's own repaint does nothing; turning them back on
        // schedules one, also when a handler of valueChanged throws.
        struct PaintLater {
            explicit PaintLater(QWidget& widget) : fWidget(widget), fWasOn(widget.updatesEnabled()) {
                if (fWasOn) fWidget.setUpdatesEnabled(false);
            }
            ~PaintLater() {
                if (fWasOn) fWidget.setUpdatesEnabled(true);
            }
            QWidget& fWidget;
            const bool fWasOn;
        } later(*this);
        setRange(0, maximum);
        setValue(value);
    }
};

}  // namespace

// Control

const ClassRecord& Control::Class() { return RegisterClassOf<Control, Object>("Control"); }

Control::~Control() {
    // A control dropped while its window lives takes its widget along.
    if (fWidget) {
        fWidget->hide();
        fWidget->deleteLater();
    }
}

bool Control::InstallHandler(const std::string&, const Delegate&) { return false; }

// RectControl

const ClassRecord& RectControl::Class() { return RegisterClassOf<RectControl, Control>("RectControl"); }

void RectControl::Constructor() {
    if (fWidget) throw RuntimeException("RectControl::Constructor: the control is constructed already");
    Ref<class Window> window = Window();
    if (!window) throw RuntimeException("RectControl::Constructor: the control was not made by a window");
    fWidget = MakeWidget(window->Widget());
    fWidget->show();
}

QWidget& RectControl::TheWidget() const {
    if (!fWidget) throw RuntimeException(Name() + ": the control has no widget (not constructed, or its window is gone)");
    return *fWidget;
}

void RectControl::Refresh(bool now) {
    if (now) WindowPrivate::RepaintAtFrameRate(TheWidget(), fLastPaintMs);
    else TheWidget().update();
}

bool RectControl::SetProperty(const std::string& name, const PropertyValue& value) {
    QWidget& widget = TheWidget();
    if (name == "Left") widget.move(ClampedInt(value.AsInteger()), widget.y());
    else if (name == "Top") widget.move(widget.x(), ClampedInt(value.AsInteger()));
    else if (name == "Width") widget.resize(std::max(0, ClampedInt(value.AsInteger())), widget.height());
    else if (name == "Height") widget.resize(widget.width(), std::max(0, ClampedInt(value.AsInteger())));
    else if (name == "Visible") widget.setVisible(value.AsBoolean());
    else if (name == "Enabled") widget.setEnabled(value.AsBoolean());
    else if (name == "HelpTag") widget.setToolTip(QString::fromUtf8(value.AsText()));
    else if (name == "TabIndex") fTabIndex = value.AsInteger();
    else if (name == "TabStop") {
        fTabStop = value.AsBoolean();
        Qt::FocusPolicy policy = widget.focusPolicy();
        if (fTabStop && (policy & Qt::ClickFocus)) widget.setFocusPolicy(Qt::StrongFocus);
        else if (!fTabStop && policy != Qt::NoFocus) widget.setFocusPolicy(Qt::ClickFocus);
    }
    // Known, with nothing to do here: the windows are not resized, and there are no
    // control arrays, tab panels or nested parents.
    else if (name == "LockLeft" || name == "LockTop" || name == "LockRight" || name == "LockBottom" ||
             name == "Index" || name == "TabPanelIndex" || name == "AutoDeactivate" ||
             name == "InitialParent") return true;
    else return false;
    return true;
}

// PushButton

const ClassRecord& PushButton::Class() { return RegisterClassOf<PushButton, RectControl>("PushButton"); }

QWidget* PushButton::MakeWidget(QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setAutoDefault(false);  // Return goes to the window's default button, not the focused one
    QObject::connect(button, &QPushButton::clicked, [weak = WeakSelf(this)] {
        auto self = weak.lock();
        if (self && self->fAction) WindowPrivate::RunHandler(self->fAction);
    });
    return button;
}

bool PushButton::SetProperty(const std::string& name, const PropertyValue& value) {
    auto& button = static_cast<QPushButton&>(TheWidget());
    if (name == "Caption") button.setText(CaptionText(value.AsText()));
    else if (name == "Default") { fDefault = value.AsBoolean(); button.setDefault(fDefault); }
    else if (name == "Cancel") fCancel = value.AsBoolean();
    else return SetFontProperty(button, name, value) || RectControl::SetProperty(name, value);
    return true;
}

void PushButton::Push() { static_cast<QPushButton&>(TheWidget()).click(); }

bool PushButton::InstallHandler(const std::string& eventName, const Delegate& handler) {
    if (eventName != "Action" || !handler.Action()) return false;
    fAction = handler.Action();
    return true;
}

// CheckBox

const ClassRecord& CheckBox::Class() { return RegisterClassOf<CheckBox, RectControl>("CheckBox"); }

QWidget* CheckBox::MakeWidget(QWidget* parent) { return new QCheckBox(parent); }

bool CheckBox::Value() const { return static_cast<QCheckBox&>(TheWidget()).checkState() == Qt::Checked; }

void CheckBox::SetValue(bool value) {
    static_cast<QCheckBox&>(TheWidget()).setCheckState(value ? Qt::Checked : Qt::Unchecked);
}

bool CheckBox::SetProperty(const std::string& name, const PropertyValue& value) {
    auto& box = static_cast<QCheckBox&>(TheWidget());
    if (name == "Caption") box.setText(CaptionText(value.AsText()));
    else if (name == "Value") SetValue(value.AsBoolean());
    else if (name == "State") {
        int64_t state = value.AsInteger();  // 0 clear, 1 ticked, 2 mixed
        box.setTristate(state == 2);
        box.setCheckState(state == 2 ? Qt::PartiallyChecked : state == 1 ? Qt::Checked : Qt::Unchecked);
    }
    else if (name == "DataSource" || name == "DataField") return true;
    else return SetFontProperty(box, name, value) || RectControl::SetProperty(name, value);
    return true;
}

// ProgressBar

const ClassRecord& ProgressBar::Class() { return RegisterClassOf<ProgressBar, RectControl>("ProgressBar"); }

QWidget* ProgressBar::MakeWidget(QWidget* parent) {
    auto* bar = new BarWidget(parent);
    bar->setTextVisible(false);
    bar->Show(fValue, fMaximum);
    return bar;
}

int32_t ProgressBar::Value() const { return fValue; }

void ProgressBar::SetValue(int32_t value) {
    fValue = value;
    static_cast<BarWidget&>(TheWidget()).Show(fValue, fMaximum);
}

int32_t ProgressBar::Maximum() const { return fMaximum; }

void ProgressBar::SetMaximum(int32_t maximum) {
    fMaximum = maximum;
    static_cast<BarWidget&>(TheWidget()).Show(fValue, fMaximum);
}

bool ProgressBar::SetProperty(const std::string& name, const PropertyValue& value) {
    auto narrow = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    if (name == "Value") SetValue(narrow(value.AsInteger()));
    else if (name == "Maximum") SetMaximum(narrow(value.AsInteger()));
    else return RectControl::SetProperty(name, value);
    return true;
}

// Canvas

const ClassRecord& Canvas::Class() { return RegisterClassOf<Canvas, RectControl>("Canvas"); }

QWidget* Canvas::MakeWidget(QWidget* parent) {
    return new CanvasWidget(parent, [weak = WeakSelf(this)](Graphics& graphics) {
        auto self = weak.lock();
        if (self && self->fPaint) WindowPrivate::RunHandler([&] { self->fPaint(graphics); });
    });
}

bool Canvas::SetProperty(const std::string& name, const PropertyValue& value) {
    auto& canvas = static_cast<CanvasWidget&>(TheWidget());
    if (name == "EraseBackground") {
        canvas.fErase = value.AsBoolean();
    } else if (name == "AcceptFocus" || name == "TabStop") {
        if (name == "AcceptFocus") fAcceptFocus = value.AsBoolean();
        else fTabStop = value.AsBoolean();
        canvas.setFocusPolicy(!fAcceptFocus ? Qt::NoFocus : fTabStop ? Qt::StrongFocus : Qt::ClickFocus);
    } else if (name == "UseFocusRing" || name == "AcceptTabs" || name == "DoubleBuffer") {
        value.AsBoolean();  // Qt draws focus and buffers on its own
    } else {
        return RectControl::SetProperty(name, value);
    }
    return true;
}

bool Canvas::InstallHandler(const std::string& eventName, const Delegate& handler) {
    if (eventName != "Paint" || !handler.Paint()) return false;
    fPaint = handler.Paint();
    if (fWidget) fWidget->update();
    return true;
}

// StaticText

const ClassRecord& StaticText::Class() { return RegisterClassOf<StaticText, RectControl>("StaticText"); }

QWidget* StaticText::MakeWidget(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

std::string StaticText::Text() const { return fText; }

void StaticText::SetText(const std::string& text) {
    auto& label = static_cast<QLabel&>(TheWidget());
    fText = text;
    label.setText(WindowPrivate::DisplayText(text));
}

bool StaticText::SetProperty(const std::string& name, const PropertyValue& value) {
    auto& label = static_cast<QLabel&>(TheWidget());
    if (name == "Text") SetText(value.AsText());
    else if (name == "Multiline") label.setWordWrap(value.AsBoolean());
    else if (name == "TextAlign") {
        int64_t align = value.AsInteger();  // 0 left, 1 centre, 2 right
        Qt::Alignment horizontal = align == 1 ? Qt::AlignHCenter : align == 2 ? Qt::AlignRight : Qt::AlignLeft;
        label.setAlignment(horizontal | Qt::AlignTop);
    } else if (name == "TextColor") {
        QPalette colours = label.palette();
        colours.setColor(QPalette::WindowText, QColor::fromRgb(value.AsColor().Rgb));
        label.setPalette(colours);
    }
    else if (name == "DataSource" || name == "DataField") return true;
    else return SetFontProperty(label, name, value) || RectControl::SetProperty(name, value);
    return true;
}
