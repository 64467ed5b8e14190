// The progress window's layout, as data that every platform draws from.
#include "progress/progress_form.h"

namespace ks {

namespace {

using namespace progress_form;

// Labels and bar share the width between the window's margins.
constexpr int kMargin = 240;
constexpr int kInnerWidth = 4920;

ControlLayout Label(ControlName name, int top, std::wstring_view caption) {
    return {.kind = ControlKind::Label, .name = name, .left = kMargin, .top = top, .width = kInnerWidth,
            .height = 255, .caption = caption, .tab_index = -1};
}

}  // namespace

FormLayout ProgressFormLayout(std::wstring_view title, std::wstring_view file_name) {
    return FormLayout{
        .name = frmProgress,
        .title = title,
        .client_width = kMargin + kInnerWidth + kMargin,
        .client_height = 1830,
        .border = BorderStyle::FixedDialog,
        .system_background = false,
        .icon = L"",
        .menus = {},
        .controls = {
            Label(lblFile, 240, file_name),
            Label(lblSent, 540, L""),
            {.kind = ControlKind::ProgressBar, .name = prgSent, .left = kMargin, .top = 900,
             .width = kInnerWidth, .height = 255, .caption = L"", .tab_index = -1},
            // At the right margin, below the bar.
            {.kind = ControlKind::Button, .name = cmdCancel, .left = kMargin + kInnerWidth - 1215,
             .top = 1305, .width = 1215, .height = 375, .caption = L"Cancel", .tab_index = 0},
        },
        // Esc presses Cancel; so does Enter, as Cancel is the one button and has the focus.
        .cancel_button = cmdCancel};
}

}  // namespace ks
