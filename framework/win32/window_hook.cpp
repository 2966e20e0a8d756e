// The window procedure hook: the message-map dispatch for native windows, the system's colour
// messages turned into the framework's WM_CTLCOLOR, and the objects tied to windows.
#include "window_hook.h"

#include <map>
#include <memory>

namespace framework::win32 {

namespace {

struct WindowRecord {
    CWnd* wnd = nullptr;
    WNDPROC classProcedure = nullptr;  // nullptr: no hook, the object was made for the window
    std::unique_ptr<CWnd> owned;
};

// Windows are used from the thread that made them only, as the system requires.
std::map<HWND, WindowRecord>& Records() {
    static std::map<HWND, WindowRecord> records;
    return records;
}

// A system colour message while the framework's request for it is being handled.
struct ColorMessage {
    const CDC* dc;
    UINT message;
    HDC hdc;
    HWND control;
};
const ColorMessage* g_colorMessage = nullptr;

// The control type of a system colour message, as WM_CTLCOLOR carries it.
bool ControlTypeOf(UINT message, UINT& type) {
    if (message < WM_CTLCOLORMSGBOX || message > WM_CTLCOLORSTATIC) return false;
    type = message - WM_CTLCOLORMSGBOX;
    return true;
}

// Objects made for windows that have gone are let go, without a window to destroy.
void ForgetGoneWindows() {
    auto& records = Records();
    for (auto it = records.begin(); it != records.end();) {
        if (it->second.owned != nullptr && !IsWindow(it->first)) {
            it->second.owned->m_hWnd = nullptr;
            it = records.erase(it);
        } else {
            ++it;
        }
    }
}

LRESULT HandleColorMessage(CWnd& wnd, HWND handle, UINT message, WPARAM wParam, LPARAM lParam,
                           UINT type) {
    const auto hdc = reinterpret_cast<HDC>(wParam);
    const auto control = reinterpret_cast<HWND>(lParam);
    CDC dc;
    dc.SetDefaultTextColor(GetTextColor(hdc));
    AFX_CTLCOLOR request{&dc, ObjectOfWindow(control != nullptr ? control : handle), type};
    const ColorMessage native{&dc, message, hdc, control};
    const ColorMessage* outer = g_colorMessage;
    g_colorMessage = &native;
    const LRESULT brush = wnd.WindowProc(WM_CTLCOLOR, 0, reinterpret_cast<LPARAM>(&request));
    g_colorMessage = outer;
    if (const std::optional<COLORREF> color = dc.ChosenTextColor()) SetTextColor(hdc, *color);
    return brush;
}

LRESULT CALLBACK HookProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    auto found = Records().find(handle);
    if (found == Records().end()) return DefWindowProcA(handle, message, wParam, lParam);
    CWnd* wnd = found->second.wnd;
    const WNDPROC classProcedure = found->second.classProcedure;

    if (message == WM_NCDESTROY) {
        // The last message: the object lets go of the window, and the window of the hook.
        Records().erase(found);
        if (wnd->m_hWnd == handle) wnd->m_hWnd = nullptr;
        SetWindowLongPtrA(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(classProcedure));
        const LRESULT result = CallWindowProcA(classProcedure, handle, message, wParam, lParam);
        ForgetGoneWindows();
        return result;
    }
    // A window whose object has already let go of it (DestroyWindow under way) is the class's.
    if (wnd->m_hWnd != handle)
        return CallWindowProcA(classProcedure, handle, message, wParam, lParam);

    if (UINT type = 0; ControlTypeOf(message, type)) {
        return HandleColorMessage(*wnd, handle, message, wParam, lParam, type);
    }
    return wnd->WindowProc(message, wParam, lParam);
}

}  // namespace

bool AttachWindow(HWND handle, CWnd* wnd) {
    if (!IsWindow(handle) || wnd == nullptr || Records().contains(handle)) return false;
    const auto classProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HookProcedure)));
    if (classProcedure == nullptr) return false;
    Records()[handle] = WindowRecord{wnd, classProcedure, nullptr};
    wnd->m_hWnd = handle;
    return true;
}

CWnd* ObjectOfWindow(HWND handle) {
    if (handle == nullptr || !IsWindow(handle)) return nullptr;
    if (auto found = Records().find(handle); found != Records().end()) return found->second.wnd;
    auto object = std::make_unique<CWnd>();
    object->m_hWnd = handle;
    CWnd* wnd = object.get();
    Records()[handle] = WindowRecord{wnd, nullptr, std::move(object)};
    return wnd;
}

LRESULT DefaultProcessing(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC classProcedure = nullptr;
    if (auto found = Records().find(handle); found != Records().end()) {
        classProcedure = found->second.classProcedure;
    }
    if (message == WM_CTLCOLOR) {
        auto* request = reinterpret_cast<AFX_CTLCOLOR*>(lParam);
        const ColorMessage* native = g_colorMessage;
        if (request == nullptr || native == nullptr || native->dc != request->pDC) return 0;
        const auto hdc = reinterpret_cast<WPARAM>(native->hdc);
        const auto control = reinterpret_cast<LPARAM>(native->control);
        const LRESULT brush =
            classProcedure != nullptr
                ? CallWindowProcA(classProcedure, handle, native->message, hdc, control)
                : DefWindowProcA(handle, native->message, hdc, control);
        request->pDC->SetDefaultTextColor(GetTextColor(native->hdc));
        return brush;
    }
    if (classProcedure != nullptr) {
        return CallWindowProcA(classProcedure, handle, message, wParam, lParam);
    }
    // A window without the hook (a control) does its own processing.
    return SendMessageA(handle, message, wParam, lParam);
}

}  // namespace framework::win32
