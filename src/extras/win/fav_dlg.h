// "添加收藏": writes an Internet shortcut of the game page into the browser's favourites.
#pragma once
#include <string>

#include "framework/dialog.h"

namespace mrvn::extras {

inline constexpr UINT kFavoriteTemplate = 159;  // IDD_FAVORITE
inline constexpr int kFavoriteNameEdit = 1018;  // IDC_FAVORITE_NAME

class CFavDlg : public fw::CDialog {
public:
    CFavDlg(const std::wstring& defaultName, const std::wstring& address, fw::CWnd* parent = nullptr);
    // Over a window of another process: a game page's favourite goes over its main window.
    CFavDlg(const std::wstring& defaultName, const std::wstring& address, HWND owner);

    BOOL OnInitDialog() override;
    void OnOK() override;

    std::wstring m_strName;
    std::wstring m_strUrl;
};

// The .url file for `address` named `name` in the favourites folder. False, and nothing written,
// for a name that file names do not allow or an address the file cannot hold exactly.
bool WriteFavorite(const std::wstring& name, const std::wstring& address);

}  // namespace mrvn::extras
