#include "framework/dc.h"

COLORREF CDC::SetTextColor(COLORREF color) {
    const COLORREF previous = m_textColor;
    m_textColor = color;
    m_chosen = color;
    return previous;
}

COLORREF CDC::GetTextColor() const { return m_textColor; }

void CDC::SetDefaultTextColor(COLORREF color) {
    m_textColor = color;
    m_chosen.reset();
}
