#pragma once

// What the platform's window, control and message box units share; not for the program.

#include <QString>

#include <cstdint>
#include <functional>
#include <string>

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

// OnWorkerThread tells whether the caller runs on a worker thread, where a modal wait
// must yield instead of nesting an event loop.
bool OnWorkerThread();

}  // namespace WindowPrivate
