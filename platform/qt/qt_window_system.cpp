// The window-system service on Qt 6 Widgets: native windows built from form tables.
#include "qt_window_system.h"

#include "qt_form.h"

namespace ks {

std::unique_ptr<Form> QtWindowSystem::CreateForm(const FormLayout& layout, FormEvents& events) {
    return std::make_unique<QtForm>(layout, events);
}

}  // namespace ks
