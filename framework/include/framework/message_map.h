// Message maps: static tables that bind messages and commands to handler members. Each
// entry carries a thunk, generated from the handler's member pointer, that casts the
// target to the handler's class and calls it with the message's arguments.
#pragma once

#include "framework/messages.h"
#include "framework/types.h"

class CCmdTarget;
class CWnd;
class CDC;

using AFX_PMSG = LRESULT (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // 0 ends the map
    UINT nCode;     // notification code of a WM_COMMAND entry
    UINT nID;       // first command id
    UINT nLastID;   // last command id
    AFX_PMSG pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// What WM_CTLCOLOR carries in its lParam.
struct AFX_CTLCOLOR {
    CDC* pDC;
    CWnd* pWnd;
    UINT nCtlType;
};

namespace afx_detail {

template <class F>
struct MemberClass;
template <class C, class R, class... A>
struct MemberClass<R (C::*)(A...)> {
    using type = C;
};

template <auto F>
typename MemberClass<decltype(F)>::type* Target(CCmdTarget* target) {
    return static_cast<typename MemberClass<decltype(F)>::type*>(target);
}

template <auto F>
LRESULT Command(CCmdTarget* target, WPARAM, LPARAM) {
    (Target<F>(target)->*F)();
    return 0;
}

template <auto F>
LRESULT GetMinMaxInfo(CCmdTarget* target, WPARAM, LPARAM lParam) {
    (Target<F>(target)->*F)(reinterpret_cast<MINMAXINFO*>(lParam));
    return 0;
}

template <auto F>
LRESULT CtlColor(CCmdTarget* target, WPARAM, LPARAM lParam) {
    auto* request = reinterpret_cast<AFX_CTLCOLOR*>(lParam);
    return reinterpret_cast<LRESULT>(
        (Target<F>(target)->*F)(request->pDC, request->pWnd, request->nCtlType));
}

}  // namespace afx_detail

#define DECLARE_MESSAGE_MAP()                         \
protected:                                            \
    static const AFX_MSGMAP* GetThisMessageMap();     \
    const AFX_MSGMAP* GetMessageMap() const override; \
                                                      \
private:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                        \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
        using ThisClass [[maybe_unused]] = theClass;                                  \
        using TheBaseClass = baseClass;                                               \
        static const AFX_MSGMAP_ENTRY messageEntries[] = {
#define END_MESSAGE_MAP()                                                                        \
    { 0, 0, 0, 0, nullptr }                                                                      \
    }                                                                                            \
    ;                                                                                            \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &messageEntries[0]}; \
    return &messageMap;                                                                          \
    }

#define ON_COMMAND(id, memberFxn) {WM_COMMAND, 0, (id), (id), &afx_detail::Command<memberFxn>},
#define ON_BN_CLICKED(id, memberFxn) \
    {WM_COMMAND, BN_CLICKED, (id), (id), &afx_detail::Command<memberFxn>},
#define ON_WM_GETMINMAXINFO() \
    {WM_GETMINMAXINFO, 0, 0, 0, &afx_detail::GetMinMaxInfo<&ThisClass::OnGetMinMaxInfo>},
#define ON_WM_CTLCOLOR() {WM_CTLCOLOR, 0, 0, 0, &afx_detail::CtlColor<&ThisClass::OnCtlColor>},

#define afx_msg
