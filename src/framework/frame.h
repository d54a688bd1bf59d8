// The least frame window with a view: a top-level window of our own class whose one child view
// fills its client area. The page process builds its frame and browser view on these.
#pragma once
#include <windows.h>

#include "framework/wnd.h"

namespace mrvn::fw {

inline constexpr int kViewId = 0xE900;  // the one view's control id

class CView : public CWnd {
public:
    // A child of `frame` covering `rc`, of the view class.
    virtual BOOL Create(CWnd* frame, const RECT& rc);
    // After the frame and view exist: the view's first work (the page view navigates here).
    virtual void OnInitialUpdate() {}

protected:
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    virtual void OnDraw(HDC) {}

private:
    void OnPaint();
};

class CFrameWnd : public CWnd {
public:
    ~CFrameWnd() override;

    // Creates the frame with `view` as its view (the object stays the caller's).
    BOOL LoadFrame(const wchar_t* title, DWORD style, const RECT& rc, HWND owner, CView* view);
    // Runs the view's OnInitialUpdate once.
    void InitialUpdateFrame();
    CView* GetActiveView() const { return m_pView; }
    // Puts the view over the whole client area.
    virtual void RecalcLayout();

protected:
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    // Creates the view; -1 when that fails.
    int OnCreate(CREATESTRUCTW* cs) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    CView* m_pView = nullptr;

private:
    void OnSize();
    void OnDestroy();
    bool m_bInitialUpdateDone = false;
};

}  // namespace mrvn::fw
