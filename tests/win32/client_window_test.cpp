// The program's own client window with the system's web browser control, live in its modal
// loop on a private display: what the control is asked to load, as the control's own
// navigation events report it; the control over the whole client area through size changes;
// the host flags it is given; and, when the dialog ends, the control gone before the window and
// every reference let go. The program lies in a folder whose name has blanks.
#include <exdispid.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "com_ptr.h"
#include "framework/sdk.h"
#include "hosted_browser.h"
#include "quillbeck_dlg.h"
#include "wine_paths.h"

using framework::win32::ComPtr;

namespace {

struct Navigation {
    DISPID event;
    std::string url;
};

std::string Narrow(const wchar_t* text) {
    if (text == nullptr) return {};
    const int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) return {};
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow.data(), length, nullptr, nullptr);
    narrow.resize(static_cast<std::size_t>(length) - 1);
    return narrow;
}

// The URL argument of a navigation event: a VARIANT passed by reference, holding a BSTR.
std::string UrlArgument(const VARIANTARG& argument) {
    const VARIANT* value = &argument;
    if (value->vt == (VT_BYREF | VT_VARIANT) && value->pvarVal != nullptr) value = value->pvarVal;
    return value->vt == VT_BSTR ? Narrow(value->bstrVal) : std::string("<not a string>");
}

// The control's navigation events, as they arrive.
class NavigationLog final : public IDispatch {
public:
    std::vector<Navigation> events;

    bool Has(DISPID event) const {
        for (const Navigation& seen : events) {
            if (seen.event == event) return true;
        }
        return false;
    }

    STDMETHODIMP QueryInterface(REFIID id, void** object) override {
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDispatch) ||
            IsEqualIID(id, DIID_DWebBrowserEvents2)) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++m_references); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--m_references); }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID event, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*,
                        EXCEPINFO*, UINT*) override {
        // The arguments come last first: BeforeNavigate2 (pDisp, URL, Flags, TargetFrameName,
        // PostData, Headers, Cancel), NavigateError (pDisp, URL, Frame, StatusCode, Cancel).
        if (event == DISPID_BEFORENAVIGATE2 && parameters->cArgs == 7) {
            events.push_back({event, UrlArgument(parameters->rgvarg[5])});
        } else if (event == DISPID_NAVIGATEERROR && parameters->cArgs == 5) {
            events.push_back({event, UrlArgument(parameters->rgvarg[3])});
        } else if (event == DISPID_NAVIGATECOMPLETE2 || event == DISPID_DOCUMENTCOMPLETE) {
            events.push_back({event, {}});
        }
        return S_OK;
    }

    // References the control still holds (the log itself is not counted).
    LONG references() const { return m_references; }

private:
    LONG m_references = 0;
};

// Stands in for the document that the control makes active when a page has loaded (under Wine
// none loads, so the control itself has no accelerators to show): it records the key messages
// it is offered and uses the letter A as its one accelerator.
class RecordingActiveObject final : public IOleInPlaceActiveObject {
public:
    std::vector<std::pair<UINT, WPARAM>> offered;

    STDMETHODIMP QueryInterface(REFIID id, void** object) override {
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IOleWindow) ||
            IsEqualIID(id, IID_IOleInPlaceActiveObject)) {
            *object = static_cast<IOleInPlaceActiveObject*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++m_references); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--m_references); }
    STDMETHODIMP GetWindow(HWND*) override { return E_NOTIMPL; }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP TranslateAccelerator(LPMSG message) override {
        offered.emplace_back(message->message, message->wParam);
        return message->message == WM_KEYDOWN && message->wParam == 'A' ? S_OK : S_FALSE;
    }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }

    LONG references() const { return m_references; }

private:
    LONG m_references = 0;
};

constexpr UINT_PTR kCheckTimer = 7;
constexpr DWORD kNavigationLimitMs = 15000;

// The program's dialog, watched: once the control exists (the dialog sets its icons right
// after the base made it, before it navigates), the test listens to the control's events and
// keeps references of its own; a timer runs the checks while the loop runs, then ends it.
class WatchedDialog : public CQuillbeckDlg {
public:
    ~WatchedDialog() override {
        if (m_destroyHook != nullptr) UnhookWindowsHookEx(m_destroyHook);
        s_watched = nullptr;
    }

    NavigationLog log;
    ComPtr<IWebBrowser2> browser;
    ComPtr<IOleClientSite> site;
    HWND controlWindow = nullptr;
    HWND window = nullptr;
    bool controlGoneWhileWindowLived = false;
    std::function<void(WatchedDialog&)> whileOpen;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_SETICON && !browser) Watch();
        if (message == WM_TIMER && wParam == kCheckTimer) {
            if (log.Has(DISPID_NAVIGATEERROR) || log.Has(DISPID_DOCUMENTCOMPLETE) ||
                GetTickCount() - m_started > kNavigationLimitMs) {
                KillTimer(m_hWnd, kCheckTimer);
                if (whileOpen) whileOpen(*this);
                Unwatch();
                PostMessageA(m_hWnd, WM_COMMAND, IDCANCEL, 0);
            }
            return 0;
        }
        return CQuillbeckDlg::WindowProc(message, wParam, lParam);
    }

private:
    void Watch() {
        window = m_hWnd;
        browser = ComPtr<IWebBrowser2>::Share(framework::win32::HostedBrowser(m_hWnd));
        if (!browser) return;
        auto object = browser.Query<IOleObject>(IID_IOleObject);
        if (object) object->GetClientSite(site.Receive());
        auto windowed = browser.Query<IOleWindow>(IID_IOleWindow);
        if (windowed) windowed->GetWindow(&controlWindow);
        auto points = browser.Query<IConnectionPointContainer>(IID_IConnectionPointContainer);
        if (points) points->FindConnectionPoint(DIID_DWebBrowserEvents2, m_point.Receive());
        if (m_point) m_point->Advise(&log, &m_cookie);
        m_started = GetTickCount();
        SetTimer(m_hWnd, kCheckTimer, 100, nullptr);
        // The dialog's WM_DESTROY is seen before the window handles it, whichever road the
        // layer takes to destroy it.
        s_watched = this;
        m_destroyHook = SetWindowsHookExA(WH_CALLWNDPROC, &SeeDestroy, nullptr, GetCurrentThreadId());
    }

    static LRESULT CALLBACK SeeDestroy(int code, WPARAM wParam, LPARAM lParam) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && s_watched != nullptr && sent->message == WM_DESTROY &&
            sent->hwnd == s_watched->window) {
            s_watched->controlGoneWhileWindowLived =
                s_watched->controlWindow != nullptr && !IsWindow(s_watched->controlWindow) &&
                framework::win32::HostedBrowser(sent->hwnd) == nullptr;
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    void Unwatch() {
        if (m_point && m_cookie != 0) m_point->Unadvise(m_cookie);
        m_point.Reset();
    }

    ComPtr<IConnectionPoint> m_point;
    DWORD m_cookie = 0;
    HHOOK m_destroyHook = nullptr;
    static inline WatchedDialog* s_watched = nullptr;
    DWORD m_started = 0;
};

RECT ClientOnScreen(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return client;
}

::testing::AssertionResult CoversClientArea(HWND control, HWND dialog) {
    RECT covered{};
    if (control == nullptr || !GetWindowRect(control, &covered)) {
        return ::testing::AssertionFailure() << "the control has no window";
    }
    const RECT client = ClientOnScreen(dialog);
    if (!EqualRect(&covered, &client)) {
        return ::testing::AssertionFailure()
               << "control at " << covered.left << "," << covered.top << " " << covered.right
               << "," << covered.bottom << "; client area at " << client.left << ","
               << client.top << " " << client.right << "," << client.bottom;
    }
    return ::testing::AssertionSuccess();
}

// This program's folder, with its trailing backslash, as the build placed it.
std::string ProgramFolder() { return WindowsPath(QUILLBECK_TEST_FOLDER_UNIX_PATH) + "\\"; }

TEST(ClientWindow, TheControlIsSentToTheLoginPageBesideTheProgram) {
    ASSERT_NE(ProgramFolder().find(' '), std::string::npos) << ProgramFolder();
    WatchedDialog dialog;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    ASSERT_TRUE(dialog.browser) << "no web browser control was made";

    // Under Wine the control reports a file URL as the DOS path it names; the query stays.
    const std::string page = ProgramFolder() + "new-trunk\\login.html?ParlomaxLogin";
    ASSERT_FALSE(dialog.log.events.empty()) << "the control reported no navigation";
    EXPECT_EQ(dialog.log.events.front().event, DISPID_BEFORENAVIGATE2);
    EXPECT_EQ(dialog.log.events.front().url, page);
    int requests = 0;
    for (const Navigation& seen : dialog.log.events) {
        if (seen.event == DISPID_BEFORENAVIGATE2) ++requests;
    }
    EXPECT_EQ(requests, 1) << "the program navigates once";
}

TEST(ClientWindow, TheControlCoversTheClientAreaThroughEverySizeChange) {
    WatchedDialog dialog;
    std::vector<std::string> failures;
    dialog.whileOpen = [&](WatchedDialog& open) {
        const HWND window = open.GetSafeHwnd();
        if (GetParent(open.controlWindow) != window) failures.push_back("not a child");
        if (!IsWindowVisible(open.controlWindow)) failures.push_back("not visible");
        if (!IsZoomed(window)) failures.push_back("not maximised");
        auto check = [&](const char* when) {
            const auto covered = CoversClientArea(open.controlWindow, window);
            if (!covered) failures.push_back(std::string(when) + ": " + covered.message());
        };
        check("maximised");
        ShowWindow(window, SW_RESTORE);
        check("restored");
        SetWindowPos(window, nullptr, 20, 30, 1000, 700, SWP_NOZORDER);
        check("1000 x 700");
        SetWindowPos(window, nullptr, 0, 0, 1200, 640, SWP_NOZORDER | SWP_NOMOVE);
        check("1200 x 640");
        ShowWindow(window, SW_MAXIMIZE);
        check("maximised again");
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    ASSERT_TRUE(dialog.browser) << "no web browser control was made";
    EXPECT_EQ(failures, std::vector<std::string>());
}

TEST(ClientWindow, TheControlIsGivenTheWindowsHostFlags) {
    WatchedDialog dialog;
    HRESULT asked = E_FAIL;
    DOCHOSTUIINFO info{};
    dialog.whileOpen = [&](WatchedDialog& open) {
        auto handler = open.site.Query<IDocHostUIHandler>(IID_IDocHostUIHandler);
        if (!handler) return;
        info.cbSize = sizeof(info);
        info.dwFlags = 0xFFFF0000u;  // what the control had before it asked
        info.dwDoubleClick = DOCHOSTUIDBLCLK_SHOWCODE;
        asked = handler->GetHostInfo(&info);
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    ASSERT_TRUE(dialog.site) << "the control has no client site";
    ASSERT_EQ(asked, S_OK);
    // The 3-D border goes; the scroll bars stay. No other field is touched.
    EXPECT_EQ(info.dwFlags, static_cast<DWORD>(DOCHOSTUIFLAG_NO3DBORDER));
    EXPECT_EQ(info.dwDoubleClick, static_cast<DWORD>(DOCHOSTUIDBLCLK_SHOWCODE));
}

TEST(ClientWindow, KeysForTheControlReachItsAcceleratorsOnlyPastTheKeyFilter) {
    WatchedDialog dialog;
    RecordingActiveObject document;
    HRESULT named = E_FAIL;
    dialog.whileOpen = [&](WatchedDialog& open) {
        // As the control does when a page becomes active: it names its active object.
        auto frame = open.site.Query<IOleInPlaceFrame>(IID_IOleInPlaceFrame);
        if (!frame) return;
        named = frame->SetActiveObject(&document, nullptr);
        const HWND control = open.controlWindow;
        PostMessageA(control, WM_KEYDOWN, VK_RETURN, 0x001C0001);
        PostMessageA(control, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageA(control, WM_KEYUP, VK_RETURN, 0xC01C0001);
        PostMessageA(control, WM_SYSKEYDOWN, VK_RETURN, 0x201C0001);  // Alt+Enter
        PostMessageA(control, WM_KEYDOWN, 'A', 0x001E0001);
        PostMessageA(control, WM_CHAR, 'a', 0x001E0001);
        // A key for the dialog itself is not the control's.
        PostMessageA(open.GetSafeHwnd(), WM_KEYDOWN, 'B', 0x00300001);
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    ASSERT_EQ(named, S_OK);
    const std::vector<std::pair<UINT, WPARAM>> expected = {
        {WM_KEYUP, VK_RETURN}, {WM_SYSKEYDOWN, VK_RETURN}, {WM_KEYDOWN, 'A'}, {WM_CHAR, 'a'}};
    EXPECT_EQ(document.offered, expected);
    EXPECT_EQ(document.references(), 0) << "the site still holds the active object";
}

TEST(ClientWindow, WhenTheDialogEndsTheControlGoesFirstAndNothingIsHeld) {
    WatchedDialog dialog;
    HWND window = nullptr;
    dialog.whileOpen = [&](WatchedDialog& open) { window = open.GetSafeHwnd(); };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    ASSERT_TRUE(dialog.browser && dialog.site && dialog.controlWindow != nullptr);

    EXPECT_TRUE(dialog.controlGoneWhileWindowLived)
        << "the control was still there when its window was destroyed";
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(framework::win32::HostedBrowser(window), nullptr);
    EXPECT_EQ(dialog.log.references(), 0) << "the control still holds the event sink";

    // The site outlives the dialog only in the test's hands, cut from the window.
    HWND siteWindow = window;
    auto inPlace = dialog.site.Query<IOleInPlaceSite>(IID_IOleInPlaceSite);
    ASSERT_TRUE(inPlace);
    EXPECT_EQ(inPlace->GetWindow(&siteWindow), E_FAIL);
    EXPECT_EQ(siteWindow, nullptr);
    EXPECT_EQ(inPlace->CanInPlaceActivate(), S_FALSE);
    inPlace.Reset();

    // The test's references are the last ones: the dialog kept none, and the control let the
    // site go.
    EXPECT_EQ(dialog.site.Detach()->Release(), 0u);
    EXPECT_EQ(dialog.browser.Detach()->Release(), 0u);
}

}  // namespace
