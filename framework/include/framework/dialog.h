// A dialog built from a template, run modally.
#pragma once

#include "framework/wnd.h"

class CDataExchange {
public:
    explicit CDataExchange(BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate) {}
    BOOL m_bSaveAndValidate;
};

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)

public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Builds the window from the template, runs a modal loop until EndDialog and returns
    // its code; -1 when the template is missing or no window can be created.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

protected:
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    UINT m_nIDHelp;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()

private:
    int m_nModalResult = -1;
    bool m_endRequested = false;
};
