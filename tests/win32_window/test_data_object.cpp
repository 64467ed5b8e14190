// Drag-and-drop data as another program offers it: a data object of the tests' own, and DROPFILES blocks.
#include "test_data_object.h"

#include <shlobj.h>

#include <cstring>

namespace ks::test {

namespace {

void PutU32(std::vector<std::uint8_t>& out, size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::vector<std::uint8_t> Header(std::uint32_t files_at, bool wide) {
    std::vector<std::uint8_t> header(20, 0);
    PutU32(header, 0, files_at);
    PutU32(header, 16, wide ? 1 : 0);
    return header;
}

void AppendWide(std::vector<std::uint8_t>& out, const std::wstring& text) {
    for (wchar_t c : text) {
        out.push_back(static_cast<std::uint8_t>(c & 0xFF));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
}

}  // namespace

std::vector<std::uint8_t> FileListBlock(const std::vector<std::wstring>& paths, bool wide) {
    std::vector<std::uint8_t> block = Header(20, wide);
    for (const std::wstring& path : paths) {
        if (wide) {
            AppendWide(block, path);
            block.insert(block.end(), {0, 0});
        } else {
            std::string narrow(path.size() * 2 + 1, '\0');
            const int n = WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, narrow.data(),
                                              static_cast<int>(narrow.size()), nullptr, nullptr);
            block.insert(block.end(), narrow.begin(), narrow.begin() + (n > 0 ? n : 1));  // with its NUL
        }
    }
    block.insert(block.end(), wide ? 2 : 1, 0);
    return block;
}

std::vector<MalformedBlock> MalformedBlocks(const std::wstring& path) {
    const std::vector<std::uint8_t> good = FileListBlock({path, path + L".second"});
    std::vector<MalformedBlock> out;
    // Cut off in the middle of the first path.
    out.push_back({"truncated", std::vector<std::uint8_t>(good.begin(), good.begin() + 20 + 2 * (path.size() / 2))});
    // pFiles far past the end of the block.
    std::vector<std::uint8_t> past = good;
    PutU32(past, 0, 0x7FFFFFF0u);
    out.push_back({"offset past the end", past});
    // The path runs to the end of the block without any terminator.
    std::vector<std::uint8_t> unterminated = Header(20, true);
    AppendWide(unterminated, path);
    out.push_back({"no terminator", unterminated});
    // pFiles inside the header, which then reads as text.
    std::vector<std::uint8_t> inside = good;
    PutU32(inside, 0, 4);
    out.push_back({"offset inside the header", inside});
    return out;
}

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
