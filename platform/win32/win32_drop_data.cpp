// OLE drag-and-drop on Win32: the dropped data as a file list, and the drop target of a window.
#include "platform/win32/win32_drop_data.h"

#include <cstring>
#include <span>

#include "platform/text.h"
#include "platform/win32/hdrop_parse.h"

namespace ks::win32 {

namespace {

FORMATETC FileListFormat() { return {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

// Copies the global memory block a medium carries, all GlobalSize bytes of it.
std::vector<std::uint8_t> CopyBlock(HGLOBAL memory) {
    std::vector<std::uint8_t> bytes;
    if (!memory)
        return bytes;
    const SIZE_T size = GlobalSize(memory);
    const void* p = GlobalLock(memory);
    if (!p)
        return bytes;
    bytes.resize(size);
    if (size)
        std::memcpy(bytes.data(), p, size);
    GlobalUnlock(memory);
    return bytes;
}

}  // namespace

bool OffersFileList(IDataObject* data) {
    FORMATETC format = FileListFormat();
    return data && data->QueryGetData(&format) == S_OK;
}

Win32DropData::Win32DropData(IDataObject* data) {
    if (!data)
        return;
    FORMATETC format = FileListFormat();
    STGMEDIUM medium{};
    // Some sources answer QueryGetData wrongly but hand the data over all the same.
    if (SUCCEEDED(data->GetData(&format, &medium))) {
        has_file_list_ = true;
        if (medium.tymed == TYMED_HGLOBAL)
            block_ = CopyBlock(medium.hGlobal);
        ReleaseStgMedium(&medium);
    } else {
        has_file_list_ = OffersFileList(data);
    }
}

Win32DropData::Win32DropData(bool has_file_list, std::vector<std::uint8_t> block)
    : has_file_list_(has_file_list), block_(std::move(block)) {}

std::optional<std::wstring> Win32DropData::FirstPath() const {
    if (!has_file_list_)
        return std::nullopt;
    const std::optional<DroppedPath> path = FirstDroppedPath(std::span(block_));
    if (!path)
        return std::nullopt;
    if (path->wide)
        return std::wstring(path->wide_path.begin(), path->wide_path.end());
    // Bytes the ANSI code page cannot read (not UTF-8, where that is the code page) name no file.
    std::wstring wide = FromNative(path->narrow_path);
    if (wide.empty())
        return std::nullopt;
    return wide;
}

DropTarget::DropTarget(bool accepts, Handler on_drop) : accepts_(accepts), on_drop_(std::move(on_drop)) {}

HRESULT DropTarget::QueryInterface(REFIID riid, void** object) {
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG DropTarget::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG DropTarget::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

// A copy leaves the source's data where it was; a move would have the source delete
// the text or files it offered, so a source that allows nothing else is refused.
DWORD DropTarget::Effect(DWORD allowed) const {
    return accepts_ && (allowed & DROPEFFECT_COPY) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
}

HRESULT DropTarget::DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) {
    if (!effect)
        return E_INVALIDARG;
    *effect = Effect(*effect);
    return S_OK;
}

HRESULT DropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
    if (!effect)
        return E_INVALIDARG;
    *effect = Effect(*effect);
    return S_OK;
}

HRESULT DropTarget::DragLeave() { return S_OK; }

HRESULT DropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    if (!effect)
        return E_INVALIDARG;
    *effect = Effect(*effect);
    if (*effect == DROPEFFECT_NONE || !on_drop_)
        return S_OK;
    const Win32DropData dropped(data);
    on_drop_(dropped);
    return S_OK;
}

}  // namespace ks::win32
