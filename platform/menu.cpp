#include "menu.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QStringList>

#include "application.h"
#include "runtime.h"
#include "window_p.h"

namespace {

// "Cmd+Q" names the Command key, which is Ctrl here; Option is Alt.
QKeySequence KeySequenceOf(const std::string& shortcut) {
    QStringList keys = QString::fromUtf8(shortcut).split(u'+');
    for (QString& key : keys) {
        if (key.compare(u"Cmd", Qt::CaseInsensitive) == 0) key = QStringLiteral("Ctrl");
        else if (key.compare(u"Option", Qt::CaseInsensitive) == 0) key = QStringLiteral("Alt");
    }
    return QKeySequence::fromString(keys.join(u'+'), QKeySequence::PortableText);
}

bool Contains(const MenuItem& tree, const MenuItem* item) {
    if (&tree == item) return true;
    for (int32_t i = 0; i < tree.Count(); ++i)
        if (Contains(*tree.Item(i), item)) return true;
    return false;
}

}  // namespace

const ClassRecord& MenuItem::Class() { return RegisterClassOf<MenuItem, Object>("MenuItem"); }
const ClassRecord& MenuBar::Class() { return RegisterClassOf<MenuBar, MenuItem>("MenuBar"); }
const ClassRecord& QuitMenuItem::Class() { return RegisterClassOf<QuitMenuItem, MenuItem>("QuitMenuItem"); }

MenuItem::MenuItem() = default;
MenuItem::~MenuItem() = default;

void MenuItem::Constructor() {}

void MenuItem::SetText(const std::string& text) {
    fText = text;
    if (fAction) {
        fAction->setText(QString::fromUtf8(text));
        fAction->setSeparator(IsSeparator());
    }
}

void MenuItem::SetKeyboardShortcut(const std::string& shortcut) {
    fShortcut = shortcut;
    if (fAction) fAction->setShortcut(KeySequenceOf(shortcut));
}

void MenuItem::Append(const Ref<MenuItem>& item) {
    if (Contains(*item, this)) throw RuntimeException("MenuItem::Append: a menu cannot hold itself");
    fChildren.push_back(item);
}

Ref<MenuItem> MenuItem::Child(const std::string& name) const {
    for (const Ref<MenuItem>& child : fChildren)
        if (child->Name() == name) return child;
    return nullptr;
}

Ref<MenuItem> MenuItem::Item(int32_t index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return fChildren[static_cast<size_t>(index)];
}

QAction* MenuItem::Action() const {
    if (!fAction && QCoreApplication::instance()) {
        fAction = std::make_unique<QAction>(QString::fromUtf8(fText));
        fAction->setSeparator(IsSeparator());
        fAction->setShortcut(KeySequenceOf(fShortcut));
        fAction->setShortcutContext(Qt::WindowShortcut);
        // The item lives as long as its action, so the action may call it back.
        auto* self = const_cast<MenuItem*>(this);
        QObject::connect(fAction.get(), &QAction::triggered,
                         [self] { WindowPrivate::RunHandler([self] { self->Event_Action(); }); });
    }
    return fAction.get();
}

void QuitMenuItem::Event_Action() { Quit(0); }
