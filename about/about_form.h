// The About window's layout, as data that every platform draws from.
#pragma once

#include <string_view>

#include "../platform/window_system.h"

namespace ks {

// Names of the About window's controls, as events report them.
namespace about_form {
inline constexpr std::wstring_view kOK = L"cmdOK";
inline constexpr std::wstring_view kWebAddress = L"Command1";
inline constexpr std::wstring_view kIcon = L"picIcon";
inline constexpr std::wstring_view kTitle = L"lblTitle";
inline constexpr std::wstring_view kVersion = L"lblVersion";
inline constexpr std::wstring_view kDescription = L"lblDescription";
inline constexpr std::wstring_view kDisclaimer = L"lblDisclaimer";
inline constexpr std::wstring_view kLineWhite = L"Line1(0)";
inline constexpr std::wstring_view kLineGrey = L"Line1(1)";
}  // namespace about_form

// The maker's home page, set once in the build: the web-address button's caption
// and the page it opens.
std::wstring_view MakerWebAddress();

const FormLayout& AboutFormLayout();

}  // namespace ks
