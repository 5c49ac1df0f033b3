#pragma once

// What the platform's window, control and message box units share; not for the program.

#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>

class QAction;
class QWidget;

namespace WindowPrivate {

// DisplayText is a text as the screen shows it: UTF-8 decoded, and CR, LF and CRLF each
// one line break.
QString DisplayText(const std::string& text);

// RepaintAtFrameRate repaints widget now, unless it was repainted less than a display
// frame ago (real time), in which case it schedules an update for the event loop.
void RepaintAtFrameRate(QWidget& widget, int64_t& lastPaintMs);

// RunHandler calls an event handler from inside Qt, which exceptions must not cross: one
// that escapes is kept and ends the event loop, which passes it on.
void RunHandler(const std::function<void()>& handler);

// MenuActions are the actions of the application's menu items, which every window and
// message box carries so that their shortcuts act there.
QList<QAction*> MenuActions();

// CancelShownWindows answers every shown window as its user would cancel it: a window's
// cancel button is pushed, a message box gets its escape button (Quit).
void CancelShownWindows();

// EndModalWaits hides every modal window and message box still up, so that each modal wait
// returns; no handler runs.
void EndModalWaits();

// OnWorkerThread tells whether the caller runs on a worker thread, where a modal wait
// must yield instead of nesting an event loop.
bool OnWorkerThread();

}  // namespace WindowPrivate
