// CLoginDlg: the platform's login page, laid over the login background with one colour keyed out.
// The page tells us what happened by navigating to "app:" addresses; each ends the login window
// with a result, minimises a window, or does nothing, and none of them navigates.
#pragma once
#include <windows.h>

#include <string>

#include "login/win/dhtml_dlg.h"
#include "resource.h"

namespace mrvn::login {

inline constexpr UINT kLoginTemplate = IDD_LOGIN;
// Page pixels of exactly this colour are see-through: the background shows there.
inline constexpr COLORREF kLoginColorKey = RGB(254, 254, 254);
// Presses here (page client coordinates, bounds included) never drag: the page's close button.
inline constexpr RECT kNoDragRect = {826, 140, 877, 173};

// Whether user account control is in force: a system above major version 5 with the policy value
// "EnableLUA" a 4-byte 1. Any failure counts as not in force.
bool UserAccountControlInForce();

class CLoginDlg : public CDHtmDlgEx {
public:
    // `mainWnd` answers the login label; `pageCount` is how many pages it held when it started us.
    CLoginDlg(std::wstring loginUrl, HWND mainWnd, int pageCount);

    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnBeforeNavigate2(IDispatch* disp, VARIANT* url, VARIANT* flags, VARIANT* targetFrame, VARIANT* postData,
                           VARIANT* headers, VARIANT_BOOL* cancel) override;
    void OnNavigateComplete(IDispatch* disp, const std::wstring& url) override;
    const DHtmlEventMap* GetDHtmlEventMap() const override;

    // The accepted login's game address.
    const std::wstring& GameAddress() const { return m_strGameAddress; }

    HRESULT OnLoginDragDown(const web::ElementRef& element);
    HRESULT OnLoginDragUp(const web::ElementRef& element);
    HRESULT OnLoginDragMove(const web::ElementRef& element);

private:
    void OnPageCommand(const std::wstring& url);
    void OnLoadGame(const std::wstring& url);
    void OnMinimize();
    // Ends the background window, the page's owner.
    void EndLogin(INT_PTR result);
    void SendDragToOwner(UINT msg);

    HWND m_hMainWnd;
    int m_nPageCount;
    std::wstring m_strGameAddress;
};

}  // namespace mrvn::login
