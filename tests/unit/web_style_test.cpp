#include <gtest/gtest.h>

#include <string>

#include "web/html_parser.h"
#include "web/style.h"

namespace mrvn::web {
namespace {

// The computed style of the element with id "t".
ComputedStyle StyleOf(const std::wstring& html, int defaultFontSize = 16) {
    const Document d = ParseHtml(html, L"http://h/dir/");
    const Styles st = ComputeStyles(d, defaultFontSize);
    const NodeId t = d.ElementById(L"t");
    EXPECT_NE(t, kNoNode) << html;
    return t == kNoNode ? ComputedStyle{} : st[static_cast<size_t>(t)];
}

TEST(WebStyle, CascadesBySpecificityOrderAndImportance) {
    const struct {
        const wchar_t* html;
        uint32_t color;
    } cases[] = {
        {L"<style>p{color:red}</style><p id=t>", 0xFF0000},
        {L"<style>.a{color:#00f} p{color:red}</style><p id=t class=a>", 0x0000FF},
        {L"<style>#t{color:#0f0} .a{color:#00f}</style><p id=t class=a>", 0x00FF00},
        {L"<style>p.a{color:#123456} .a{color:#00f}</style><p id=t class='b a'>", 0x123456},
        {L"<style>p.a{color:#123456}</style><p id=t class='ab'>", 0x000000},
        {L"<style>p{color:#010101} p{color:#020202}</style><p id=t>", 0x020202},
        {L"<style>div p{color:#111111}</style><div><span><p id=t>", 0x111111},
        {L"<style>div>p{color:#222222}</style><div><span><p id=t>", 0x000000},
        {L"<style>div > span{color:#222222}</style><div><span id=t>", 0x222222},
        {L"<style>#box .x b{color:#232323}</style><div id=box><p class=x><b id=t>", 0x232323},
        {L"<style>a:hover{color:red}</style><a id=t href=x>", 0x0000EE},
        {L"<style>a:link{color:#242424}</style><a id=t href=x>", 0x242424},
        {L"<style>p[title]{color:red} p::after{color:red}, p{color:#252525}</style><p id=t>", 0x252525},
        {L"<style>@media print{p{color:red}} @import url(x.css); p{color:#333333}</style><p id=t>", 0x333333},
        {L"<style>p{color:red}</style><p id=t style='color:#444444'>", 0x444444},
        {L"<style>p{color:red !important}</style><p id=t style='color:#444444'>", 0xFF0000},
        {L"<style>/* p{color:red} */ p{color:#555555}</style><p id=t>", 0x555555},
        {L"<style><!-- p{color:#565656} --></style><p id=t>", 0x565656},
        {L"<font color=#666666><span id=t>", 0x666666},
        {L"<style>span{color:#777777}</style><font color=red><span id=t>", 0x777777},
        {L"<style>font{color:#787878}</style><font id=t color=red>", 0x787878},
        {L"<body text=#808080><p id=t>", 0x808080},
        {L"<style>P { COLOR : RGB(1, 2, 3) }</style><p id=t>", 0x010203},
        {L"<style>p{color:nonsense} p{}</style><p id=t>", 0x000000},
        {L"<style type=text/x-other>p{color:red}</style><p id=t>", 0x000000},
    };
    for (const auto& c : cases) EXPECT_EQ(StyleOf(c.html).color, c.color) << c.html;
}

TEST(WebStyle, ReadsTheLegacyAttributesUnderTheStyleSheets) {
    EXPECT_EQ(StyleOf(L"<table><tr><td id=t bgcolor=fefefe>").background, 0xFEFEFEu);
    EXPECT_EQ(StyleOf(L"<style>td{background-color:#010203}</style><table><tr><td id=t bgcolor=red>").background,
              0x010203u);
    EXPECT_EQ(StyleOf(L"<table><tr><td id=t background='bg.gif'>").backgroundImage, L"http://h/dir/bg.gif");
    EXPECT_EQ(StyleOf(L"<table><tr><td id=t width=120 height='50%'>").width.Resolve(0, -1), 120);
    EXPECT_EQ(StyleOf(L"<div id=t align=center>").textAlign, TextAlign::Center);
    EXPECT_TRUE(StyleOf(L"<div id=t align=center>").centerBlocks);
    EXPECT_TRUE(StyleOf(L"<center><p id=t>").centerBlocks);
    EXPECT_EQ(StyleOf(L"<table><tr valign=top><td id=t>").valign, VAlign::Top);
    EXPECT_EQ(StyleOf(L"<table><tr><td id=t nowrap>").whiteSpace, WhiteSpace::NoWrap);
    EXPECT_EQ(StyleOf(L"<body id=t topmargin=0 leftmargin=3>").margin[kLeft].Resolve(0, -1), 3);
    EXPECT_EQ(StyleOf(L"<body id=t topmargin=0>").margin[kTop].Resolve(0, -1), 0);
    EXPECT_EQ(StyleOf(L"<table id=t align=center>").margin[kLeft].IsAuto(), true);
}

TEST(WebStyle, ComputesFontSizesAndWeights) {
    const struct {
        const wchar_t* html;
        int size, weight;
    } cases[] = {
        {L"<p id=t>", 16, 400},
        {L"<style>body{font-size:12px}</style><p id=t>", 12, 400},
        {L"<style>body{font-size:12px} p{font-size:1.5em}</style><p><b id=t>", 18, 700},
        {L"<style>body{font-size:12px} p{font-size:1.5em} b{font-size:150%}</style><p><b id=t>", 27, 700},
        {L"<font size=5><span id=t>", 24, 400},
        {L"<font size=+1><span id=t>", 18, 400},
        {L"<font size=1><span id=t>", 10, 400},
        {L"<h1 id=t>", 32, 700},
        {L"<style>h1{font-weight:normal}</style><h1 id=t>", 32, 400},
        {L"<p id=t style='font: bold 14px/20px Arial'>", 14, 700},
        {L"<p id=t style='font-size:9pt;font-weight:600'>", 12, 600},
        {L"<p id=t style='font-size:large'>", 19, 400},
        {L"<p id=t style='font-size:-3px'>", 16, 400},
        {L"<strong><small id=t>", 13, 700},
    };
    for (const auto& c : cases) {
        const ComputedStyle s = StyleOf(c.html);
        EXPECT_EQ(s.fontSize, c.size) << c.html;
        EXPECT_EQ(s.fontWeight, c.weight) << c.html;
    }
}

TEST(WebStyle, ReadsBoxesBackgroundsAndDisplay) {
    const ComputedStyle box = StyleOf(L"<div id=t style='margin:1px 2px 3px 4px;padding:5px 6px;width:50%;height:2em'>");
    EXPECT_EQ(box.margin[kTop].Resolve(0, -1), 1);
    EXPECT_EQ(box.margin[kRight].Resolve(0, -1), 2);
    EXPECT_EQ(box.margin[kBottom].Resolve(0, -1), 3);
    EXPECT_EQ(box.margin[kLeft].Resolve(0, -1), 4);
    EXPECT_EQ(box.padding[kTop].Resolve(0, -1), 5);
    EXPECT_EQ(box.padding[kLeft].Resolve(0, -1), 6);
    EXPECT_EQ(box.width.Resolve(300, -1), 150);
    EXPECT_EQ(box.height.Resolve(0, -1), 32);

    const ComputedStyle bg = StyleOf(L"<div id=t style='background: #fff url(\"img/b.png\") no-repeat -80px 0'>");
    EXPECT_EQ(bg.background, 0xFFFFFFu);
    EXPECT_EQ(bg.backgroundImage, L"http://h/dir/img/b.png");
    EXPECT_EQ(bg.bgRepeat, BgRepeat::NoRepeat);
    EXPECT_EQ(bg.bgPosX.Resolve(0, 1), -80);
    EXPECT_EQ(bg.bgPosY.Resolve(0, 1), 0);
    const ComputedStyle longhand = StyleOf(
        L"<div id=t style='background-image:url(/x.png);background-position:right bottom;"
        L"background-repeat:repeat-x;background-color:transparent'>");
    EXPECT_EQ(longhand.backgroundImage, L"http://h/x.png");
    EXPECT_EQ(longhand.bgPosX.unit, Length::Unit::Percent);
    EXPECT_EQ(longhand.bgPosY.Resolve(200, 0), 200);
    EXPECT_EQ(longhand.bgRepeat, BgRepeat::RepeatX);
    EXPECT_FALSE(longhand.background.has_value());

    EXPECT_EQ(StyleOf(L"<div id=t style='display:none'>").display, Display::None);
    EXPECT_EQ(StyleOf(L"<style>.x{display:none}</style><span class=x id=t>").display, Display::None);
    EXPECT_EQ(StyleOf(L"<a id=t style='display:block'>").display, Display::Block);
    EXPECT_EQ(StyleOf(L"<input id=t type=HIDDEN>").display, Display::None);
    EXPECT_EQ(StyleOf(L"<li id=t>").display, Display::ListItem);
    EXPECT_TRUE(StyleOf(L"<style>.button{cursor:pointer}</style><div class=button><span id=t>").handCursor);
    EXPECT_TRUE(StyleOf(L"<div style='cursor:hand'><b id=t>").handCursor);
    EXPECT_FALSE(StyleOf(L"<div style='cursor:pointer'><b id=t style='cursor:default'>").handCursor);
    // Not inherited: a child of a hidden-background box has none of its own.
    EXPECT_FALSE(StyleOf(L"<div style='background:red;width:10px'><span id=t>").background.has_value());
    EXPECT_TRUE(StyleOf(L"<div style='background:red;width:10px'><span id=t>").width.IsAuto());
}

TEST(WebStyle, ParsesColoursAndLengths) {
    const struct {
        const wchar_t* text;
        bool legacy, ok;
        uint32_t rgb;
    } colours[] = {
        {L"#fefefe", false, true, 0xFEFEFE}, {L"#FFF", false, true, 0xFFFFFF},   {L"rgb(1, 2, 3)", false, true, 0x010203},
        {L"rgb(100%,0%,0%)", false, true, 0xFF0000}, {L"Red", false, true, 0xFF0000}, {L" grey ", false, true, 0x808080},
        {L"fefefe", true, true, 0xFEFEFE},   {L"fefefe", false, false, 0},      {L"#12345", false, false, 0},
        {L"transparent", false, false, 0},   {L"#ggg", false, false, 0},        {L"rgb(1,2)", false, false, 0},
    };
    for (const auto& c : colours) {
        uint32_t rgb = 0;
        EXPECT_EQ(ParseColor(c.text, rgb, c.legacy), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(rgb, c.rgb) << c.text;
        }
    }
    const struct {
        const wchar_t* text;
        bool ok;
        int px;  // against a base of 200 for percentages
    } lengths[] = {{L"12px", true, 12}, {L"12", true, 12},   {L"1.5em", true, 24}, {L"9pt", true, 12},
                   {L"50%", true, 100}, {L"-4px", true, -4}, {L"12vw", false, 0},  {L"px", false, 0}};
    for (const auto& c : lengths) {
        const auto l = ParseLength(c.text, 16);
        EXPECT_EQ(l.has_value(), c.ok) << c.text;
        if (l) {
            EXPECT_EQ(l->Resolve(200, -1), c.px) << c.text;
        }
    }
}

}  // namespace
}  // namespace mrvn::web
