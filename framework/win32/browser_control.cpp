// The web browser control in place in a window: created, laid over the client area, offered
// its keys, navigated, and torn down before the window goes.
#include "browser_control.h"

#include <string>

namespace framework::win32 {

namespace {

// A BSTR owned until the scope ends.
class OwnedBstr {
public:
    explicit OwnedBstr(const std::wstring& text)
        : m_text(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~OwnedBstr() { SysFreeString(m_text); }
    OwnedBstr(const OwnedBstr&) = delete;
    OwnedBstr& operator=(const OwnedBstr&) = delete;

    BSTR Get() const { return m_text; }

private:
    BSTR m_text;
};

// Narrow text in the thread's ANSI code page as wide text; empty when it cannot be converted.
std::wstring Widened(const char* text) {
    const int needed = MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, nullptr, 0);
    if (needed <= 1) return {};
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, wide.data(), needed);
    wide.resize(static_cast<std::size_t>(needed) - 1);
    return wide;
}

}  // namespace

std::unique_ptr<BrowserControl> BrowserControl::Create(HWND window,
                                                       BrowserSite::HostFlags hostFlags) {
    if (window == nullptr || !IsWindow(window)) return nullptr;
    std::unique_ptr<BrowserControl> control(new BrowserControl());
    if (!control->m_apartment.Entered()) return nullptr;

    control->m_site = ComPtr<BrowserSite>::Adopt(new BrowserSite(window, std::move(hostFlags)));
    if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                reinterpret_cast<void**>(control->m_object.Receive())))) {
        return nullptr;
    }
    control->m_browser = control->m_object.Query<IWebBrowser2>(IID_IWebBrowser2);
    control->m_inPlace = control->m_object.Query<IOleInPlaceObject>(IID_IOleInPlaceObject);
    control->m_active =
        control->m_object.Query<IOleInPlaceActiveObject>(IID_IOleInPlaceActiveObject);
    if (!control->m_browser || !control->m_inPlace) return nullptr;
    control->m_site->SetInPlaceObject(control->m_inPlace.Get());

    IOleClientSite* site = control->m_site.Get();
    if (FAILED(control->m_object->SetClientSite(site))) return nullptr;
    RECT client{};
    GetClientRect(window, &client);
    if (FAILED(control->m_object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, window,
                                         &client))) {
        return nullptr;
    }
    control->Cover(client.right - client.left, client.bottom - client.top);
    return control;
}

BrowserControl::~BrowserControl() {
    if (m_inPlace) m_inPlace->InPlaceDeactivate();
    if (m_object) {
        m_object->Close(OLECLOSE_NOSAVE);
        m_object->SetClientSite(nullptr);
    }
    if (m_site) m_site->Detach();
    m_active.Reset();
    m_browser.Reset();
    m_inPlace.Reset();
    m_object.Reset();
    m_site.Reset();
}

void BrowserControl::Cover(int width, int height) {
    if (!m_inPlace) return;
    const RECT area{0, 0, width, height};
    m_inPlace->SetObjectRects(&area, &area);
}

bool BrowserControl::TranslateAccelerator(MSG& message) {
    if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
    const HWND control = ControlWindow();
    if (control == nullptr ||
        (message.hwnd != control && !IsChild(control, message.hwnd))) {
        return false;
    }
    // The object the control made active, else the one it had from the start.
    IOleInPlaceActiveObject* active = m_site->ActiveObject();
    if (active == nullptr) active = m_active.Get();
    return active != nullptr && active->TranslateAccelerator(&message) == S_OK;
}

HRESULT BrowserControl::Navigate(const char* url) {
    if (!m_browser) return E_UNEXPECTED;
    const OwnedBstr address(Widened(url));
    if (address.Get() == nullptr) return E_OUTOFMEMORY;
    VARIANT flags;
    VariantInit(&flags);
    flags.vt = VT_I4;
    flags.lVal = 0;
    VARIANT none;
    VariantInit(&none);
    return m_browser->Navigate(address.Get(), &flags, &none, &none, &none);
}

HWND BrowserControl::ControlWindow() const {
    HWND window = nullptr;
    if (!m_inPlace || FAILED(m_inPlace->GetWindow(&window))) return nullptr;
    return window;
}

}  // namespace framework::win32
