// The Win32 browser service: late-bound calls on a registered automation object, and the default browser where it fails.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "platform/win32/win32_browser.h"

namespace ks::win32 {
namespace {

const wchar_t kProgId[] = L"Kestrelspooler.TestBrowser";
// {6B1D3C52-7A4E-4F0B-9C1E-2D5A8E7F4B31}
const CLSID kClsid = {0x6b1d3c52, 0x7a4e, 0x4f0b, {0x9c, 0x1e, 0x2d, 0x5a, 0x8e, 0x7f, 0x4b, 0x31}};
const wchar_t kClsidText[] = L"{6B1D3C52-7A4E-4F0B-9C1E-2D5A8E7F4B31}";

enum : DISPID { kVisible = 1, kNavigate = 2, kQuit = 3 };

// What the component was asked, shared by every object the factory makes.
struct Record {
    std::vector<std::wstring> calls;
    int alive = 0;
    DISPID fail = 0;  // Invoke of this member fails
};

class TestBrowser : public IDispatch {
public:
    explicit TestBrowser(Record& record) : record_(record) { ++record_.alive; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) {
            --record_.alive;
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (count != 1)
            return E_INVALIDARG;
        const struct {
            const wchar_t* name;
            DISPID id;
        } members[] = {{L"Visible", kVisible}, {L"Navigate", kNavigate}, {L"Quit", kQuit}};
        for (const auto& m : members)
            if (_wcsicmp(names[0], m.name) == 0) {
                ids[0] = m.id;
                return S_OK;
            }
        ids[0] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT*, EXCEPINFO*, UINT*) override {
        std::wstring call;
        if (id == kVisible && flags == DISPATCH_PROPERTYPUT && params->cArgs == 1 &&
            params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT &&
            params->rgvarg[0].vt == VT_BOOL)
            call = params->rgvarg[0].boolVal == VARIANT_TRUE ? L"Visible=true" : L"Visible=false";
        else if (id == kNavigate && (flags & DISPATCH_METHOD) && params->cArgs == 1 &&
                 params->cNamedArgs == 0 && params->rgvarg[0].vt == VT_BSTR)
            call = L"navigate(" + std::wstring(params->rgvarg[0].bstrVal) + L")";
        else if (id == kQuit && (flags & DISPATCH_METHOD) && params->cArgs == 0)
            call = L"Quit";
        else
            call = L"malformed call of " + std::to_wstring(id);
        record_.calls.push_back(call);
        return id == record_.fail ? E_FAIL : S_OK;
    }

private:
    Record& record_;
    ULONG refs_ = 1;
};

class Factory : public IClassFactory {
public:
    explicit Factory(Record& record) : record_(record) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (outer)
            return CLASS_E_NOAGGREGATION;
        auto* browser = new TestBrowser(record_);
        const HRESULT hr = browser->QueryInterface(iid, out);
        browser->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    Record& record_;
};

class Win32Browser : public ::testing::Test {
protected:
    Record record;
    Factory factory{record};
    DWORD cookie = 0;
    std::vector<std::wstring> opened;  // addresses handed to the default browser

    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        HKEY key;
        const std::wstring path = std::wstring(kProgId) + L"\\CLSID";
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kClsidText),
                       sizeof kClsidText);
        RegCloseKey(key);
        ASSERT_EQ(CoRegisterClassObject(kClsid, &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                        &cookie),
                  S_OK);
    }
    void TearDown() override {
        CoRevokeClassObject(cookie);
        RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
        CoUninitialize();
    }

    Win32BrowserService Service(const std::wstring& stand_in_for) {
        return Win32BrowserService(
            [this](const std::wstring& address) {
                opened.push_back(address);
                return true;
            },
            stand_in_for);
    }
};

TEST_F(Win32Browser, DrivesTheRegisteredComponentByNameOrFallsBackToTheDefaultBrowser) {
    const std::wstring address = L"https://maker.example/";
    struct Case {
        const char* name;
        const wchar_t* progid;  // as the program asks for it
        DISPID fail;
        std::vector<std::wstring> calls;
        bool default_browser;
    };
    const Case cases[] = {
        {"component does it all", L"KESTRELSPOOLER.TESTBROWSER", 0,
         {L"Visible=true", L"navigate(" + address + L")"}, false},
        {"window refused: component asked to quit", kProgId, kVisible,
         {L"Visible=true", L"Quit"}, true},
        {"navigation failed: component asked to quit", kProgId, kNavigate,
         {L"Visible=true", L"navigate(" + address + L")", L"Quit"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        record.calls.clear();
        record.fail = c.fail;
        opened.clear();
        Win32BrowserService service = Service(kProgId);
        {
            std::unique_ptr<BrowserObject> browser = service.Create(c.progid);
            ASSERT_NE(browser, nullptr);
            EXPECT_TRUE(browser->SetProperty(L"Visible", true));
            EXPECT_TRUE(browser->CallMethod(L"navigate", address));
        }
        EXPECT_EQ(record.calls, c.calls);
        EXPECT_EQ(record.alive, 0) << "the reference is released";
        EXPECT_EQ(opened, c.default_browser ? std::vector<std::wstring>{address}
                                            : std::vector<std::wstring>{});
    }
}

TEST_F(Win32Browser, FailuresOfAComponentNotStoodInForComeBackAsValues) {
    Win32BrowserService service = Service(L"INTERNETEXPLORER.Application");
    EXPECT_EQ(service.Create(L"Kestrelspooler.NoSuchComponent"), nullptr);

    record.fail = kNavigate;
    std::unique_ptr<BrowserObject> browser = service.Create(kProgId);
    ASSERT_NE(browser, nullptr);
    EXPECT_FALSE(browser->SetProperty(L"Colour", true)) << "no such property";
    EXPECT_TRUE(browser->SetProperty(L"Visible", true));
    EXPECT_FALSE(browser->CallMethod(L"navigate", L"https://maker.example/"));
    browser.reset();
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(record.alive, 0);
}

TEST_F(Win32Browser, MissingComponentStandsInWithTheDefaultBrowser) {
    Win32BrowserService service = Service(L"Kestrelspooler.NoSuchComponent");
    struct Case {
        const char* name;
        bool visible;
        int opened;
    };
    for (const Case& c : {Case{"visible", true, 1}, Case{"hidden shows nothing", false, 0}}) {
        SCOPED_TRACE(c.name);
        opened.clear();
        std::unique_ptr<BrowserObject> browser = service.Create(L"KestrelSpooler.NoSuchComponent");
        ASSERT_NE(browser, nullptr);
        EXPECT_TRUE(browser->SetProperty(L"Visible", c.visible));
        EXPECT_FALSE(browser->CallMethod(L"print", L"x")) << "only navigate is known";
        EXPECT_TRUE(browser->CallMethod(L"navigate", L"https://maker.example/"));
        EXPECT_EQ(static_cast<int>(opened.size()), c.opened);
    }
    EXPECT_TRUE(record.calls.empty());
}

TEST(Win32DefaultBrowser, RefusesWhatIsNotAnAddressWithAScheme) {
    for (const wchar_t* text : {L"", L"notepad", L"C:\\windows\\notepad.exe", L"://x",
                                L"1http://x", L"http://", L"ht tp://x"}) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(std::wstring(text).size()));
        EXPECT_FALSE(OpenInDefaultBrowser(text));
    }
}

}  // namespace
}  // namespace ks::win32
