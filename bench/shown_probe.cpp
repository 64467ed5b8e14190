// A preloaded observer for the start-up benchmark: notes when Qt first puts a window's pixels out, then ends the process.
//
// Loaded with LD_PRELOAD into the unchanged program. Qt Widgets hands every finished
// frame of a top-level window to QBackingStore::flush (in QtGui); the first such call is
// the moment the main window is first shown with its contents, on the offscreen platform
// and on X11 alike. This wrapper writes the CLOCK_MONOTONIC time of that call, after the
// frame is flushed, as one line to the descriptor named by KS_SHOWN_FD, and ends the
// process at once so that nothing after start-up (settings written on close, say) runs.
// It is declared by its mangled name so that it needs no Qt headers.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

using FlushFunction = void (*)(void*, const void*, void*, const void*);

constexpr const char kFlushSymbol[] = "_ZN13QBackingStore5flushERK7QRegionP7QWindowRK6QPoint";

// Qt's own flush. The program loads Qt's GUI as part of a module of its own, outside the
// global scope that RTLD_NEXT searches: then it is found in the loaded QtGui itself.
FlushFunction RealFlush() {
    if (void* next = dlsym(RTLD_NEXT, kFlushSymbol))
        return reinterpret_cast<FlushFunction>(next);
    void* gui = dlopen("libQt6Gui.so.6", RTLD_LAZY | RTLD_NOLOAD);
    return gui ? reinterpret_cast<FlushFunction>(dlsym(gui, kFlushSymbol)) : nullptr;
}

}  // namespace

// void QBackingStore::flush(const QRegion& region, QWindow* window, const QPoint& offset)
extern "C" __attribute__((visibility("default"))) void
_ZN13QBackingStore5flushERK7QRegionP7QWindowRK6QPoint(void* self, const void* region, void* window,
                                                      const void* offset) {
    static FlushFunction real = RealFlush();
    if (!real)
        _exit(125);
    real(self, region, window, offset);

    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (const char* fd_text = std::getenv("KS_SHOWN_FD")) {
        char line[64];
        const int n = std::snprintf(line, sizeof line, "%ld.%09ld\n", static_cast<long>(now.tv_sec),
                                    now.tv_nsec);
        const ssize_t written = write(std::atoi(fd_text), line, static_cast<size_t>(n));
        (void)written;
    }
    _exit(0);
}
