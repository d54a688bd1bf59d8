// CPopInfoDlg: the platform's notice at the bottom-right corner of the work area. It is made only
// once the notice (and its picture) are here; it lays itself out, shows for a while, comes back
// after a gap as often as the notice says, and remembers a dismissal in the settings file.
#pragma once
#include <windows.h>

#include <string>

#include "extras/notice_rules.h"
#include "platform/win32/scoped.h"
#include "skin/win/dlg_ex.h"
#include "skin/win/skin_controls_win.h"

namespace mrvn::extras {

// How many times the notice has been shown in this run.
extern int g_nNoticeShows;

class CPopInfoDlg : public skin::CDlgEx {
public:
    // `picturePath`: the downloaded picture (or an older one), used by the layouts with a picture.
    CPopInfoDlg(HWND owner, const NoticeFields& fields, const std::wstring& picturePath,
                const std::wstring& settingsPath, NoticeTimes times);

    // Modeless, hidden; the owner shows it.
    BOOL Create();
    // Shown now only when a showing is on (not in the gap between two).
    void ShowIfShowing(bool show);
    bool Showing() const { return m_bShowing; }

    wchar_t m_szNoticeId[kNoticeIdRoom] = {};
    wchar_t m_szLastDay[kNoticeDayRoom] = {};
    wchar_t m_szTitle[kNoticeTitleRoom] = {};
    wchar_t m_szLinkUrl[kNoticeLinkRoom] = {};
    wchar_t m_szContent[kNoticeTextRoom] = {};
    wchar_t m_szPictureUrl[kNoticePictureRoom] = {};
    int m_nShowCount = 0;
    skin::CStaticEx m_picImage;
    skin::CStaticEx m_lblTitle;
    skin::CStaticEx m_lblContent;
    skin::CStaticEx m_lblMore;

protected:
    void DoDataExchange(fw::CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override { Close(nullptr); }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Layout(const NoticeGeometry& g);
    void PlaceControl(skin::CStaticEx& c, const NoticeControlPlace& p);
    void StyleLink(skin::CStaticEx& c);
    void OnTimer(UINT_PTR id);
    void OnClick();
    // Closes the window; `enable` is written as "PopEnable" unless empty.
    void Close(const wchar_t* enable);

    NoticeFields m_fields;
    std::wstring m_strPicturePath;
    std::wstring m_strSettingsPath;
    NoticeTimes m_times;
    bool m_bShowing = false;
    win::OwnedBitmap m_bmpPicture;
    win::OwnedBitmap m_bmpClose;
};

}  // namespace mrvn::extras
