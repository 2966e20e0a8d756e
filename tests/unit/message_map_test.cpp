// Message maps: commands and messages reach the right handler, through the base maps and the
// virtual operations that derived classes replace.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/dialog.h"
#include "update_dlg.h"

namespace {

class RecordingDialog : public CDialog {
public:
    RecordingDialog() : CDialog(9999) {}
    std::vector<std::string> calls;
    CDC* colorDc = nullptr;
    CWnd* colorWnd = nullptr;
    UINT colorKind = 0;
    MINMAXINFO* minMax = nullptr;

protected:
    void OnOK() override { calls.push_back("OnOK"); }
    void OnCancel() override { calls.push_back("OnCancel"); }
    afx_msg void OnTen() { calls.push_back("OnTen"); }
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
        colorDc = pDC;
        colorWnd = pWnd;
        colorKind = nCtlColor;
        return reinterpret_cast<HBRUSH>(0x1234);
    }
    afx_msg void OnGetMinMaxInfo(MINMAXINFO* info) { minMax = info; }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(RecordingDialog, CDialog)
ON_BN_CLICKED(10, &RecordingDialog::OnTen)
ON_WM_CTLCOLOR()
ON_WM_GETMINMAXINFO()
END_MESSAGE_MAP()

TEST(MessageMap, CommandsGoByIdAndNotificationCode) {
    struct Case {
        WORD id;
        WORD code;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {10, BN_CLICKED, {"OnTen"}},
        {10, 5, {}},
        {11, BN_CLICKED, {}},
        {IDOK, BN_CLICKED, {"OnOK"}},
        {IDCANCEL, BN_CLICKED, {"OnCancel"}},
    };
    for (const Case& c : cases) {
        RecordingDialog dialog;
        dialog.SendMessage(WM_COMMAND, MAKEWPARAM(c.id, c.code), 0);
        EXPECT_EQ(dialog.calls, c.calls) << "id " << c.id << " code " << c.code;
    }
}

TEST(MessageMap, CloseRequestBecomesTheCancelCommand) {
    RecordingDialog dialog;
    dialog.SendMessage(WM_CLOSE);
    EXPECT_EQ(dialog.calls, std::vector<std::string>{"OnCancel"});
}

TEST(MessageMap, ColorAndSizeRequestsReachTheirHandlersWithTheirArguments) {
    RecordingDialog dialog;
    CDC dc;
    CWnd control;
    AFX_CTLCOLOR request{&dc, &control, CTLCOLOR_STATIC};
    const LRESULT brush = dialog.SendMessage(WM_CTLCOLOR, 0, reinterpret_cast<LPARAM>(&request));
    EXPECT_EQ(brush, 0x1234);
    EXPECT_EQ(dialog.colorDc, &dc);
    EXPECT_EQ(dialog.colorWnd, &control);
    EXPECT_EQ(dialog.colorKind, CTLCOLOR_STATIC);

    MINMAXINFO info{};
    dialog.SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(dialog.minMax, &info);
}

TEST(MessageMap, UnmappedMessagesChangeNothing) {
    RecordingDialog dialog;
    EXPECT_EQ(dialog.SendMessage(WM_KEYDOWN, VK_RETURN, 0), 0);
    EXPECT_TRUE(dialog.calls.empty());
}

TEST(RuntimeClass, UpdatePromptIsADynamicDialog) {
    CUpdateDlg prompt;
    const CRuntimeClass* runtimeClass = prompt.GetRuntimeClass();
    EXPECT_STREQ(runtimeClass->m_lpszClassName, "CUpdateDlg");
    EXPECT_EQ(runtimeClass->m_wSchema, 0xFFFFu);
    EXPECT_EQ(runtimeClass->m_pfnCreateObject, nullptr);
    EXPECT_EQ(runtimeClass->m_pBaseClass, RUNTIME_CLASS(CDialog));
    EXPECT_TRUE(prompt.IsKindOf(RUNTIME_CLASS(CWnd)));
    EXPECT_TRUE(prompt.IsKindOf(RUNTIME_CLASS(CObject)));
    CDialog plain(1);
    EXPECT_FALSE(plain.IsKindOf(RUNTIME_CLASS(CUpdateDlg)));
}

}  // namespace
