// The progress window's layout, as data that every platform draws from.
#pragma once

#include <string_view>

#include "platform/window_system.h"

namespace ks {

// The progress window's controls, by the names events report.
namespace progress_form {
inline constexpr ControlName frmProgress{L"frmProgress"};  // the window itself
inline constexpr ControlName lblFile{L"lblFile"};          // the file's name
inline constexpr ControlName lblSent{L"lblSent"};          // "12 MiB of 1.0 GiB"
inline constexpr ControlName prgSent{L"prgSent"};          // the bar
inline constexpr ControlName cmdCancel{L"cmdCancel"};
}  // namespace progress_form

// The window for one job: `title` in its title bar, `file_name` in its first line. The
// layout points into both texts; the form that is built from it keeps copies.
FormLayout ProgressFormLayout(std::wstring_view title, std::wstring_view file_name);

}  // namespace ks
