// The About window's layout, as data that every platform draws from.
#include "about/about_form.h"

#include "texts/program_texts.h"

#ifndef KS_WEB_ADDRESS
#error "KS_WEB_ADDRESS (the maker's home page) is set by the build"
#endif

namespace ks {

namespace {

constexpr Colour kBlack{0, 0, 0};
constexpr Colour kRed{255, 0, 0};
constexpr Colour kGrey{128, 128, 128};
constexpr Colour kWhite{255, 255, 255};

constexpr std::wstring_view kDescriptionText =
    L"Send file directly to selected printerspooler. If you send big files, the processing "
    L"will take several minutes. Some spooler check the datas, this can provocate an error. "
    L"In this case, try Windows Generic Driver.";
constexpr std::wstring_view kDisclaimerText =
    L"Warning: No warranty. If you send firmware updates to a printer you do it at your own "
    L"risc!";

// Labels take no focus; their text wraps within their width.
ControlLayout Label(ControlName name, int left, int top, int width, int height,
                  std::wstring_view caption, std::optional<Colour> fore) {
    return {.kind = ControlKind::Label, .name = name, .left = left, .top = top, .width = width,
            .height = height, .caption = caption, .tab_index = -1, .fore = fore};
}

ControlLayout HorizontalLine(ControlName name, int x1, int x2, int y, Colour colour,
                           int pixels) {
    return {.kind = ControlKind::Line, .name = name, .left = x1, .top = y, .width = x2 - x1,
            .height = 0, .caption = L"", .tab_index = -1, .fore = colour, .line_width = pixels,
            .x2 = x2, .y2 = y};
}

}  // namespace

std::wstring_view MakerWebAddress() { return L"" KS_WEB_ADDRESS; }

const FormLayout& AboutFormLayout() {
    using namespace about_form;
    static const FormLayout layout{
        .name = frmAbout,
        .title = L"About MyApp",
        .client_width = 5655,
        .client_height = 3270,
        .border = BorderStyle::FixedDialog,
        .system_background = false,
        .icon = L"",
        .menus = {},
        .controls = {
            {.kind = ControlKind::Picture, .name = picIcon, .left = 240, .top = 240,
             .width = 540, .height = 540, .caption = L"about_icon", .tab_index = 1,
             .sunken_border = true},
            Label(lblTitle, 1050, 240, 3885, 480, texts::kProgramTitle, kBlack),
            Label(lblVersion, 1050, 780, 3885, 225, L"Version " KS_VERSION_SHORT, std::nullopt),
            Label(lblDescription, 1050, 1125, 3885, 930, kDescriptionText, kBlack),
            // The grey line first, so that the white one lies in front of it.
            HorizontalLine(Line1[1], 90, 5520, 2160, kGrey, 1),
            HorizontalLine(Line1[0], 105, 5520, 2160, kWhite, 2),
            Label(lblDisclaimer, 240, 2280, 3870, 420, kDisclaimerText, kRed),
            {.kind = ControlKind::Button, .name = Command1, .left = 240, .top = 2760,
             .width = 3975, .height = 375, .caption = MakerWebAddress(), .tab_index = 6,
             .font = {.underline = true}},
            {.kind = ControlKind::Button, .name = cmdOK, .left = 4245, .top = 2760,
             .width = 1260, .height = 390, .caption = L"OK", .tab_index = 0},
        },
        .default_button = cmdOK,
        .cancel_button = cmdOK};
    return layout;
}

}  // namespace ks
