// What every form does alike, whatever draws it: pixels from twips, captions, focus and tab order, control lookup, the combo box.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window_system.h"

namespace ks {

// Pixels for a length in twips at a DPI: twips * dpi / 1440, rounded half away from
// zero, so 15 twips make a pixel at 96 DPI.
int TwipsToPixels(int twips, double dpi);

// The program has no access keys: a "&" in a caption is a character like any other.
// The native buttons and menus read "&" as the mark of an access key, so a caption
// goes to them with each "&" doubled and comes back with the pairs undone.
std::wstring CaptionShown(std::wstring_view caption);
std::wstring CaptionRead(std::wstring_view shown);

// How a control takes the keyboard focus.
enum class Focus {
    None,   // never: labels, pictures, lines
    Click,  // from a click only: no tab index, or a read-only text box
    Tab,    // from a click and from the Tab key
};
Focus FocusOf(const ControlLayout& control);

// The indexes of the controls the Tab key visits, in its order: by tab index, ties in
// table order. The first takes the focus when the window is first shown.
std::vector<std::size_t> TabOrder(const std::vector<ControlLayout>& controls);

// A copy of a form table that owns its texts, so that a form never depends on how
// long the caller keeps its table.
class OwnedLayout {
public:
    explicit OwnedLayout(const FormLayout& layout);
    OwnedLayout(const OwnedLayout&) = delete;
    OwnedLayout& operator=(const OwnedLayout&) = delete;

    const FormLayout& Get() const { return layout_; }

private:
    std::wstring_view Keep(std::wstring_view text);
    ControlName Keep(ControlName name) { return ControlName(Keep(name.View())); }

    std::deque<std::wstring> texts_;  // a deque keeps each text in place as it grows
    FormLayout layout_;
};

// The Form calls, written once over a form's native controls: the control named is
// looked up in the table, a list or progress call on another kind of control and a
// list index out of range are refused, a progress value is kept in range, pictures,
// lines and progress bars hold no text, button captions keep
// their "&", and a combo box's text, list and selection stay in step. A form derives
// from it and reaches its native controls by their index in the table.
class TableForm : public Form {
public:
    std::wstring Text(ControlName control) const final;
    void SetText(ControlName control, const std::wstring& text) final;
    void AddItem(ControlName control, const std::wstring& item) final;
    int ItemCount(ControlName control) const final;
    std::wstring Item(ControlName control, int index) const final;
    int SelectedIndex(ControlName control) const final;
    void SetSelectedIndex(ControlName control, int index) final;
    void SetProgress(ControlName control, int value) final;
    int Progress(ControlName control) const final;

protected:
    explicit TableForm(const FormLayout& layout) : table_(layout) {}

    // The table the form was built from, with texts of its own.
    const FormLayout& Table() const { return table_.Get(); }
    const ControlLayout& Layout(std::size_t control) const { return Table().controls[control]; }
    // Throws std::logic_error for a name the table does not have.
    std::size_t IndexOf(ControlName control) const;

    // The native side. Texts are as the native control holds them: a button's caption
    // with each "&" doubled. Never asked for a picture's or a line's text.
    virtual std::wstring NativeText(std::size_t control) const = 0;
    virtual void SetNativeText(std::size_t control, const std::wstring& text) = 0;
    // Combo boxes only, with indexes in range.
    virtual void NativeAddItem(std::size_t control, const std::wstring& item) = 0;
    virtual int NativeItemCount(std::size_t control) const = 0;
    virtual std::wstring NativeItem(std::size_t control, int index) const = 0;
    virtual int NativeSelected(std::size_t control) const = 0;
    // Selects entry `index` and makes it the box's text; -1 drops the selection.
    virtual void NativeSelect(std::size_t control, int index) = 0;
    // Progress bars only, with a value from 0 to kProgressFull.
    virtual void SetNativeProgress(std::size_t control, int value) = 0;
    virtual int NativeProgress(std::size_t control) const = 0;

private:
    // The control's index when it is of this kind; std::logic_error otherwise.
    std::size_t OfKind(ControlName control, ControlKind kind) const;
    std::size_t ComboBox(ControlName control) const { return OfKind(control, ControlKind::ComboBox); }
    // std::out_of_range unless the box has an entry `index`.
    void CheckEntry(std::size_t box, int index) const;

    OwnedLayout table_;
};

}  // namespace ks
