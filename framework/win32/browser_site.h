// The container side of a hosted web browser control: the one COM object through which the
// control reaches its dialog (client site, in-place site and frame, and the document host's
// user-interface handler that hands over the host flags).
#pragma once

#include <functional>

#include "com_ptr.h"
#include "framework/sdk.h"

namespace framework::win32 {

class BrowserSite final : public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleInPlaceFrame,
                          public IDocHostUIHandler {
public:
    using HostFlags = std::function<DWORD()>;

    // A site in window, asking hostFlags whenever the control asks for its host's flags. It
    // starts with one reference, the creator's.
    BrowserSite(HWND window, HostFlags hostFlags);
    BrowserSite(const BrowserSite&) = delete;
    BrowserSite& operator=(const BrowserSite&) = delete;

    // The control's in-place object, which a change of position rectangles goes to.
    void SetInPlaceObject(IOleInPlaceObject* object);

    // Cuts the site from its window before the window goes: a control (or anyone) that still
    // holds the site is then told that it has no window and no host.
    void Detach();

    // The interface the control last named as its active object, if it still holds one.
    IOleInPlaceActiveObject* ActiveObject() const { return m_activeObject.Get(); }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID id, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IOleClientSite
    STDMETHODIMP SaveObject() override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP GetContainer(IOleContainer** container) override;
    STDMETHODIMP ShowObject() override;
    STDMETHODIMP OnShowWindow(BOOL show) override;
    STDMETHODIMP RequestNewObjectLayout() override;

    // IOleWindow (for both the in-place site and the frame)
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override;
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                  LPRECT position, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO frameInfo) override;
    STDMETHODIMP Scroll(SIZE extent) override;
    STDMETHODIMP OnUIDeactivate(BOOL undoable) override;
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override;
    STDMETHODIMP DeactivateAndUndo() override;
    STDMETHODIMP OnPosRectChange(LPCRECT position) override;

    // IOleInPlaceUIWindow and IOleInPlaceFrame
    STDMETHODIMP GetBorder(LPRECT border) override;
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) override;
    STDMETHODIMP InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override;
    STDMETHODIMP SetMenu(HMENU shared, HOLEMENU descriptor, HWND activeObject) override;
    STDMETHODIMP RemoveMenus(HMENU shared) override;
    STDMETHODIMP SetStatusText(LPCOLESTR text) override;
    STDMETHODIMP EnableModeless(BOOL enable) override;
    STDMETHODIMP TranslateAccelerator(LPMSG message, WORD id) override;

    // IDocHostUIHandler
    STDMETHODIMP ShowContextMenu(DWORD id, POINT* point, IUnknown* target,
                                 IDispatch* reserved) override;
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override;
    STDMETHODIMP ShowUI(DWORD id, IOleInPlaceActiveObject* active,
                        IOleCommandTarget* commands, IOleInPlaceFrame* frame,
                        IOleInPlaceUIWindow* document) override;
    STDMETHODIMP HideUI() override;
    STDMETHODIMP UpdateUI() override;
    STDMETHODIMP OnDocWindowActivate(BOOL activate) override;
    STDMETHODIMP OnFrameWindowActivate(BOOL activate) override;
    STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window,
                              BOOL frameWindow) override;
    STDMETHODIMP TranslateAccelerator(LPMSG message, const GUID* group, DWORD id) override;
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD reserved) override;
    STDMETHODIMP GetDropTarget(IDropTarget* dropTarget, IDropTarget** replacement) override;
    STDMETHODIMP GetExternal(IDispatch** external) override;
    STDMETHODIMP TranslateUrl(DWORD translate, LPWSTR url, LPWSTR* translated) override;
    STDMETHODIMP FilterDataObject(IDataObject* data, IDataObject** replacement) override;

private:
    ~BrowserSite();

    LONG m_references = 1;
    HWND m_window;
    HostFlags m_hostFlags;
    // The control's own objects: the site holds them until it is detached, which breaks the
    // circle of references between the control and its site.
    ComPtr<IOleInPlaceObject> m_inPlaceObject;
    ComPtr<IOleInPlaceActiveObject> m_activeObject;
};

}  // namespace framework::win32
