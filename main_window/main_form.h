// The main window's layout and menu bar, as data that every platform draws from.
#pragma once

#include "../platform/window_system.h"

namespace ks {

// Names of the main window's controls and menu entries, as events report them.
namespace main_form {
inline constexpr std::wstring_view kPrinterBox = L"Combo1";
inline constexpr std::wstring_view kPathField = L"Text2";
inline constexpr std::wstring_view kSizeField = L"Text1";
inline constexpr std::wstring_view kFileSelect = L"Command1";
inline constexpr std::wstring_view kPrint = L"Command2";
inline constexpr std::wstring_view kDefaultPrinter = L"Command3";
inline constexpr std::wstring_view kBanner = L"Image1";
inline constexpr std::wstring_view kMenuOpen = L"Open";
inline constexpr std::wstring_view kMenuPrint = L"Print";
inline constexpr std::wstring_view kMenuExit = L"Exit";
inline constexpr std::wstring_view kMenuAbout = L"About";
}  // namespace main_form

const FormLayout& MainFormLayout();

}  // namespace ks
