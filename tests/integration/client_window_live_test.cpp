// The program's own client window, live in its modal loop on a private display: its message map
// and its key filter, as the layer routes commands and offers key presses.
#include <gtest/gtest.h>

#include <string>

#include "live_client_window.h"
#include "quillbeck_dlg.h"

namespace {

// The OK command, routed as the layer routes a command, must leave the window open; Cancel ends
// it, which shows that the probe sees an end.
TEST(ClientWindowCommands, OkLeavesTheWindowOpenAndCancelEndsIt) {
    PrivateDisplay display;
    ASSERT_FALSE(display.name().empty()) << "Xvfb did not start";
    TempFolder home;
    struct Case {
        WORD id;
        int result;
    };
    const Case cases[] = {
        {IDOK, ProbedClientWindow::kStillOpen},
        {IDCANCEL, IDCANCEL},
    };
    for (const Case& c : cases) {
        const ChildOutcome outcome = RunOnDisplay(display, home, [&](std::string& output) {
            ProbedClientWindow window([&](ProbedClientWindow& live) {
                live.SendMessage(WM_COMMAND, MAKEWPARAM(c.id, BN_CLICKED), 0);
            });
            output = std::to_string(window.DoModal());
            return 0;
        });
        ASSERT_EQ(outcome.exitCode, 0) << "command " << c.id;
        EXPECT_EQ(outcome.output, std::to_string(c.result)) << "command " << c.id;
    }
}

// The key filter on the live window, offered each message for the window itself and for no
// window (the layer's target when the focused widget, such as the web view, has no handle of
// its own). Unfiltered, the dialog's own handling would turn Esc and Enter into Cancel and OK
// and end it; so each message must come back as expected with the window still open.
TEST(KeyFilter, LiveWindowSwallowsEscapeAndEnterForEveryTargetAndStaysOpen) {
    PrivateDisplay display;
    ASSERT_FALSE(display.name().empty()) << "Xvfb did not start";
    TempFolder home;
    struct Case {
        UINT message;
        WPARAM key;
        BOOL swallowed;
    };
    const Case cases[] = {
        {WM_KEYDOWN, VK_ESCAPE, TRUE},     {WM_KEYDOWN, VK_RETURN, TRUE},
        {WM_KEYUP, VK_ESCAPE, FALSE},      {WM_KEYUP, VK_RETURN, FALSE},
        {WM_SYSKEYDOWN, VK_RETURN, FALSE}, {WM_SYSKEYDOWN, VK_ESCAPE, FALSE},
        {WM_KEYDOWN, VK_TAB, FALSE},       {WM_KEYDOWN, 'A', FALSE},
    };
    enum class Target { kNone, kWindowItself };
    for (const Target target : {Target::kNone, Target::kWindowItself}) {
        for (const Case& c : cases) {
            const ChildOutcome outcome = RunOnDisplay(display, home, [&](std::string& output) {
                BOOL swallowed = -1;
                ProbedClientWindow window([&](ProbedClientWindow& live) {
                    if (live.GetSafeHwnd() == nullptr) return;
                    MSG message{target == Target::kNone ? nullptr : live.GetSafeHwnd(), c.message,
                                c.key, 1};
                    swallowed = live.PreTranslateMessage(&message);
                });
                const INT_PTR result = window.DoModal();
                output = std::to_string(swallowed) + " " + std::to_string(result);
                return 0;
            });
            const std::string expected = std::to_string(c.swallowed) + " " +
                                         std::to_string(ProbedClientWindow::kStillOpen);
            ASSERT_EQ(outcome.exitCode, 0);
            EXPECT_EQ(outcome.output, expected)
                << "message " << c.message << " key " << c.key << " for "
                << (target == Target::kNone ? "no window" : "the window itself");
        }
    }
}

}  // namespace
