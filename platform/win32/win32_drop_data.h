// OLE drag-and-drop on Win32: the dropped data as a file list, and the drop target of a window.
#pragma once

#include <ole2.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/drop_data.h"

namespace ks::win32 {

// A copy of what a drop offered, taken while the drop lasts: whether the data
// object offers CF_HDROP, and the bytes of that block (read through
// FirstDroppedPath, never through DragQueryFile, which trusts the block's offsets).
class Win32DropData : public DropData {
public:
    explicit Win32DropData(IDataObject* data);
    // For tests: the block as another program would hand it over.
    Win32DropData(bool has_file_list, std::vector<std::uint8_t> block);

    bool HasFileList() const override { return has_file_list_; }
    // Narrow lists are in the ANSI code page. nullopt for a malformed or empty list.
    std::optional<std::wstring> FirstPath() const override;

private:
    bool has_file_list_ = false;
    std::vector<std::uint8_t> block_;
};

// Whether the data object offers a file list (CF_HDROP in global memory).
bool OffersFileList(IDataObject* data);

// The IDropTarget registered on one window. A refusing target answers
// DROPEFFECT_NONE to every drag, which keeps the drag from falling through to the
// window behind it; an accepting one answers DROPEFFECT_COPY (also for data that is
// not a file list, when the source allows a copy) and hands the data over on Drop.
// After Detach it hands over nothing: OLE may hold it longer than its window.
class DropTarget final : public IDropTarget {
public:
    using Handler = std::function<void(const Win32DropData&)>;

    DropTarget(bool accepts, Handler on_drop);
    void Detach() { on_drop_ = nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL at, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL at, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL at, DWORD* effect) override;

private:
    ~DropTarget() = default;
    DWORD Effect(DWORD allowed) const;

    LONG references_ = 1;
    bool accepts_;
    Handler on_drop_;
};

}  // namespace ks::win32
