// The window-system service on Win32: native windows built from form tables, and the program's message loop.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/window_system.h"

namespace ks::win32 {

// Forms take their artwork (icons, bitmaps) from the resources of the module given,
// by the names the form tables use. Drops need OLE initialised on the thread
// (OleInitialize) before CreateForm; without it a form takes no drops.
class Win32WindowSystem : public WindowSystem {
public:
    explicit Win32WindowSystem(HINSTANCE instance = GetModuleHandleW(nullptr)) : instance_(instance) {}
    // Throws std::runtime_error when the window cannot be created.
    std::unique_ptr<Form> CreateForm(const FormLayout& layout, FormEvents& events) override;

private:
    HINSTANCE instance_;
};

// Runs the thread's messages, with the forms' keyboard handling (Tab, Enter, Esc),
// while any form is open. Returns 0 once none is, or the code of a WM_QUIT.
int RunMessageLoop();

}  // namespace ks::win32
