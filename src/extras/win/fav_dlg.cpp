#include "extras/win/fav_dlg.h"

#include "extras/shortcut_rules.h"
#include "platform/win32/win32_file_io.h"
#include "platform/win32/win32_platform.h"

namespace mrvn::extras {

CFavDlg::CFavDlg(const std::wstring& defaultName, const std::wstring& address, fw::CWnd* parent)
    : CDialog(kFavoriteTemplate, parent), m_strName(defaultName), m_strUrl(address) {}

CFavDlg::CFavDlg(const std::wstring& defaultName, const std::wstring& address, HWND owner)
    : CDialog(kFavoriteTemplate, owner), m_strName(defaultName), m_strUrl(address) {}

BOOL CFavDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetDlgItemTextW(m_hWnd, kFavoriteNameEdit, m_strName.c_str());
    return TRUE;
}

void CFavDlg::OnOK() {
    wchar_t name[128] = {};
    GetDlgItemTextW(m_hWnd, kFavoriteNameEdit, name, 128);
    CDialog::OnOK();
    WriteFavorite(name, m_strUrl);
}

bool WriteFavorite(const std::wstring& name, const std::wstring& address) {
    win::AnsiCodePage codePage;
    std::string text;
    std::wstring path;
    // Without the favourites folder the name alone would land in the root of the current drive.
    const std::wstring favorites = win::Win32KnownFolders().Get(KnownFolder::Favorites);
    if (favorites.empty() || !FavoriteUrlText(codePage, address, text) || !FavoriteFilePath(favorites, name, path)) {
        return false;
    }
    win::Win32FileSink sink;
    const FileHandle file = sink.Create(path);
    if (!file) return false;
    const bool ok = sink.Write(file, text.data(), static_cast<uint32_t>(text.size()));
    return sink.Close(file) && ok;
}

}  // namespace mrvn::extras
