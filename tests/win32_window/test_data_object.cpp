// Drag-and-drop data as another program offers it: a data object of the tests' own, and DROPFILES blocks.
#include "tests/win32_window/test_data_object.h"

#include <shlobj.h>

#include <cstring>

namespace ks::test {

void TestDataObject::Add(CLIPFORMAT format, std::vector<std::uint8_t> bytes) {
    entries_.push_back({format, std::move(bytes)});
}

HRESULT TestDataObject::QueryInterface(REFIID riid, void** object) {
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
        *object = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG TestDataObject::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG TestDataObject::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

const TestDataObject::Entry* TestDataObject::Find(const FORMATETC* format) const {
    if (!format || !(format->tymed & TYMED_HGLOBAL) || format->dwAspect != DVASPECT_CONTENT)
        return nullptr;
    for (const Entry& e : entries_)
        if (e.format == format->cfFormat)
            return &e;
    return nullptr;
}

HRESULT TestDataObject::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (!medium)
        return E_POINTER;
    const Entry* e = Find(format);
    if (!e)
        return DV_E_FORMATETC;
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, e->bytes.empty() ? 1 : e->bytes.size());
    if (!memory)
        return E_OUTOFMEMORY;
    if (!e->bytes.empty()) {
        void* p = GlobalLock(memory);
        std::memcpy(p, e->bytes.data(), e->bytes.size());
        GlobalUnlock(memory);
    }
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

HRESULT TestDataObject::QueryGetData(FORMATETC* format) { return Find(format) ? S_OK : DV_E_FORMATETC; }

HRESULT TestDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
    if (out)
        out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

HRESULT TestDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) {
    if (direction != DATADIR_GET)
        return E_NOTIMPL;
    std::vector<FORMATETC> formats;
    for (const Entry& e : entries_)
        formats.push_back({e.format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
    return SHCreateStdEnumFmtEtc(static_cast<UINT>(formats.size()), formats.data(), out);
}

HRESULT ImmediateDropSource::QueryInterface(REFIID riid, void** object) {
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropSource)) {
        *object = static_cast<IDropSource*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// The first answer lets the drag reach the target under the pointer; the second
// lets go, as a mouse button released there would.
HRESULT ImmediateDropSource::QueryContinueDrag(BOOL escape, DWORD) {
    if (escape)
        return DRAGDROP_S_CANCEL;
    return ++asked_ < 2 ? S_OK : DRAGDROP_S_DROP;
}

}  // namespace ks::test
