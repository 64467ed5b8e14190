// The window-system service on Win32: native windows built from form tables, and the program's message loop.
#include "platform/win32/win32_window_system.h"

#include "platform/win32/win32_form.h"

namespace ks::win32 {

std::unique_ptr<Form> Win32WindowSystem::CreateForm(const FormLayout& layout, FormEvents& events) {
    return std::make_unique<Win32Form>(instance_, layout, events);
}

int RunMessageLoop() {
    MSG msg;
    while (Win32Form::AnyOpen()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(msg.wParam);
        if (got == -1)
            return 1;
        if (Win32Form::PreTranslate(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

}  // namespace ks::win32
