#include <gtest/gtest.h>

#include <string>

#include "fakes/fake_net.h"
#include "web/charset.h"
#include "web/form_data.h"
#include "web/html_parser.h"
#include "web/interaction.h"
#include "web/layout.h"
#include "fakes/fake_web.h"
#include "web/text_dump.h"
#include "web/url.h"

namespace mrvn::web {
namespace {

const std::string kGbkChinese = "\xD6\xD0\xCE\xC4";       // 中文
const std::string kUtf8Chinese = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文

TEST(WebCharset, ChoosesTheCharsetByReplyThenMetaThenContent) {
    const struct {
        std::string contentType;
        std::string page;
        const char* charset;
        unsigned codePage;
    } cases[] = {
        {"text/html; charset=GBK", "<p>" + kGbkChinese, "gbk", 936},
        {"text/html;charset=\"utf-8\"", "<meta charset=gbk><p>" + kUtf8Chinese, "utf-8", 65001},
        {"", "<meta charset=\"gb2312\"><p>" + kGbkChinese, "gb2312", 936},
        {"", "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=GBK\"><p>" + kGbkChinese, "gbk", 936},
        {"", "<meta http-equiv=content-type content='text/html; charset=utf-8'><p>" + kUtf8Chinese, "utf-8", 65001},
        {"", "<meta content=\"text/html; charset=gbk\" http-equiv=\"Content-Type\"><p>" + kGbkChinese, "gbk", 936},
        {"text/html; charset=x-unknown", "<meta charset=gbk><p>" + kGbkChinese, "gbk", 936},
        {"", "\xEF\xBB\xBF<meta charset=gbk><p>" + kUtf8Chinese, "utf-8", 65001},
        {"", "<p>" + kUtf8Chinese, "utf-8", 65001},  // no label, but well-formed UTF-8
        {"text/html", "<p>" + kGbkChinese, "cp936", 936},  // no label, not UTF-8: the fallback page
    };
    for (const auto& c : cases) {
        test::FakeCodePage cp;
        const DecodedPage d = DecodePage(c.page.data(), c.page.size(), c.contentType, cp, 936);
        EXPECT_EQ(d.charset, c.charset) << c.page;
        EXPECT_EQ(d.codePage, c.codePage) << c.page;
        EXPECT_NE(d.text.find(L"中文"), std::wstring::npos) << c.page;
        EXPECT_NE(d.text.front(), L'\uFEFF') << c.page;
        // UTF-8 never goes through the seam; everything else goes once.
        EXPECT_EQ(cp.decoded, c.codePage == kCodePageUtf8 ? std::vector<unsigned>{} : std::vector<unsigned>{c.codePage})
            << c.page;
    }
    // A <meta> beyond the first bytes is not looked for; an unknown page falls back to ANSI.
    test::FakeCodePage cp;
    const std::string late = std::string(2000, ' ') + "<meta charset=gbk>\xE9";
    const DecodedPage d = DecodePage(late.data(), late.size(), "", cp);
    EXPECT_EQ(d.charset, "ansi");
    EXPECT_EQ(d.text.back(), L'\u00E9');
    // "charset" inside another attribute is not a declaration.
    EXPECT_EQ(SniffMetaCharset("<meta name=\"x-charset=utf-8\" content=1>", 40), "");
}

TEST(WebCharset, DecodesUtf8ReplacingMalformedSequences) {
    const struct {
        std::string in;
        std::wstring out;
    } cases[] = {
        {"a" + kUtf8Chinese, L"a中文"},
        {"\xC3\xA9", L"\u00E9"},
        {"\xC3", L"\uFFFD"},
        {"\xE4\xB8", L"\uFFFD"},
        {"\xE4\xB8x", L"\uFFFDx"},
        {"\xC0\xAF", L"\uFFFD\uFFFD"},
        {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},
        {"\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\xFF\x80", L"\uFFFD\uFFFD"},
        {"\xEF\xBB\xBFx", L"\uFEFFx"},  // a mark is text here; only a page's decoder drops it
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeUtf8(c.in.data(), c.in.size()), c.out);
    const std::string emoji = "\xF0\x9F\x98\x80";
    std::wstring want;
    AppendCodePoint(want, 0x1F600);
    EXPECT_EQ(DecodeUtf8(emoji.data(), emoji.size()), want);
    EXPECT_EQ(EncodeUtf8(want), emoji);
    EXPECT_EQ(EncodeUtf8(L"中文"), kUtf8Chinese);
}

TEST(WebUrl, ResolvesAgainstTheBase) {
    const std::wstring base = L"http://h.com/a/b/c.html?q#f";
    const struct {
        const wchar_t* ref;
        const wchar_t* out;
    } cases[] = {
        {L"d.html", L"http://h.com/a/b/d.html"},
        {L"./d.html", L"http://h.com/a/b/d.html"},
        {L"../x", L"http://h.com/a/x"},
        {L"../../../../x", L"http://h.com/x"},
        {L"/root/./y/../z", L"http://h.com/root/z"},
        {L"//cdn.com/y", L"http://cdn.com/y"},
        {L"?z=1", L"http://h.com/a/b/c.html?z=1"},
        {L"#top", L"http://h.com/a/b/c.html?q#top"},
        {L"", L"http://h.com/a/b/c.html?q"},
        {L"  d.html\n", L"http://h.com/a/b/d.html"},
        {L"img\\x.png", L"http://h.com/a/b/img/x.png"},
        {L"app:loadgame|x", L"app:loadgame|x"},
        {L"javascript:void(0)", L"javascript:void(0)"},
        {L"HTTPS://Other/", L"HTTPS://Other/"},
        {L"d.html?x=a/../b", L"http://h.com/a/b/d.html?x=a/../b"},
    };
    for (const auto& c : cases) EXPECT_EQ(ResolveUrl(base, c.ref), c.out) << c.ref;
    EXPECT_EQ(ResolveUrl(L"http://h.com", L"x"), L"http://h.com/x");
    EXPECT_EQ(ResolveUrl(L"http://h.com:8080?q", L"x"), L"http://h.com:8080/x");
    EXPECT_EQ(ResolveUrl(L"about:blank", L"x"), L"x");
    EXPECT_EQ(UrlScheme(L" JavaScript:x"), L"javascript");
    EXPECT_EQ(UrlScheme(L"a/b:c"), L"");
}

TEST(WebForm, BuildsTheQueryOrBodyInThePagesCharset) {
    const std::wstring page =
        L"<form id=f action='login.php?old=1#x' method=%s><input name=user value='玩家 one'>"
        L"<input type=password name=pw value='a&b=c'><input type=hidden name=cid value=4224>"
        L"<input type=checkbox name=keep checked><input type=checkbox name=no value=1>"
        L"<input type=radio name=r value=a><input type=radio name=r value=b checked>"
        L"<select name=srv><option value=1>一<option selected>中文</select><select name=first><option>x<option>y</select>"
        L"<input name=off disabled value=1><input value=unnamed><textarea name=t>l1\nl2</textarea>"
        L"<input type=submit name=go value='登录'><input type=submit name=other value=no>"
        L"<button name=b value=bv>B</button></form>";
    const struct {
        const wchar_t* method;
        const char* charset;
        const char* query;
    } cases[] = {
        {L"get", "gbk",
         "user=%D6%D0+one&pw=a%26b%3Dc&cid=4224&keep=on&r=b&srv=%D6%D0%CE%C4&first=x&t=l1%0D%0Al2&go=%B5%C7%C2%BC"},
        {L"POST", "utf-8",
         "user=%E7%8E%A9%E5%AE%B6+one&pw=a%26b%3Dc&cid=4224&keep=on&r=b&srv=%E4%B8%AD%E6%96%87&first=x"
         "&t=l1%0D%0Al2&go=%E7%99%BB%E5%BD%95"},
    };
    for (const auto& c : cases) {
        std::wstring html = page;
        html.replace(html.find(L"%s"), 2, c.method);
        // The fake GBK page knows 中文 and 登录 but not 玩家: those become "?" as the real page would.
        if (std::string(c.charset) == "gbk") html.replace(html.find(L"玩家"), 2, L"中");
        test::FakeCodePage cp;
        Document d = ParseHtml(html, L"http://h/dir/index.html");
        d.codePage = CodePageOfCharset(c.charset);
        const NodeId form = d.ElementById(L"f");
        NodeId go = kNoNode;
        for (NodeId n : d.ElementsByTag(L"input")) {
            if (d.AttrOr(n, L"name") == L"go") go = n;
        }
        const FormSubmission s = BuildFormSubmission(d, form, go, cp);
        if (std::wstring(c.method) == L"get") {
            EXPECT_FALSE(s.post);
            EXPECT_EQ(s.url, L"http://h/dir/login.php?" + std::wstring(c.query, c.query + std::string(c.query).size()));
            EXPECT_TRUE(s.body.empty());
        } else {
            EXPECT_TRUE(s.post);
            EXPECT_EQ(s.url, L"http://h/dir/login.php?old=1");
            EXPECT_EQ(s.body, c.query);
            EXPECT_EQ(s.contentType, L"application/x-www-form-urlencoded");
        }
    }
}

TEST(WebForm, SendsTheSubmitterAndFieldsTheHostChanged) {
    test::FakeCodePage cp;
    Document d = ParseHtml(L"<table><form id=f action=/go><tr><td><input id=u name=u><input type=image name=img src=x>"
                           L"<button id=b name=b value=1>B</button></td></tr></form></table>",
                           L"http://h/");
    d.codePage = kCodePageUtf8;
    const NodeId f = d.ElementById(L"f");
    EXPECT_EQ(FormOf(d, d.ElementById(L"u")), f);
    d.SetAttr(d.ElementById(L"u"), L"value", L"typed");
    EXPECT_EQ(BuildFormSubmission(d, f, kNoNode, cp).url, L"http://h/go?u=typed");
    EXPECT_EQ(BuildFormSubmission(d, f, d.ElementById(L"b"), cp).url, L"http://h/go?u=typed&b=1");
    const NodeId img = d.ElementsByTag(L"input")[1];
    EXPECT_EQ(BuildFormSubmission(d, f, img, cp, 3, 4).url, L"http://h/go?u=typed&img.x=3&img.y=4");
    EXPECT_EQ(BuildFormSubmission(d, d.ElementById(L"u"), kNoNode, cp).url, L"");
}

TEST(WebInteraction, ClicksFollowLinksSubmitFormsAndToggleBoxes) {
    const Document d = ParseHtml(
        L"<base target=_self><a id=l href='app:minimize' target=top><span id=s class=button>x</span></a>"
        L"<a id=j href='javascript:void(0)'>j</a><form id=f action=/go><input id=sub type=submit>"
        L"<input id=off type=submit disabled><button id=btn>b</button><button id=plain type=button>p</button>"
        L"<input id=c type=checkbox><input id=t></form><input id=lone type=submit><p id=p>text",
        L"http://h/dir/");
    const struct {
        const wchar_t* id;
        ElementAction::Kind kind;
        const wchar_t* url;
    } cases[] = {
        {L"s", ElementAction::Kind::Navigate, L"app:minimize"},
        {L"j", ElementAction::Kind::Navigate, L"javascript:void(0)"},
        {L"sub", ElementAction::Kind::Submit, L""},
        {L"off", ElementAction::Kind::None, L""},
        {L"btn", ElementAction::Kind::Submit, L""},
        {L"plain", ElementAction::Kind::None, L""},
        {L"c", ElementAction::Kind::Toggle, L""},
        {L"t", ElementAction::Kind::None, L""},
        {L"lone", ElementAction::Kind::None, L""},
        {L"p", ElementAction::Kind::None, L""},
    };
    for (const auto& c : cases) {
        const ElementAction a = ClickAction(d, d.ElementById(c.id));
        EXPECT_EQ(a.kind, c.kind) << c.id;
        EXPECT_EQ(a.url, c.url) << c.id;
        if (a.kind == ElementAction::Kind::Submit) {
            EXPECT_EQ(a.form, d.ElementById(L"f"));
            EXPECT_EQ(a.submitter, d.ElementById(c.id));
        }
    }
    EXPECT_EQ(ClickAction(d, d.ElementById(L"s")).target, L"top");
}

TEST(WebInteraction, EnterAndLabelsActLikeBrowsers) {
    const Document d = ParseHtml(
        L"<form id=f1><input id=a><input id=b type=password><input id=x type=submit name=x>"
        L"<input id=y type=submit name=y></form><form id=f2><input id=lone></form>"
        L"<form id=f3><input id=c><input id=d></form><form id=f4><input id=e><input type=submit disabled></form>"
        L"<label id=l1 for=box>tick</label><input type=checkbox id=box><label id=l2><input type=checkbox id=inner>x</label>"
        L"<label id=l3 for=l4>a</label><label id=l4 for=l3>b</label>",
        L"http://h/");
    const struct {
        const wchar_t* id;
        ElementAction::Kind kind;
        const wchar_t* submitter;
    } enter[] = {
        {L"a", ElementAction::Kind::Submit, L"x"},  {L"b", ElementAction::Kind::Submit, L"x"},
        {L"lone", ElementAction::Kind::Submit, L""}, {L"c", ElementAction::Kind::None, L""},
        {L"e", ElementAction::Kind::None, L""},      {L"box", ElementAction::Kind::None, L""},
    };
    for (const auto& c : enter) {
        const ElementAction a = EnterAction(d, d.ElementById(c.id));
        EXPECT_EQ(a.kind, c.kind) << c.id;
        EXPECT_EQ(a.submitter == kNoNode ? L"" : d.AttrOr(a.submitter, L"id"), c.submitter) << c.id;
    }
    EXPECT_EQ(ClickAction(d, d.ElementById(L"l1")).field, d.ElementById(L"box"));
    EXPECT_EQ(ClickAction(d, d.ElementById(L"l2")).field, d.ElementById(L"inner"));
    EXPECT_EQ(ClickAction(d, d.ElementById(L"inner")).kind, ElementAction::Kind::Toggle);
    EXPECT_EQ(ClickAction(d, d.ElementById(L"l3")).kind, ElementAction::Kind::None);
}

TEST(WebInteraction, TabOrderAndFieldStateFollowTheTree) {
    test::FakeCodePage cp;
    Document d = ParseHtml(
        L"<form id=f action=/go><a id=a href=x>a</a><input type=hidden name=h value=1><input id=u name=u>"
        L"<span style=display:none><input id=gone></span><input id=r1 type=radio name=r value=1 checked>"
        L"<input id=r2 type=radio name=r value=2><input id=dis disabled><select id=s name=s><option>a"
        L"<option selected>b<option>c</select></form><form><input id=r3 type=radio name=r value=3 checked></form>",
        L"http://h/");
    const Styles st = ComputeStyles(d);
    test::FakeTextMeasurer tm;
    test::FakeImageSizes im;
    const PageLayout l = LayoutPage(d, st, tm, im, {});
    std::vector<std::wstring> ids;
    for (NodeId n : FocusOrder(d, l)) ids.push_back(d.AttrOr(n, L"id"));
    EXPECT_EQ(ids, (std::vector<std::wstring>{L"a", L"u", L"r1", L"r2", L"s", L"r3"}));

    const NodeId f = d.ElementById(L"f");
    SetChecked(d, d.ElementById(L"r2"), true);
    SelectOption(d, d.ElementById(L"s"), 2);
    EXPECT_EQ(BuildFormSubmission(d, f, kNoNode, cp).url, L"http://h/go?h=1&u=&r=2&s=c");
    EXPECT_TRUE(d.HasAttr(d.ElementById(L"r3"), L"checked"));  // another form's group
    SetChecked(d, d.ElementById(L"r2"), false);
    EXPECT_EQ(BuildFormSubmission(d, f, kNoNode, cp).url, L"http://h/go?h=1&u=&s=c");
}

TEST(WebInteraction, ClicksKeepOneRadioCheckedPerGroupAndFlipBoxes) {
    test::FakeCodePage cp;
    Document d = ParseHtml(L"<form id=f action=/go><input id=a1 type=radio name=a value=1>"
                           L"<input id=a2 type=radio name=a value=2><input id=b1 type=radio name=b value=1 checked>"
                           L"<label id=la for=a2>two</label><input id=c type=checkbox name=c></form>",
                           L"http://h/");
    const NodeId f = d.ElementById(L"f");
    const struct {
        const wchar_t* click;
        const wchar_t* query;
    } steps[] = {
        {L"a1", L"a=1&b=1"},      {L"a1", L"a=1&b=1"},  // a second click leaves it checked
        {L"la", L"a=2&b=1"},      {L"a2", L"a=2&b=1"},  // through its label too; group b untouched
        {L"c", L"a=2&b=1&c=on"},  {L"c", L"a=2&b=1"},
    };
    for (const auto& step : steps) {
        const ElementAction a = ClickAction(d, d.ElementById(step.click));
        ASSERT_EQ(a.kind, ElementAction::Kind::Toggle) << step.click;
        ApplyToggle(d, a.field);
        EXPECT_EQ(BuildFormSubmission(d, f, kNoNode, cp).url, std::wstring(L"http://h/go?") + step.query) << step.click;
    }
}

TEST(WebTextDump, ShowsWhatThePageShowsInOrder) {
    const Document d = ParseHtml(
        L"<html><head><title>T</title><style>.hide{display:none}</style></head>"
        L"<body><h1>登录</h1><p>欢迎 <b>玩家</b>，请登录。<span class=hide>secret</span></p>"
        L"<form action=/login method=post><table><tr><td>用户</td><td><input name=user value=abc></td></tr>"
        L"<tr><td>密码</td><td><input type=password name=pw value=secret></td></tr></table>"
        L"<input type=checkbox name=keep checked> 记住 <select name=srv><option>一区<option selected>二区</select>"
        L"<input type=submit value=登录><input type=hidden name=h value=x></form>"
        L"<ul><li><a href='/help'>帮助</a><li>Item &amp; more</ul><img src=x.png alt='标志'>"
        L"<script>var x=1;</script><pre>a  b\nc</pre>",
        L"http://h/");
    const std::wstring want =
        L"登录\n"
        L"欢迎 玩家，请登录。\n"
        L"用户 | [text user=abc]\n"
        L"密码 | [password pw]\n"
        L"[checkbox x keep] 记住 [select srv: 一区 *二区] [submit 登录]\n"
        L"[帮助 -> http://h/help]\n"
        L"Item & more\n"
        L"[img 标志]\n"
        L"a  b\n"
        L"c\n";
    EXPECT_EQ(TextDump(d, ComputeStyles(d)), want);
}

TEST(WebTextDump, ShowsGbkAndUtf8PagesAlike) {
    for (const std::string& page : {"<meta charset=gbk><p>" + kGbkChinese + "</p>",
                                    "<meta charset=utf-8><p>" + kUtf8Chinese + "</p>"}) {
        test::FakeCodePage cp;
        const Document d = LoadPage(page.data(), page.size(), {L"http://h/", "", 0}, cp);
        EXPECT_EQ(TextDump(d, ComputeStyles(d)), L"中文\n");
    }
}

}  // namespace
}  // namespace mrvn::web
