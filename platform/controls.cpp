#include "controls.h"

#include <QWidget>

#include "runtime.h"
#include "window.h"

namespace { [[noreturn]] void NotYet() { throw RuntimeException("not yet"); } }

const ClassRecord& Control::Class() { return RegisterClassOf<Control, Object>("Control"); }
Control::~Control() = default;
bool Control::InstallHandler(const std::string&, const Delegate&) { return false; }
const ClassRecord& RectControl::Class() { return RegisterClassOf<RectControl, Control>("RectControl"); }
void RectControl::Constructor() { NotYet(); }
void RectControl::Refresh(bool) { NotYet(); }
bool RectControl::SetProperty(const std::string&, const PropertyValue&) { NotYet(); }
const ClassRecord& PushButton::Class() { return RegisterClassOf<PushButton, RectControl>("PushButton"); }
bool PushButton::SetProperty(const std::string&, const PropertyValue&) { NotYet(); }
void PushButton::Push() { NotYet(); }
QWidget* PushButton::MakeWidget(QWidget*) { NotYet(); }
bool PushButton::InstallHandler(const std::string&, const Delegate&) { NotYet(); }
const ClassRecord& CheckBox::Class() { return RegisterClassOf<CheckBox, RectControl>("CheckBox"); }
bool CheckBox::Value() const { NotYet(); }
void CheckBox::SetValue(bool) { NotYet(); }
bool CheckBox::SetProperty(const std::string&, const PropertyValue&) { NotYet(); }
QWidget* CheckBox::MakeWidget(QWidget*) { NotYet(); }
const ClassRecord& ProgressBar::Class() { return RegisterClassOf<ProgressBar, RectControl>("ProgressBar"); }
int32_t ProgressBar::Value() const { NotYet(); }
void ProgressBar::SetValue(int32_t) { NotYet(); }
int32_t ProgressBar::Maximum() const { NotYet(); }
void ProgressBar::SetMaximum(int32_t) { NotYet(); }
bool ProgressBar::SetProperty(const std::string&, const PropertyValue&) { NotYet(); }
QWidget* ProgressBar::MakeWidget(QWidget*) { NotYet(); }
const ClassRecord& Canvas::Class() { return RegisterClassOf<Canvas, RectControl>("Canvas"); }
bool Canvas::SetProperty(const std::string&, const PropertyValue&) { NotYet(); }
QWidget* Canvas::MakeWidget(QWidget*) { NotYet(); }
bool Canvas::InstallHandler(const std::string&, const Delegate&) { NotYet(); }
const ClassRecord& StaticText::Class() { return RegisterClassOf<StaticText, RectControl>("StaticText"); }
std::string StaticText::Text() const { NotYet(); }
void StaticText::SetText(const std::string&) { NotYet(); }
bool StaticText::SetProperty(const std::string&, const PropertyValue&) { NotYet(); }
QWidget* StaticText::MakeWidget(QWidget*) { NotYet(); }
