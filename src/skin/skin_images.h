// The skin's image resources (custom type "PNG"): ids, pixel sizes, frames and how each stores its
// transparency. Window layouts are sized from these, so the images must match them exactly.
// Header-only and free of project dependencies: the image generator in tools/skin includes it too.
#pragma once

namespace mrvn {

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
    {129, "login_bg", 888, 518, 1, SkinAlpha::Rgba},
    {131, "dialog_bg", 30, 51, 1, SkinAlpha::PaletteAlpha},
    {132, "close", 132, 28, 4, SkinAlpha::PaletteAlpha},
    {133, "button", 228, 23, 4, SkinAlpha::Rgba},
    {134, "main_bg", 30, 51, 1, SkinAlpha::PaletteAlpha},
    {135, "maximize", 108, 28, 4, SkinAlpha::Opaque},
    {136, "minimize", 108, 28, 4, SkinAlpha::Opaque},
    {137, "restore", 108, 28, 4, SkinAlpha::Opaque},
    {138, "hide", 108, 27, 4, SkinAlpha::Opaque},
    {139, "menu", 176, 28, 4, SkinAlpha::Opaque},
    {140, "tab", 567, 22, 3, SkinAlpha::Opaque},
    {141, "tab_close", 39, 13, 3, SkinAlpha::Rgba},
    {142, "account", 14, 16, 1, SkinAlpha::Opaque},
    {143, "notice_bg", 250, 191, 1, SkinAlpha::PaletteAlpha},
    {144, "notice_close", 144, 14, 4, SkinAlpha::PaletteAlpha},
    {145, "picture_close", 216, 22, 4, SkinAlpha::PaletteAlpha},
    {146, "picture_bg", 160, 212, 1, SkinAlpha::PaletteAlpha},
    {147, "notice_text_bg", 250, 167, 1, SkinAlpha::PaletteAlpha},
    {148, "sound_off", 108, 27, 4, SkinAlpha::Opaque},
    {149, "sound_on", 108, 27, 4, SkinAlpha::Opaque},
    {150, "hall_hidden", 316, 28, 4, SkinAlpha::Opaque},
    {151, "hall_shown", 316, 28, 4, SkinAlpha::Opaque},
    {152, "progress_track", 390, 21, 1, SkinAlpha::Rgba},
    {153, "progress_bar", 390, 21, 1, SkinAlpha::Rgba},
    {162, "add_account_bg", 284, 150, 1, SkinAlpha::Opaque},
};

}  // namespace mrvn
