// Move-only owners for what the forms hold: GDI objects, icons, windows, drop registrations, OLE.
#pragma once

#include <ole2.h>
#include <windows.h>

#include "platform/win32/handles.h"

namespace ks::win32 {

template <typename T>
struct GdiTraits {
    using Handle = T;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle h) { return DeleteObject(h) != FALSE; }
};

struct IconTraits {
    using Handle = HICON;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle h) { return DestroyIcon(h) != FALSE; }
};

struct WindowTraits {
    using Handle = HWND;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle h) { return DestroyWindow(h) != FALSE; }
};

struct MenuTraits {
    using Handle = HMENU;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle h) { return DestroyMenu(h) != FALSE; }
};

// A window registered with RegisterDragDrop; revoking drops OLE's hold on its target.
struct DropRegistrationTraits {
    using Handle = HWND;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle h) { return RevokeDragDrop(h) == S_OK; }
};

using FontHandle = UniqueHandle<GdiTraits<HFONT>>;
using BrushHandle = UniqueHandle<GdiTraits<HBRUSH>>;
using PenHandle = UniqueHandle<GdiTraits<HPEN>>;
using BitmapHandle = UniqueHandle<GdiTraits<HBITMAP>>;
using IconHandle = UniqueHandle<IconTraits>;
using WindowHandle = UniqueHandle<WindowTraits>;
using MenuHandle = UniqueHandle<MenuTraits>;
using DropRegistration = UniqueHandle<DropRegistrationTraits>;

// OLE on the calling thread for as long as it lives (drag-and-drop needs it).
class OleInitialization {
public:
    OleInitialization() : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleInitialization() {
        if (ok_)
            OleUninitialize();
    }
    OleInitialization(const OleInitialization&) = delete;
    OleInitialization& operator=(const OleInitialization&) = delete;
    explicit operator bool() const { return ok_; }

private:
    bool ok_;
};

}  // namespace ks::win32
