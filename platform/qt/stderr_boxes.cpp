// Message boxes where no one could answer one: "CAPTION: TEXT" on standard error.
#include "platform/qt/stderr_boxes.h"

#include <cstdio>

#include "platform/text.h"

namespace ks {

void WriteBoxLine(const std::wstring& text, const std::wstring& caption) {
    const std::string line = ToNative(caption) + ": " + ToNative(text) + "\n";
    std::fflush(stderr);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

// The details went to standard error already, from the caller (MessageBoxService::Show).
void StandardErrorBoxes::Show(const std::wstring& text, const std::wstring& caption,
                              const std::vector<std::wstring>&) {
    WriteBoxLine(text, caption);
}

}  // namespace ks
