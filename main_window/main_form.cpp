// The main window's layout and menu bar, as data that every platform draws from.
#include "main_window/main_form.h"

#include "texts/program_texts.h"

namespace ks {

namespace {

using namespace main_form;

constexpr FontStyle kLabelFont{.italic = true};

ControlLayout Label(ControlName name, int left, int top, int width, int height,
                  std::wstring_view caption) {
    return {.kind = ControlKind::Label, .name = name, .left = left, .top = top, .width = width,
            .height = height, .caption = caption, .tab_index = -1, .accepts_drops = true,
            .font = kLabelFont, .system_background = true};
}

ControlLayout Button(ControlName name, int top, std::wstring_view caption, int tab_index,
                   bool accepts_drops) {
    return {.kind = ControlKind::Button, .name = name, .left = 5160, .top = top, .width = 1215,
            .height = 375, .caption = caption, .tab_index = tab_index,
            .accepts_drops = accepts_drops};
}

}  // namespace

const FormLayout& MainFormLayout() {
    static const FormLayout layout{
        .name = Kestrelspooler,
        .title = texts::kProgramTitle,
        .client_width = 6495,
        .client_height = 2655,
        .border = BorderStyle::Sizable,
        .system_background = true,
        .icon = L"kestrelspooler_icon",
        .menus = {{File, L"File", {{Open, L"Open"}, {Print, L"Print"}, {Exit, L"Exit"}}},
                  {Help, L"Help", {{About, L"About"}}}},
        .controls = {
            Label(Label2, 120, 120, 735, 255, L"Printer:"),
            {.kind = ControlKind::ComboBox, .name = Combo1, .left = 960, .top = 120,
             .width = 5400, .height = 315, .caption = L"", .tab_index = 1, .accepts_drops = true},
            Label(Label3, 240, 600, 615, 255, L"File:"),
            {.kind = ControlKind::TextBox, .name = Text2, .left = 960, .top = 600,
             .width = 5415, .height = 525, .caption = L"", .tab_index = 5, .accepts_drops = true,
             .multi_line = true},
            Button(Command3, 1200, L"Default printer", 8, false),
            Label(Label1, 960, 1320, 975, 255, L"Size (Bytes):"),
            {.kind = ControlKind::TextBox, .name = Text1, .left = 2040, .top = 1320,
             .width = 2895, .height = 285, .caption = L"0", .tab_index = -1,
             .accepts_drops = true, .read_only = true, .system_background = true},
            {.kind = ControlKind::Picture, .name = Image1, .left = 960, .top = 1680,
             .width = 3990, .height = 735, .caption = L"kestrelspooler_banner", .tab_index = -1,
             .accepts_drops = true},
            Button(Command1, 1680, L"File select", 0, true),
            Button(Command2, 2160, L"Print", 4, true),
        }};
    return layout;
}

}  // namespace ks
