// A device context, as far as the colour requests of controls use it.
#pragma once

#include <optional>

#include "framework/types.h"

class CDC {
public:
    // Sets the text colour (0x00BBGGRR) and returns the previous one.
    COLORREF SetTextColor(COLORREF color);
    COLORREF GetTextColor() const;

    // The colour set by SetTextColor since the default processing ran, if any.
    std::optional<COLORREF> ChosenTextColor() const { return m_chosen; }
    // What the default processing of a colour request does: back to the default colour.
    void SetDefaultTextColor(COLORREF color);

private:
    COLORREF m_textColor = 0;
    std::optional<COLORREF> m_chosen;
};
