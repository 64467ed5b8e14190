// The About window's layout, as data that every platform draws from.
#pragma once

#include <string_view>

#include "platform/window_system.h"

namespace ks {

// The About window's controls, by the names events report.
namespace about_form {
inline constexpr ControlName frmAbout{L"frmAbout"};  // the window itself
inline constexpr ControlName cmdOK{L"cmdOK"};
inline constexpr ControlName Command1{L"Command1"};  // the web address
inline constexpr ControlName picIcon{L"picIcon"};
inline constexpr ControlName lblTitle{L"lblTitle"};
inline constexpr ControlName lblVersion{L"lblVersion"};
inline constexpr ControlName lblDescription{L"lblDescription"};
inline constexpr ControlName lblDisclaimer{L"lblDisclaimer"};
// The separator: 0 the white line, 1 the grey one behind it.
inline constexpr ControlName Line1[] = {ControlName(L"Line1(0)"), ControlName(L"Line1(1)")};
}  // namespace about_form

// The maker's home page, set once in the build: the web-address button's caption
// and the page it opens.
std::wstring_view MakerWebAddress();

const FormLayout& AboutFormLayout();

}  // namespace ks
