// The window-system service on Qt 6 Widgets: native windows built from form tables.
#pragma once

#include <memory>

#include "../window_system.h"

namespace ks {

// Needs a QApplication to exist before CreateForm is called.
class QtWindowSystem : public WindowSystem {
public:
    std::unique_ptr<Form> CreateForm(const FormLayout& layout, FormEvents& events) override;
};

}  // namespace ks
