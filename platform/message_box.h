// Modal message boxes: a text, a caption, an OK button, no icon.
#pragma once

#include <string>

namespace ks {

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;

    // Shows the box and returns once it was answered. Where no one can answer
    // (no display), the implementation writes "CAPTION: TEXT" on standard error and
    // returns at once: a box must never wait for an answer that cannot come.
    virtual void Show(const std::wstring& text, const std::wstring& caption) = 0;
};

}  // namespace ks
