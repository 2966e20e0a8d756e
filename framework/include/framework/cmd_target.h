// The root of everything that receives commands through a message map.
#pragma once

#include "framework/message_map.h"
#include "framework/object.h"

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)

public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    ~CCmdTarget() override = default;

    // Routes a command (WM_COMMAND with the notification code) through this object's map
    // and its base maps; TRUE when a handler took it.
    virtual BOOL OnCmdMsg(UINT nID, UINT nCode);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

    // The first entry for message (and, for WM_COMMAND, code and id) along the map chain.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message, UINT nCode, UINT nID) const;
};
