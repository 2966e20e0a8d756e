// A dialog that hosts a web view over its whole client area.
#pragma once

#include "framework/dialog.h"

// Routes events of page elements to handlers of the dialog.
struct DHtmlEventMapEntry {
    const char* elementName;  // nullptr ends the map
};

class CDHtmlEventSink {
public:
    virtual ~CDHtmlEventSink() = default;
    virtual const DHtmlEventMapEntry* GetDHtmlEventMap() = 0;
};

#define DECLARE_DHTML_EVENT_MAP() \
protected:                        \
    const DHtmlEventMapEntry* GetDHtmlEventMap() override;

#define BEGIN_DHTML_EVENT_MAP(theClass)                      \
    const DHtmlEventMapEntry* theClass::GetDHtmlEventMap() { \
        static const DHtmlEventMapEntry entries[] = {
#define END_DHTML_EVENT_MAP() \
    { nullptr }               \
    }                         \
    ;                         \
    return entries;           \
    }

class CDHtmlDialog : public CDialog, public CDHtmlEventSink {
public:
    CDHtmlDialog(UINT nIDTemplate, UINT nHtmlResID = 0, CWnd* pParentWnd = nullptr);
    ~CDHtmlDialog() override;

    // Creates the web view over the client area. When it cannot be created, the view and
    // the dialog's window are destroyed (m_hWnd is then nullptr); it returns TRUE always.
    BOOL OnInitDialog() override;

    // Keeps the view over the whole client area whenever the window's size changes, and takes
    // the view down while the window is still there when it is destroyed.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    void SetHostFlags(DWORD dwFlags);
    DWORD GetHostFlags() const { return m_dwHostFlags; }

    // Starts loading url into the view's top-level document and returns at once.
    void Navigate(const char* url, DWORD dwFlags = 0, const char* lpszTargetFrameName = nullptr,
                  const char* lpszHeaders = nullptr, const void* lpvPostData = nullptr,
                  DWORD dwPostDataLen = 0);

protected:
    DWORD m_dwHostFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO;
    UINT m_nHtmlResID;
};
