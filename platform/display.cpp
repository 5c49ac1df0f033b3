// Qt ends the process (abort) when its window system plugin cannot start, so the display is
// looked for first, the way the plugins Qt would try look for it.

#include "display_p.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Answers: something listens on the local socket at path ("\0..." for an abstract one).
bool Answers(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size());
    const bool answered = connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    close(fd);
    return answered;
}

// X11: DISPLAY is [host]:number[.screen]; a local server listens on /tmp/.X11-unix/X<number>,
// abstract or in the file system.
std::string MissingX11() {
    const std::string display = Environment("DISPLAY");
    if (display.empty()) return "DISPLAY is not set";
    const size_t colon = display.rfind(':');
    const std::string host = display.substr(0, colon == std::string::npos ? 0 : colon);
    if (colon == std::string::npos || (!host.empty() && host != "unix")) return "";
    const std::string number = display.substr(colon + 1, display.find('.', colon) - colon - 1);
    const std::string socket = "/tmp/.X11-unix/X" + number;
    if (Answers(std::string(1, '\0') + socket) || Answers(socket)) return "";
    return "nothing answers at DISPLAY " + display;
}

std::string MissingWayland() {
    if (!Environment("WAYLAND_SOCKET").empty()) return "";
    std::string name = Environment("WAYLAND_DISPLAY");
    if (name.empty()) name = "wayland-0";
    if (name.front() != '/') {
        const std::string runtime = Environment("XDG_RUNTIME_DIR");
        if (runtime.empty()) return "XDG_RUNTIME_DIR is not set";
        name = runtime + "/" + name;
    }
    return Answers(name) ? "" : "nothing answers at " + name;
}

}  // namespace

namespace DisplayPrivate {

std::string Missing() {
    // The plugins Qt tries, in order: those QT_QPA_PLATFORM lists, else X11, or Wayland in
    // a Wayland session.
    std::vector<std::string> plugins;
    const std::string forced = Environment("QT_QPA_PLATFORM");
    for (size_t start = 0; start < forced.size();) {
        const size_t end = std::min(forced.find(';', start), forced.size());
        plugins.push_back(forced.substr(start, std::min(forced.find(':', start), end) - start));
        start = end + 1;
    }
    if (plugins.empty()) {
        plugins.push_back("xcb");
        if (Environment("XDG_SESSION_TYPE") == "wayland" || !Environment("WAYLAND_DISPLAY").empty())
            plugins.push_back("wayland");
    }
    std::string first;
    for (const std::string& plugin : plugins) {
        std::string missing = plugin == "xcb"                 ? MissingX11()
                              : plugin.rfind("wayland", 0) == 0 ? MissingWayland()
                                                                : std::string();
        if (missing.empty()) return "";
        if (first.empty()) first = std::move(missing);
    }
    return first;
}

}  // namespace DisplayPrivate
