#include "framework/cmd_target.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT message, UINT nCode, UINT nID) const {
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
         map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->nMessage != 0; ++entry) {
            if (entry->nMessage != message) continue;
            if (message == WM_COMMAND &&
                (entry->nCode != nCode || nID < entry->nID || nID > entry->nLastID)) {
                continue;
            }
            return entry;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, UINT nCode) {
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(WM_COMMAND, nCode, nID);
    if (entry == nullptr) return FALSE;
    entry->pfn(this, MAKEWPARAM(static_cast<WORD>(nID), static_cast<WORD>(nCode)), 0);
    return TRUE;
}
