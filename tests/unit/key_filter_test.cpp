// The client window's key filter and minimum size, offered messages as the layer offers them.
#include <gtest/gtest.h>

#include "quillbeck_dlg.h"

namespace {

TEST(KeyFilter, SwallowsOnlyKeyDownsOfEscapeAndEnter) {
    struct Case {
        UINT message;
        WPARAM key;
        BOOL swallowed;
    };
    const Case cases[] = {
        {WM_KEYDOWN, VK_ESCAPE, TRUE},   {WM_KEYDOWN, VK_RETURN, TRUE},
        {WM_KEYUP, VK_ESCAPE, FALSE},    {WM_KEYUP, VK_RETURN, FALSE},
        {WM_SYSKEYDOWN, VK_RETURN, FALSE}, {WM_SYSKEYDOWN, VK_ESCAPE, FALSE},
        {WM_KEYDOWN, VK_TAB, FALSE},     {WM_KEYDOWN, VK_SPACE, FALSE},
        {WM_KEYDOWN, 'A', FALSE},        {WM_KEYDOWN, VK_SHIFT, FALSE},
    };
    CQuillbeckDlg dialog;
    for (const Case& c : cases) {
        // Modifiers, repeat count and target play no part: vary them.
        for (const LPARAM lParam : {LPARAM{1}, LPARAM{0x401C0001}, LPARAM{0x7FFF}}) {
            MSG message{nullptr, c.message, c.key, lParam};
            EXPECT_EQ(dialog.PreTranslateMessage(&message), c.swallowed)
                << "message " << c.message << " key " << c.key << " lParam " << lParam;
        }
    }
}

TEST(MinimumSize, Is800By570AndLeavesTheOtherFieldsAlone) {
    CQuillbeckDlg dialog;
    MINMAXINFO info{};
    info.ptMaxSize = {1920, 1050};
    info.ptMaxPosition = {0, 30};
    info.ptMinTrackSize = {136, 39};
    info.ptMaxTrackSize = {1932, 1092};
    dialog.SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 800);
    EXPECT_EQ(info.ptMinTrackSize.y, 570);
    EXPECT_EQ(info.ptMaxSize.x, 1920);
    EXPECT_EQ(info.ptMaxSize.y, 1050);
    EXPECT_EQ(info.ptMaxPosition.y, 30);
    EXPECT_EQ(info.ptMaxTrackSize.x, 1932);
    EXPECT_EQ(info.ptMaxTrackSize.y, 1092);
}

}  // namespace
