// The main window's layout and menu bar, as data that every platform draws from.
#pragma once

#include "platform/window_system.h"

namespace ks {

// The main window's controls and menu entries, by the names events report.
namespace main_form {
inline constexpr ControlName Kestrelspooler{L"Kestrelspooler"};  // the window itself
inline constexpr ControlName Label1{L"Label1"};
inline constexpr ControlName Label2{L"Label2"};
inline constexpr ControlName Label3{L"Label3"};
inline constexpr ControlName Combo1{L"Combo1"};      // printer name box
inline constexpr ControlName Text1{L"Text1"};        // size field
inline constexpr ControlName Text2{L"Text2"};        // path field
inline constexpr ControlName Image1{L"Image1"};      // banner
inline constexpr ControlName Command1{L"Command1"};  // File select
inline constexpr ControlName Command2{L"Command2"};  // Print
inline constexpr ControlName Command3{L"Command3"};  // Default printer
inline constexpr ControlName File{L"File"};
inline constexpr ControlName Open{L"Open"};
inline constexpr ControlName Print{L"Print"};
inline constexpr ControlName Exit{L"Exit"};
inline constexpr ControlName Help{L"Help"};
inline constexpr ControlName About{L"About"};
}  // namespace main_form

const FormLayout& MainFormLayout();

}  // namespace ks
