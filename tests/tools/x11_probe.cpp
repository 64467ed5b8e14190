// Asks a window on an X display what a window manager asks it: does it answer pings, will it close.
//
//   x11_probe alive WINDOW SECONDS   for SECONDS, pings WINDOW as a window manager does
//                                    (_NET_WM_PING) every 100 ms; exit 0 when every ping
//                                    was answered within kAnswerMs, 1 otherwise
//   x11_probe close WINDOW           presses its close box (WM_DELETE_WINDOW)
//
// WINDOW is an X window id (decimal or 0x hex), as xdotool or xwininfo give it. Window
// managers mark a window "not responding" when it leaves a ping unanswered for some
// seconds (GNOME and KDE: 5); this probe is stricter. Qt answers a ping from the event
// loop of its one UI thread, the loop that also paints, so an answered ping is a window
// that can repaint.
#include <X11/Xlib.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr long kAnswerMs = 1000;

bool g_x_error = false;
int OnXError(Display*, XErrorEvent*) {
    g_x_error = true;
    return 0;
}

long MillisecondsSince(Clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Waits for the next event until `deadline`; false when none came.
bool NextEvent(Display* display, XEvent& event, Clock::time_point deadline) {
    while (!XPending(display)) {
        const long left = static_cast<long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
        if (left <= 0)
            return false;
        pollfd wanted{ConnectionNumber(display), POLLIN, 0};
        poll(&wanted, 1, static_cast<int>(left));
    }
    XNextEvent(display, &event);
    return true;
}

void SendProtocol(Display* display, Window window, Atom protocol, long stamp) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(protocol);
    event.xclient.data.l[1] = stamp;
    event.xclient.data.l[2] = static_cast<long>(window);
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

// A ping as a window manager sends it; the answer comes back on the root window.
// Milliseconds until it came, or -1.
long Ping(Display* display, Window window, long stamp) {
    const Atom ping = XInternAtom(display, "_NET_WM_PING", False);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Clock::time_point start = Clock::now();
    SendProtocol(display, window, ping, stamp);
    XEvent event;
    while (NextEvent(display, event, start + std::chrono::milliseconds(kAnswerMs))) {
        if (event.type == ClientMessage && event.xclient.message_type == protocols &&
            static_cast<Atom>(event.xclient.data.l[0]) == ping && event.xclient.data.l[1] == stamp)
            return MillisecondsSince(start);
    }
    return -1;
}

int Alive(Display* display, Window window, double seconds) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || g_x_error) {
        std::fprintf(stderr, "x11_probe: no window 0x%lx\n", window);
        return 2;
    }
    // Answers go to the root window for those who listen there; Qt sends them with the
    // structure masks, not the substructure one window managers listen with.
    XSelectInput(display, DefaultRootWindow(display), StructureNotifyMask | SubstructureNotifyMask);

    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(static_cast<long>(seconds * 1000));
    long stamp = 1, pings = 0, slowest = 0;
    while (Clock::now() < end) {
        const long answer = Ping(display, window, stamp++);
        if (answer < 0) {
            std::printf("ping %ld: no answer within %ld ms\n", pings + 1, kAnswerMs);
            return 1;
        }
        ++pings;
        slowest = std::max(slowest, answer);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::printf("pings answered: %ld, slowest %ld ms\n", pings, slowest);
    return 0;
}

int Usage() {
    std::fprintf(stderr, "usage: x11_probe alive WINDOW SECONDS | close WINDOW\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return Usage();
    const std::string command = argv[1];
    const Window window = std::strtoul(argv[2], nullptr, 0);
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "x11_probe: cannot open the display\n");
        return 2;
    }
    XSetErrorHandler(OnXError);
    int status = 2;
    if (command == "alive" && argc == 4) {
        status = Alive(display, window, std::atof(argv[3]));
    } else if (command == "close" && argc == 3) {
        SendProtocol(display, window, XInternAtom(display, "WM_DELETE_WINDOW", False), CurrentTime);
        XSync(display, False);
        status = g_x_error ? 1 : 0;
    } else {
        status = Usage();
    }
    XCloseDisplay(display);
    return status;
}
