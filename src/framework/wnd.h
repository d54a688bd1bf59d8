// The least window framework the launcher's windows need: objects bound to window handles with a
// virtual window procedure, control subclassing, dialogs from templates (modal with our own loop,
// or modeless), and thin owners of image lists and tooltips.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

namespace mrvn::fw {

HINSTANCE ResourceInstance();

// Offers a message of any loop to the window objects from its target up to the top-level window,
// innermost first; TRUE when one of them took it. The application's loop calls it.
BOOL WalkPreTranslate(MSG* msg);

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The object bound to a window of this program, or null.
    static CWnd* FromHandle(HWND hwnd);

    // Binds this object to an existing window and routes its messages through WindowProc.
    BOOL SubclassWindow(HWND hwnd);
    BOOL SubclassDlgItem(int id, CWnd* parent);
    HWND UnsubclassWindow();
    // Creates a window of a system class and subclasses it.
    BOOL CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, const RECT& rc,
                  HWND parent, int id);
    BOOL DestroyWindow();

    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Called for every message of a modal loop of which this window is the target or an ancestor.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // Owner-drawn controls get their parent's WM_DRAWITEM here.
    virtual void DrawItem(DRAWITEMSTRUCT*) {}

    // The window procedure this object replaced (or DefWindowProc) for the current message.
    LRESULT Default();
    LRESULT DefWindowProcW(UINT msg, WPARAM wParam, LPARAM lParam);

    // Small conveniences over the handle.
    std::wstring GetWindowText() const;
    void SetWindowText(const std::wstring& text) const { ::SetWindowTextW(m_hWnd, text.c_str()); }
    RECT GetClientRect() const;
    RECT GetWindowRect() const;
    void Invalidate(BOOL erase = TRUE) const { ::InvalidateRect(m_hWnd, nullptr, erase); }
    BOOL ModifyStyle(DWORD remove, DWORD add) const;
    BOOL ModifyStyleEx(DWORD remove, DWORD add) const;
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)); }
    BOOL IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }

protected:
    virtual void PreSubclassWindow() {}
    // WM_COMMAND from a control or menu; TRUE when handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // The last message this window receives; the object lets go of the handle after it.
    virtual void PostNcDestroy() {}

    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);

    WNDPROC m_oldProc = nullptr;

private:
    struct Current {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    };
    Current m_current{};
};

// DoDataExchange's carrier: only control binding is needed.
class CDataExchange {
public:
    CDataExchange(CWnd* dlg, BOOL save) : m_pDlgWnd(dlg), m_bSaveAndValidate(save) {}
    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};
void DDX_Control(CDataExchange* dx, int id, CWnd& control);

class CDialog : public CWnd {
public:
    CDialog(UINT templateId, CWnd* parent = nullptr) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}
    ~CDialog() override;

    // Runs the dialog with our own loop (PreTranslateMessage, then IsDialogMessage); the EndDialog
    // result, or -1 when the dialog could not be made.
    virtual INT_PTR DoModal();
    // Modeless: the window stays until DestroyWindow or EndDialog.
    BOOL Create(UINT templateId, CWnd* parent = nullptr);
    void EndDialog(INT_PTR result);

    virtual BOOL OnInitDialog();
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    BOOL UpdateData(BOOL save = TRUE);
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    virtual void DoDataExchange(CDataExchange*) {}
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    INT_PTR m_nModalResult = -1;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND CreateFromTemplate(HWND parent);
    bool m_bInModal = false;
    bool m_bEndModal = false;
};

class CButton : public CWnd {
public:
    BOOL Create(const wchar_t* text, DWORD style, const RECT& rc, CWnd* parent, int id);
};

class CStatic : public CWnd {
public:
    BOOL Create(const wchar_t* text, DWORD style, const RECT& rc, CWnd* parent, int id);
};

class CProgressCtrl : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rc, CWnd* parent, int id);
    int SetPos(int pos) { return int(::SendMessageW(m_hWnd, PBM_SETPOS, pos, 0)); }
    int GetPos() const { return int(::SendMessageW(m_hWnd, PBM_GETPOS, 0, 0)); }
    void SetRange32(int lower, int upper) { ::SendMessageW(m_hWnd, PBM_SETRANGE32, lower, upper); }
    void GetRange(int& lower, int& upper) const;
};

// Owns an HIMAGELIST.
class CImageList {
public:
    CImageList() = default;
    ~CImageList() { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    BOOL DeleteImageList();
    int Add(HBITMAP bmp, COLORREF mask) { return ImageList_AddMasked(m_hImageList, bmp, mask); }
    BOOL Draw(HDC dc, int image, POINT pt, UINT style) const {
        return ImageList_Draw(m_hImageList, image, dc, pt.x, pt.y, style);
    }
    BOOL GetImageInfo(int image, IMAGEINFO* info) const { return ImageList_GetImageInfo(m_hImageList, image, info); }
    HIMAGELIST GetSafeHandle() const { return m_hImageList; }

private:
    HIMAGELIST m_hImageList = nullptr;
};

class CToolTipCtrl : public CWnd {
public:
    BOOL Create(CWnd* owner, DWORD style);
    // The whole of `tool`'s client area as tool `id`, text fetched by callback unless given.
    BOOL AddTool(CWnd* tool, const wchar_t* text, UINT_PTR id);
    void UpdateTipText(const std::wstring& text, CWnd* tool, UINT_PTR id);
    void RelayEvent(MSG* msg) { ::SendMessageW(m_hWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }
    void SetDelayTime(DWORD which, int ms) { ::SendMessageW(m_hWnd, TTM_SETDELAYTIME, which, MAKELPARAM(ms, 0)); }
    std::wstring GetText(CWnd* tool, UINT_PTR id) const;

protected:
    void PostNcDestroy() override {}
};

// Memory DC with a compatible bitmap selected, freed in reverse order.
class CMemDC {
public:
    CMemDC(HDC ref, int width, int height);
    ~CMemDC();
    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;
    HDC Dc() const { return m_dc; }
    explicit operator bool() const { return m_dc && m_bmp; }

private:
    HDC m_dc = nullptr;
    HBITMAP m_bmp = nullptr;
    HGDIOBJ m_old = nullptr;
};

}  // namespace mrvn::fw
