// Message boxes through MessageBoxA.
#pragma once

#include "platform/message_box.h"

namespace ks::win32 {

// OK only, no icon, no owner window.
class Win32MessageBox : public MessageBoxService {
public:
    // The details below a blank line; MessageBoxA takes the text as it is, and widens
    // the box for its caption by itself.
    void Show(const std::wstring& text, const std::wstring& caption,
              const std::vector<std::wstring>& details = {}) override;
};

}  // namespace ks::win32
