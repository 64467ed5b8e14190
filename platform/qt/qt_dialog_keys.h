// Enter and Esc on a form's window: the keyboard presses the buttons the form table names.
#pragma once

#include "../window_system.h"

class QWidget;

namespace ks {

// Esc clicks the form's cancel button wherever the focus is; Enter clicks the
// focused button, or the default button when no button has the focus. Qt gives
// this only to QDialog, and a form's window is not one. The keys are taken as
// they come back unhandled from the focused control, so a control that uses
// Enter itself (a multi-line text box) keeps it. Does nothing for a form that
// names neither button.
void AddDialogKeys(QWidget& window, const FormLayout& layout);

}  // namespace ks
