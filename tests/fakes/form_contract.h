// What every native form must share with the in-memory one: its combo box keeps list and text alike.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "main_window/main_form.h"
#include "platform/memory/memory_form.h"

namespace ks::fakes {

// The core's unit tests run on MemoryForm; a native form that drifted from it would
// make those tests prove nothing about the real window. `native` is a main window.
inline void ExpectComboBoxLikeMemoryForm(Form& native) {
    MemoryForm memory(MainFormLayout());
    const std::wstring_view box = L"Combo1";
    const struct {
        const char* step;
        std::function<void(Form&)> run;
    } steps[] = {
        {"text before the list", [&](Form& f) { f.SetText(box, L"Remembered"); }},
        {"first entry", [&](Form& f) { f.AddItem(box, L"Laser"); }},
        {"second entry", [&](Form& f) { f.AddItem(box, L"Label printer"); }},
        {"select", [&](Form& f) { f.SetSelectedIndex(box, 1); }},
        {"add while selected", [&](Form& f) { f.AddItem(box, L"Third"); }},
        {"type over", [&](Form& f) { f.SetText(box, L"Other"); }},
        {"select first", [&](Form& f) { f.SetSelectedIndex(box, 0); }},
        {"empty text", [&](Form& f) { f.SetText(box, L""); }},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.step);
        s.run(native);
        s.run(memory);
        EXPECT_EQ(native.Text(box), memory.Text(box));
        ASSERT_EQ(native.ItemCount(box), memory.ItemCount(box));
        for (int i = 0; i < native.ItemCount(box); ++i)
            EXPECT_EQ(native.Item(box, i), memory.Item(box, i));
    }
    EXPECT_THROW(native.Text(L"NoSuchControl"), std::logic_error);
    EXPECT_THROW(native.SetSelectedIndex(box, 3), std::out_of_range);
}

}  // namespace ks::fakes
