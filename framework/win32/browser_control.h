// The web browser control in place in a window, for the life of that window.
#pragma once

#include <memory>

#include "browser_site.h"
#include "com_ptr.h"
#include "framework/sdk.h"

namespace framework::win32 {

class BrowserControl {
public:
    // Creates the control, activates it in place over window's client area and shows it;
    // nullptr when it cannot be done (nothing of it is left then).
    static std::unique_ptr<BrowserControl> Create(HWND window, BrowserSite::HostFlags hostFlags);

    // Deactivates and closes the control, cuts its site loose and releases every reference,
    // so that the control's windows are gone while the window that held them is still there.
    ~BrowserControl();
    BrowserControl(const BrowserControl&) = delete;
    BrowserControl& operator=(const BrowserControl&) = delete;

    // Lays the control over the window's client area of width x height.
    void Cover(int width, int height);

    // Offers a key message for the control's own windows to the control's accelerators, as a
    // browser does before the message is dispatched; true when the control used it.
    bool TranslateAccelerator(MSG& message);

    // Starts loading url (narrow text in the ANSI code page) and returns at once.
    HRESULT Navigate(const char* url);

    IWebBrowser2* Browser() const { return m_browser.Get(); }

private:
    BrowserControl() = default;

    // The control's outermost window; nullptr when it has none.
    HWND ControlWindow() const;

    // First made and last gone: every COM object below lives inside it.
    OleApartment m_apartment;
    ComPtr<BrowserSite> m_site;
    ComPtr<IOleObject> m_object;
    ComPtr<IOleInPlaceObject> m_inPlace;
    ComPtr<IOleInPlaceActiveObject> m_active;
    ComPtr<IWebBrowser2> m_browser;
};

}  // namespace framework::win32
