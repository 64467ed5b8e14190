// Message boxes where no one could answer one: "CAPTION: TEXT" on standard error.
#pragma once

#include "platform/message_box.h"

namespace ks {

// Writes "CAPTION: TEXT" and a line end on standard error, flushed before and after so
// that it lands after anything the program wrote there before.
void WriteBoxLine(const std::wstring& text, const std::wstring& caption);

// The boxes of a run without a display: each box is its one line on standard error
// (WriteBoxLine), and Show returns at once.
class StandardErrorBoxes : public MessageBoxService {
public:
    void Show(const std::wstring& text, const std::wstring& caption,
              const std::vector<std::wstring>& details = {}) override;
};

}  // namespace ks
