// Message boxes through MessageBoxA.
#pragma once

#include "platform/message_box.h"

namespace ks::win32 {

// OK only, no icon, no owner window.
class Win32MessageBox : public MessageBoxService {
public:
    void Show(const std::wstring& text, const std::wstring& caption) override;
};

}  // namespace ks::win32
