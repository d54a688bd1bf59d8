// The skin's image resources (custom type "PNG"): ids, pixel sizes, frames and how each stores its
// transparency. Window layouts are sized from these, so the images must match them exactly.
// Header-only and free of project dependencies: the image generator in tools/skin includes it too.
#pragma once

namespace mrvn {

// The image resources by name; the table below gives each its file, size and frames.
enum SkinImageId : int {
    kImgLoginBg = 129,
    kImgDialogBg = 131,
    kImgClose = 132,
    kImgButton = 133,
    kImgMainBg = 134,
    kImgMaximize = 135,
    kImgMinimize = 136,
    kImgRestore = 137,
    kImgHide = 138,
    kImgMenu = 139,
    kImgTab = 140,
    kImgTabClose = 141,
    kImgAccount = 142,
    kImgNoticeBg = 143,
    kImgNoticeClose = 144,
    kImgPictureClose = 145,
    kImgPictureBg = 146,
    kImgNoticeTextBg = 147,
    kImgSoundOff = 148,
    kImgSoundOn = 149,
    kImgHallHidden = 150,
    kImgHallShown = 151,
    kImgProgressTrack = 152,
    kImgProgressBar = 153,
    kImgAddAccountBg = 162,
};

enum class SkinAlpha { Rgba, PaletteAlpha, Opaque };

struct SkinImageInfo {
    int id;
    const char* name;  // short file name part: <id>_<name>.png
    int width;
    int height;
    int frames;  // frames side by side; 1 for a single image
    SkinAlpha alpha;
};

inline constexpr SkinImageInfo kSkinImages[] = {
    {kImgLoginBg, "login_bg", 888, 518, 1, SkinAlpha::Rgba},
    {kImgDialogBg, "dialog_bg", 30, 51, 1, SkinAlpha::PaletteAlpha},
    {kImgClose, "close", 132, 28, 4, SkinAlpha::PaletteAlpha},
    {kImgButton, "button", 228, 23, 4, SkinAlpha::Rgba},
    {kImgMainBg, "main_bg", 30, 51, 1, SkinAlpha::PaletteAlpha},
    {kImgMaximize, "maximize", 108, 28, 4, SkinAlpha::Opaque},
    {kImgMinimize, "minimize", 108, 28, 4, SkinAlpha::Opaque},
    {kImgRestore, "restore", 108, 28, 4, SkinAlpha::Opaque},
    {kImgHide, "hide", 108, 27, 4, SkinAlpha::Opaque},
    {kImgMenu, "menu", 176, 28, 4, SkinAlpha::Opaque},
    {kImgTab, "tab", 567, 22, 3, SkinAlpha::Opaque},
    {kImgTabClose, "tab_close", 39, 13, 3, SkinAlpha::Rgba},
    {kImgAccount, "account", 14, 16, 1, SkinAlpha::Opaque},
    {kImgNoticeBg, "notice_bg", 250, 191, 1, SkinAlpha::PaletteAlpha},
    {kImgNoticeClose, "notice_close", 144, 14, 4, SkinAlpha::PaletteAlpha},
    {kImgPictureClose, "picture_close", 216, 22, 4, SkinAlpha::PaletteAlpha},
    {kImgPictureBg, "picture_bg", 160, 212, 1, SkinAlpha::PaletteAlpha},
    {kImgNoticeTextBg, "notice_text_bg", 250, 167, 1, SkinAlpha::PaletteAlpha},
    {kImgSoundOff, "sound_off", 108, 27, 4, SkinAlpha::Opaque},
    {kImgSoundOn, "sound_on", 108, 27, 4, SkinAlpha::Opaque},
    {kImgHallHidden, "hall_hidden", 316, 28, 4, SkinAlpha::Opaque},
    {kImgHallShown, "hall_shown", 316, 28, 4, SkinAlpha::Opaque},
    {kImgProgressTrack, "progress_track", 390, 21, 1, SkinAlpha::Rgba},
    {kImgProgressBar, "progress_bar", 390, 21, 1, SkinAlpha::Rgba},
    {kImgAddAccountBg, "add_account_bg", 284, 150, 1, SkinAlpha::Opaque},
};

}  // namespace mrvn
