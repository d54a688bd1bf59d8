// Thin objects over the system controls the skin builds on, and owners of image lists and
// memory DCs.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "framework/wnd.h"

namespace mrvn::fw {

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

// A tooltip window owned by this object (destroyed with it); it keeps its own procedure.
class CToolTipCtrl : public CWnd {
public:
    ~CToolTipCtrl() override;
    BOOL Create(CWnd* owner, DWORD style);
    // The whole of `tool`'s client area as tool `id`, text fetched by callback unless given.
    BOOL AddTool(CWnd* tool, const wchar_t* text, UINT_PTR id);
    void UpdateTipText(const std::wstring& text, CWnd* tool, UINT_PTR id);
    void RelayEvent(MSG* msg) { ::SendMessageW(m_hWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }
    void SetDelayTime(DWORD which, int ms) { ::SendMessageW(m_hWnd, TTM_SETDELAYTIME, which, MAKELPARAM(ms, 0)); }
    std::wstring GetText(CWnd* tool, UINT_PTR id) const;
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
