// The browser object service on Win32: an automation component by ProgID, the default browser where it fails.
#include "platform/win32/win32_browser.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>

#include <cwctype>
#include <optional>
#include <utility>

#include "platform/text.h"

namespace ks::win32 {

namespace {

bool SameName(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// "scheme://rest": letters, digits, '+', '-' and '.' before "://", a letter first.
bool IsAbsoluteAddress(const std::wstring& address) {
    const std::size_t colon = address.find(L"://");
    if (colon == 0 || colon == std::wstring::npos || colon + 3 == address.size())
        return false;
    if (!std::iswalpha(address[0]))
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const wchar_t c = address[i];
        if (!std::iswalnum(c) && c != L'+' && c != L'-' && c != L'.')
            return false;
    }
    return true;
}

// COM on this thread for as long as an object lives. The program's window thread
// may already have entered an apartment (OLE drag-and-drop); then this only counts.
class ComApartment {
public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT result_;
};

// The one reference the program holds to an automation object.
class DispatchRef {
public:
    DispatchRef() = default;
    ~DispatchRef() { Reset(); }
    DispatchRef(const DispatchRef&) = delete;
    DispatchRef& operator=(const DispatchRef&) = delete;

    IDispatch* Get() const { return dispatch_; }
    IDispatch** Receive() {
        Reset();
        return &dispatch_;
    }
    void Reset() {
        if (dispatch_)
            std::exchange(dispatch_, nullptr)->Release();
    }

private:
    IDispatch* dispatch_ = nullptr;
};

std::optional<DISPID> IdOf(IDispatch* object, std::wstring_view name) {
    std::wstring copy(name);
    LPOLESTR names[] = {copy.data()};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
        return std::nullopt;
    return id;
}

bool PutBool(IDispatch* object, std::wstring_view name, bool value) {
    const std::optional<DISPID> id = IdOf(object, name);
    if (!id)
        return false;
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_BOOL;
    arg.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&arg, &named, 1, 1};
    return SUCCEEDED(object->Invoke(*id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT,
                                    &params, nullptr, nullptr, nullptr));
}

// Calls a method with a string argument, or with none when argument is nullptr.
bool Call(IDispatch* object, std::wstring_view name, const std::wstring* argument) {
    const std::optional<DISPID> id = IdOf(object, name);
    if (!id)
        return false;
    VARIANT arg;
    VariantInit(&arg);
    if (argument) {
        arg.vt = VT_BSTR;
        arg.bstrVal = SysAllocStringLen(argument->data(), static_cast<UINT>(argument->size()));
        if (!arg.bstrVal)
            return false;
    }
    DISPPARAMS params{argument ? &arg : nullptr, nullptr, argument ? 1u : 0u, 0};
    VARIANT result;
    VariantInit(&result);
    const HRESULT hr = object->Invoke(*id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                      &params, &result, nullptr, nullptr);
    VariantClear(&result);
    VariantClear(&arg);
    return SUCCEEDED(hr);
}

class AutomationBrowser : public BrowserObject {
public:
    // stand_in: empty when this object must not stand in for a failing component.
    explicit AutomationBrowser(Win32BrowserService::Opener stand_in) : stand_in_(std::move(stand_in)) {}

    // False when no component could be created under that name.
    bool Start(std::wstring_view registered_name) {
        const std::wstring progid(registered_name);
        CLSID clsid;
        if (FAILED(CLSIDFromProgID(progid.c_str(), &clsid)))
            return false;
        return SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch,
                                          reinterpret_cast<void**>(component_.Receive())));
    }

    bool SetProperty(std::wstring_view name, bool value) override {
        const bool is_visible = SameName(name, L"Visible");
        if (component_.Get()) {
            if (PutBool(component_.Get(), name, value)) {
                if (is_visible)
                    visible_ = value;
                return true;
            }
            if (!stand_in_)
                return false;
            GiveUpComponent();
        }
        if (!stand_in_ || !is_visible)
            return false;
        visible_ = value;
        return true;
    }

    bool CallMethod(std::wstring_view name, const std::wstring& argument) override {
        if (component_.Get()) {
            if (Call(component_.Get(), name, &argument))
                return true;
            if (!stand_in_)
                return false;
            GiveUpComponent();
        }
        if (!stand_in_ || !SameName(name, L"navigate"))
            return false;
        if (!visible_)
            return true;  // a hidden browser shows nothing
        return stand_in_(argument);
    }

private:
    // A component that failed half-way may have opened an empty window or be left
    // running hidden: ask it to go, then drop it.
    void GiveUpComponent() {
        Call(component_.Get(), L"Quit", nullptr);
        component_.Reset();
    }

    ComApartment apartment_;  // first in, last out: the reference is released inside it
    DispatchRef component_;
    Win32BrowserService::Opener stand_in_;
    bool visible_ = false;  // as last set, kept for the stand-in
};

}  // namespace

bool OpenInDefaultBrowser(const std::wstring& address) {
    if (!IsAbsoluteAddress(address))
        return false;
    // The shell may hand the address to a COM handler.
    ComApartment apartment;
    const std::string native = ToNative(address);
    const HINSTANCE result =
        ShellExecuteA(nullptr, "open", native.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

Win32BrowserService::Win32BrowserService(Opener open_default, std::wstring stand_in_for)
    : open_default_(std::move(open_default)), stand_in_for_(std::move(stand_in_for)) {}

std::unique_ptr<BrowserObject> Win32BrowserService::Create(std::wstring_view registered_name) {
    const bool may_stand_in = open_default_ && SameName(registered_name, stand_in_for_);
    auto browser = std::make_unique<AutomationBrowser>(may_stand_in ? open_default_ : nullptr);
    if (!browser->Start(registered_name) && !may_stand_in)
        return nullptr;
    return browser;
}

}  // namespace ks::win32
