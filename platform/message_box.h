// Modal message boxes: a text, a caption, an OK button, no icon.
#pragma once

#include <string>
#include <vector>

namespace ks {

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;

    // Shows the box and returns once it was answered. The box shows `text` on its first
    // line and, when there are `details`, a blank line and then each detail on a line
    // of its own, as given (the caller makes them sentences). Everything is plain text:
    // nothing in it is taken as markup. The box is at least wide enough to show its
    // caption.
    //
    // Where no one can answer (no display), the implementation writes "CAPTION: TEXT"
    // on standard error and returns at once: a box must never wait for an answer that
    // cannot come. The details are not written there: the caller has written them on
    // standard error already, in their own form, before it showed the box.
    virtual void Show(const std::wstring& text, const std::wstring& caption,
                      const std::vector<std::wstring>& details = {}) = 0;
};

// The text of a box: `text`, then a blank line and the details one per line.
inline std::wstring MessageBoxBody(const std::wstring& text, const std::vector<std::wstring>& details) {
    std::wstring body = text;
    if (!details.empty())
        body += L"\n";
    for (const std::wstring& line : details)
        body += L"\n" + line;
    return body;
}

}  // namespace ks
