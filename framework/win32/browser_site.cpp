// The container side of a hosted web browser control. The dialog is the control's only frame
// and document window: it has no menus, tool space or status bar to share, so those requests
// are turned down or taken as done.
#include "browser_site.h"

#include <utility>

namespace framework::win32 {

BrowserSite::BrowserSite(HWND window, HostFlags hostFlags)
    : m_window(window), m_hostFlags(std::move(hostFlags)) {}

BrowserSite::~BrowserSite() = default;

void BrowserSite::SetInPlaceObject(IOleInPlaceObject* object) {
    m_inPlaceObject = ComPtr<IOleInPlaceObject>::Share(object);
}

void BrowserSite::Detach() {
    m_window = nullptr;
    m_hostFlags = nullptr;
    m_inPlaceObject.Reset();
    m_activeObject.Reset();
}

// IUnknown

STDMETHODIMP BrowserSite::QueryInterface(REFIID id, void** object) {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IOleClientSite)) {
        *object = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(id, IID_IOleWindow) || IsEqualIID(id, IID_IOleInPlaceSite)) {
        *object = static_cast<IOleInPlaceSite*>(this);
    } else if (IsEqualIID(id, IID_IOleInPlaceUIWindow) || IsEqualIID(id, IID_IOleInPlaceFrame)) {
        *object = static_cast<IOleInPlaceFrame*>(this);
    } else if (IsEqualIID(id, IID_IDocHostUIHandler)) {
        *object = static_cast<IDocHostUIHandler*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) BrowserSite::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_references));
}

STDMETHODIMP_(ULONG) BrowserSite::Release() {
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

// IOleClientSite: the control is never saved, linked or embedded in a document.

STDMETHODIMP BrowserSite::SaveObject() { return E_NOTIMPL; }

STDMETHODIMP BrowserSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker != nullptr) *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::GetContainer(IOleContainer** container) {
    if (container != nullptr) *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP BrowserSite::ShowObject() { return S_OK; }
STDMETHODIMP BrowserSite::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP BrowserSite::RequestNewObjectLayout() { return E_NOTIMPL; }

// IOleWindow

STDMETHODIMP BrowserSite::GetWindow(HWND* window) {
    if (window == nullptr) return E_POINTER;
    *window = m_window;
    return m_window != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP BrowserSite::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

// IOleInPlaceSite

STDMETHODIMP BrowserSite::CanInPlaceActivate() { return m_window != nullptr ? S_OK : S_FALSE; }
STDMETHODIMP BrowserSite::OnInPlaceActivate() { return S_OK; }
STDMETHODIMP BrowserSite::OnUIActivate() { return S_OK; }

STDMETHODIMP BrowserSite::GetWindowContext(IOleInPlaceFrame** frame,
                                           IOleInPlaceUIWindow** document, LPRECT position,
                                           LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) {
    if (frame == nullptr || document == nullptr || position == nullptr || clip == nullptr ||
        frameInfo == nullptr) {
        return E_POINTER;
    }
    *frame = nullptr;
    *document = nullptr;
    if (m_window == nullptr) return E_FAIL;

    // The dialog is the frame; with no document window of its own, the document is the frame.
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    GetClientRect(m_window, position);
    *clip = *position;
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = m_window;
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP BrowserSite::Scroll(SIZE) { return E_NOTIMPL; }
STDMETHODIMP BrowserSite::OnUIDeactivate(BOOL) { return S_OK; }

STDMETHODIMP BrowserSite::OnInPlaceDeactivate() {
    m_activeObject.Reset();
    return S_OK;
}

STDMETHODIMP BrowserSite::DiscardUndoState() { return E_NOTIMPL; }
STDMETHODIMP BrowserSite::DeactivateAndUndo() { return E_NOTIMPL; }

STDMETHODIMP BrowserSite::OnPosRectChange(LPCRECT position) {
    if (position == nullptr) return E_POINTER;
    if (!m_inPlaceObject) return E_UNEXPECTED;
    // The control may not move itself: it always covers the client area.
    RECT client{};
    if (m_window != nullptr) GetClientRect(m_window, &client);
    return m_inPlaceObject->SetObjectRects(&client, &client);
}

// IOleInPlaceUIWindow and IOleInPlaceFrame

STDMETHODIMP BrowserSite::GetBorder(LPRECT) { return INPLACE_E_NOTOOLSPACE; }
STDMETHODIMP BrowserSite::RequestBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }

STDMETHODIMP BrowserSite::SetBorderSpace(LPCBORDERWIDTHS widths) {
    // Only "no tool space" can be granted.
    if (widths == nullptr) return S_OK;
    const bool none = widths->left == 0 && widths->top == 0 && widths->right == 0 &&
                      widths->bottom == 0;
    return none ? S_OK : OLE_E_INVALIDRECT;
}

STDMETHODIMP BrowserSite::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) {
    // A detached site keeps nothing of the control's.
    m_activeObject = m_window != nullptr ? ComPtr<IOleInPlaceActiveObject>::Share(object)
                                         : ComPtr<IOleInPlaceActiveObject>();
    return S_OK;
}

STDMETHODIMP BrowserSite::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS widths) {
    if (widths != nullptr) {
        for (LONG& width : widths->width) width = 0;
    }
    return S_OK;
}

STDMETHODIMP BrowserSite::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
STDMETHODIMP BrowserSite::RemoveMenus(HMENU) { return S_OK; }
STDMETHODIMP BrowserSite::SetStatusText(LPCOLESTR) { return S_OK; }
STDMETHODIMP BrowserSite::EnableModeless(BOOL) { return S_OK; }

// The frame has no accelerators of its own.
STDMETHODIMP BrowserSite::TranslateAccelerator(LPMSG, WORD) { return S_FALSE; }

// IDocHostUIHandler: the browser's own menus and keys, with the dialog's host flags.

STDMETHODIMP BrowserSite::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) {
    return S_FALSE;
}

STDMETHODIMP BrowserSite::GetHostInfo(DOCHOSTUIINFO* info) {
    if (info == nullptr) return E_POINTER;
    if (!m_hostFlags) return E_FAIL;
    // The flags are the one field given: every other keeps the browser's own default.
    info->dwFlags = m_hostFlags();
    return S_OK;
}

STDMETHODIMP BrowserSite::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*,
                                 IOleInPlaceFrame*, IOleInPlaceUIWindow*) {
    return S_FALSE;
}

STDMETHODIMP BrowserSite::HideUI() { return S_OK; }
STDMETHODIMP BrowserSite::UpdateUI() { return S_OK; }
STDMETHODIMP BrowserSite::OnDocWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP BrowserSite::OnFrameWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP BrowserSite::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
STDMETHODIMP BrowserSite::TranslateAccelerator(LPMSG, const GUID*, DWORD) { return S_FALSE; }

STDMETHODIMP BrowserSite::GetOptionKeyPath(LPOLESTR* key, DWORD) {
    if (key != nullptr) *key = nullptr;
    return S_FALSE;
}

STDMETHODIMP BrowserSite::GetDropTarget(IDropTarget*, IDropTarget** replacement) {
    if (replacement != nullptr) *replacement = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::GetExternal(IDispatch** external) {
    if (external != nullptr) *external = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) {
    if (translated != nullptr) *translated = nullptr;
    return S_FALSE;
}

STDMETHODIMP BrowserSite::FilterDataObject(IDataObject*, IDataObject** replacement) {
    if (replacement != nullptr) *replacement = nullptr;
    return S_FALSE;
}

}  // namespace framework::win32
