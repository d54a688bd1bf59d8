#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_net.h"
#include "fakes/fake_web.h"
#include "web/html_parser.h"
#include "web/layout.h"
#include "web/style.h"

namespace mrvn::web {
namespace {

// The tree below `n` as name(children), texts quoted, comments left out.
std::wstring Tree(const Document& d, NodeId n) {
    const Node& node = d[n];
    if (node.kind == NodeKind::Text) return L"\"" + node.text + L"\"";
    std::wstring out = node.name;
    std::wstring kids;
    for (NodeId c : node.children) {
        if (d[c].kind == NodeKind::Comment) continue;
        if (!kids.empty()) kids += L' ';
        kids += Tree(d, c);
    }
    if (!kids.empty()) out += L"(" + kids + L")";
    return out;
}

std::wstring Body(const std::wstring& html) {
    const Document d = ParseHtml(html, L"http://h/");
    return Tree(d, d.body);
}

TEST(WebParser, BuildsTheTreeBrowsersBuildFromSloppyMarkup) {
    const struct {
        const wchar_t* html;
        const wchar_t* body;
    } cases[] = {
        {L"<p>a<p>b", L"body(p(\"a\") p(\"b\"))"},
        {L"<ul><li>a<li>b</ul>c", L"body(ul(li(\"a\") li(\"b\")) \"c\")"},
        {L"<ul><li>a<div>b<li>c</ul>", L"body(ul(li(\"a\" div(\"b\")) li(\"c\")))"},
        {L"<ul><li>a<ul><li>b</ul><li>c</ul>", L"body(ul(li(\"a\" ul(li(\"b\"))) li(\"c\")))"},
        {L"<dl><dt>t<dd>d<dt>u</dl>", L"body(dl(dt(\"t\") dd(\"d\") dt(\"u\")))"},
        {L"<table><tr><td>a<td>b<tr><td>c</table>", L"body(table(tr(td(\"a\") td(\"b\")) tr(td(\"c\"))))"},
        {L"<table><td>x</table>", L"body(table(tr(td(\"x\"))))"},
        {L"<table><tbody><tr><th>h<tr><td>c</tbody></table>",
         L"body(table(tbody(tr(th(\"h\")) tr(td(\"c\")))))"},
        {L"<table><tr><td><p>a<td>b</table>", L"body(table(tr(td(p(\"a\")) td(\"b\"))))"},
        {L"<table><tr><td><table><tr><td>in</table>out</td></tr></table>",
         L"body(table(tr(td(table(tr(td(\"in\"))) \"out\"))))"},
        {L"<select><option>a<option selected>b</select>", L"body(select(option(\"a\") option(\"b\")))"},
        {L"<p>a<br>b<img src=x>c<input>d</p>", L"body(p(\"a\" br \"b\" img \"c\" input \"d\"))"},
        {L"<b><i>x</b>y</i>", L"body(b(i(\"x\")) \"y\")"},
        {L"<p>a<div>b</div>", L"body(p(\"a\") div(\"b\"))"},
        {L"<div><p>a</div>b", L"body(div(p(\"a\")) \"b\")"},
        {L"</div>a</span></p>", L"body(\"a\")"},
        {L"a</br>b", L"body(\"a\" br \"b\")"},
        {L"<table>oops<tr><td>x</td></tr></table>", L"body(\"oops\" table(tr(td(\"x\"))))"},
        {L"<table><tr><b>bold</b><td>x</table>", L"body(b(\"bold\") table(tr(td(\"x\"))))"},
        {L"a<!-- <p>hidden</p> -->b", L"body(\"a\" \"b\")"},
        {L"a<!-->b", L"body(\"a\" \"b\")"},
        {L"a<!DOCTYPE html>b<?xml x?>c", L"body(\"a\" \"b\" \"c\")"},
        {L"y<script>if (a<b) w(\"<p>x</p>\")</script>x",
         L"body(\"y\" script(\"if (a<b) w(\"<p>x</p>\")\") \"x\")"},
        {L"y<style>p{}</STYLE >x", L"body(\"y\" style(\"p{}\") \"x\")"},
        {L"<a href=1>x<a href=2>y", L"body(a(\"x\") a(\"y\"))"},
        {L"<h1>a<h2>b</h1>c", L"body(h1(\"a\") h2(\"b\") \"c\")"},
        {L"<div/>x", L"body(div(\"x\"))"},
        {L"a < b <3", L"body(\"a < b <3\")"},
        {L"a</></>b</ >c", L"body(\"ab\" \"c\")"},
        {L"<div class=\"x", L"body(div)"},
        {L"<p>x</p  ><td>y", L"body(p(\"x\") \"y\")"},
        {L"<button>a<button>b", L"body(button(\"a\") button(\"b\"))"},
        {L"<pre>\nx\n</pre><pre>\r\n\ny</pre><textarea>\nz</textarea>",
         L"body(pre(\"x\n\") pre(\"\ny\") textarea(\"z\"))"},
        {L"<BODY BGCOLOR=red><P>A</P></BODY></HTML>trailing", L"body(p(\"A\") \"trailing\")"},
    };
    for (const auto& c : cases) EXPECT_EQ(Body(c.html), c.body) << c.html;
}

TEST(WebParser, DecodesCharacterReferences) {
    const struct {
        const wchar_t* in;
        bool attribute;
        std::wstring out;
    } cases[] = {
        {L"&lt;&amp;&gt;&quot;&apos;", false, L"<&>\"'"},
        {L"&#20013;&#x6587;&#X6587", false, L"中文文"},
        {L"&nbsp;&copy;&copy2026", false, L"\u00A0\u00A9\u00A92026"},
        {L"&bogus; & &; &#; &#x;", false, L"&bogus; & &; &#; &#x;"},
        {L"&#0;&#xD800;&#99999999999999;", false, L"\uFFFD\uFFFD\uFFFD"},
        {L"&#128;&#x99;", false, L"\u20AC\u2122"},
        {L"&hellip;&mdash;&ldquo;&rdquo;", false, L"\u2026\u2014\u201C\u201D"},
        {L"?a=1&copy=2&amp;b=3&lt", true, L"?a=1&copy=2&b=3<"},
        {L"x&copyz", true, L"x&copyz"},
        {L"x&copyz", false, L"x\u00A9z"},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeEntities(c.in, c.attribute), c.out) << c.in;
    // Beyond the basic plane: one code point, two UTF-16 units under Windows.
    std::wstring emoji = DecodeEntities(L"&#x1F600;", false);
    EXPECT_EQ(emoji.size(), sizeof(wchar_t) == 2 ? 2u : 1u);
}

TEST(WebParser, ReadsAttributesInEveryQuotingStyle) {
    const Document d = ParseHtml(
        L"<font color=red size='4' face=\"宋体\" data-x = \"a b\" checked COLOR=blue>x</font>", L"http://h/");
    const NodeId f = d.ElementsByTag(L"font").at(0);
    EXPECT_EQ(d.AttrOr(f, L"color"), L"red");  // the first of two wins
    EXPECT_EQ(d.AttrOr(f, L"size"), L"4");
    EXPECT_EQ(d.AttrOr(f, L"face"), L"宋体");
    EXPECT_EQ(d.AttrOr(f, L"data-x"), L"a b");
    EXPECT_TRUE(d.HasAttr(f, L"checked"));
    EXPECT_EQ(d.AttrOr(f, L"CHECKED", L"missing"), L"");
}

TEST(WebParser, ReadsTitleRefreshAndBase) {
    const struct {
        const wchar_t* head;
        int seconds;
        const wchar_t* url;
    } cases[] = {
        {L"<meta http-equiv=refresh content=\"3; URL='next.html'\">", 3, L"http://h/dir/next.html"},
        {L"<meta http-equiv=\"Refresh\" content=\"0;url=app:loadgame|x\">", 0, L"app:loadgame|x"},
        {L"<meta http-equiv=refresh content=\"5\">", 5, L"http://h/dir/page.html"},
        {L"<meta http-equiv=refresh content=\"2,url=/top\">", 2, L"http://h/top"},
    };
    for (const auto& c : cases) {
        const Document d = ParseHtml(std::wstring(L"<title> Hello \n 世界 </title>") + c.head + L"<p>x",
                                     L"http://h/dir/page.html");
        EXPECT_EQ(d.title, L"Hello 世界");
        ASSERT_TRUE(d.refresh.present) << c.head;
        EXPECT_EQ(d.refresh.seconds, c.seconds) << c.head;
        EXPECT_EQ(d.refresh.url, c.url) << c.head;
    }
    EXPECT_FALSE(ParseHtml(L"<meta http-equiv=refresh content=\"soon\">", L"http://h/").refresh.present);

    const Document b = ParseHtml(L"<base href=\"http://cdn/x/\"><a href=\"y.html\">", L"http://h/dir/page.html");
    EXPECT_EQ(b.base, L"http://cdn/x/");
    EXPECT_EQ(b.Resolve(L"y.html"), L"http://cdn/x/y.html");
    // Head elements went to the head, the rest to the body.
    const Document h = ParseHtml(L"<title>t</title><style>p{}</style><p>x<title>late</title>", L"http://h/");
    EXPECT_EQ(Tree(h, h.head), L"head(title(\"t\") style(\"p{}\"))");
    EXPECT_EQ(h.title, L"t");
}

TEST(WebParser, FieldsBelongToTheirFormWhereverTheTreePutsThem) {
    const Document d = ParseHtml(
        L"<table><form action=/go><tr><td><input name=a></td></tr></form></table><input name=b>", L"http://h/");
    const NodeId form = d.ElementsByTag(L"form").at(0);
    const auto inputs = d.ElementsByTag(L"input");
    ASSERT_EQ(inputs.size(), 2u);
    EXPECT_EQ(d[inputs[0]].form, form);
    EXPECT_EQ(d[inputs[1]].form, kNoNode);
}

TEST(WebParser, DeepNestingStopsAtTheDepthLimit) {
    std::wstring html;
    for (int i = 0; i < 5000; ++i) html += L"<div><b>";
    html += L"deep";
    const Document d = ParseHtml(html, L"http://h/");
    int maxDepth = 0;
    for (const Node& n : d.nodes) maxDepth = std::max(maxDepth, n.depth);
    EXPECT_LE(maxDepth, kMaxTreeDepth + 1);
    EXPECT_EQ(d.ElementsByTag(L"div").size(), 5000u);
    EXPECT_NE(d.TextContent(d.body).find(L"deep"), std::wstring::npos);
    // Every later element and the text are still shown.
    const Styles st = ComputeStyles(d);
    test::FakeTextMeasurer tm;
    test::FakeImageSizes im;
    const PageLayout l = LayoutPage(d, st, tm, im, {});
    EXPECT_TRUE(l.IsPlaced(d.ElementsByTag(L"div").back()));

    // Long runs of empty end tags and unclosed comments are walked, not recursed into.
    std::wstring empties;
    for (int i = 0; i < 200000; ++i) empties += L"</>";
    const Document e = ParseHtml(empties + L"x<!--", L"http://h/");
    EXPECT_EQ(Tree(e, e.body), L"body(\"x\")");
}

// Deterministic tag soup: the parser and the layout must take anything, keep the tree consistent
// and stay inside the depth limit.
TEST(WebParser, TagSoupKeepsTheTreeConsistent) {
    static const wchar_t* kBits[] = {L"<p>", L"</p>", L"<table>", L"<tr>", L"<td colspan=999999>", L"</td>",
                                     L"</table>", L"<li>", L"<ul>", L"</ul>", L"<form>", L"</form>", L"<input>",
                                     L"<select>", L"<option>", L"</select>", L"<b>", L"</b>", L"<a href=x>",
                                     L"</a>", L"<!--", L"-->", L"<script>", L"</script>", L"&#x", L"&", L"中文",
                                     L"text ", L"<", L">", L"\"", L"'", L"=", L"<div style=\"width:1e9px\">",
                                     L"</div>", L"<img width=99999999>", L"<td rowspan=70000>", L"<br>",
                                     L"<th>", L"<tbody>", L"<caption>", L"<col>", L"</html>", L"<body>"};
    uint32_t seed = 12345;
    test::FakeTextMeasurer tm;
    test::FakeImageSizes im;
    for (int round = 0; round < 300; ++round) {
        std::wstring html;
        const int parts = 1 + round % 120;
        for (int i = 0; i < parts; ++i) {
            seed = seed * 1103515245u + 12345u;
            html += kBits[(seed >> 16) % (sizeof(kBits) / sizeof(kBits[0]))];
        }
        const Document d = ParseHtml(html, L"http://h/");
        for (size_t k = 0; k < d.nodes.size(); ++k) {
            const Node& n = d.nodes[k];
            ASSERT_LE(n.depth, kMaxTreeDepth + 1);
            if (n.parent == kNoNode) continue;
            const auto& siblings = d[n.parent].children;
            ASSERT_EQ(std::count(siblings.begin(), siblings.end(), static_cast<NodeId>(k)), 1) << html;
            ASSERT_EQ(n.depth, d[n.parent].depth + 1);
        }
        const Styles st = ComputeStyles(d);
        const PageLayout l = LayoutPage(d, st, tm, im, {});
        ASSERT_GE(l.height, 0);
    }
}

// Random bytes and style soup through the whole engine, under each charset path.
TEST(WebParser, RandomBytesAndStyleSoupGoThroughTheWholeEngine) {
    static const char* kCss[] = {"{", "}", ";", ":", "p", ".a", "#b", " ", ">", "*", "@media x{", "url(", ")",
                                 "\"", "/*", "*/", "!important", "color", "background", "-1e9px", "%", "em",
                                 "margin", "0 auto", "font", "width", "display:none", ",", "rgb(", "<!--"};
    uint32_t seed = 777;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 16;
    };
    test::FakeCodePage cp;
    test::FakeTextMeasurer tm;
    test::FakeImageSizes im;
    for (int round = 0; round < 200; ++round) {
        std::string bytes;
        const int n = static_cast<int>(next() % 400);
        for (int i = 0; i < n; ++i) bytes += static_cast<char>(next() & 0xFF);
        std::string css = "<style>";
        for (int i = 0; i < 40; ++i) css += kCss[next() % (sizeof(kCss) / sizeof(kCss[0]))];
        css += "</style><p class=a id=b style='";
        for (int i = 0; i < 10; ++i) css += kCss[next() % (sizeof(kCss) / sizeof(kCss[0]))];
        css += "'>x";
        static const char* kTypes[] = {"", "text/html; charset=gbk", "text/html; charset=utf-8", "charset=big5"};
        const std::string page = (round % 2 ? css + bytes : bytes + css);
        const Document d = LoadPage(page.data(), page.size(), {L"http://h/", kTypes[round % 4], 936}, cp);
        ASSERT_TRUE(d.Valid(d.body));
        const Styles st = ComputeStyles(d);
        ASSERT_EQ(st.size(), d.nodes.size());
        const PageLayout l = LayoutPage(d, st, tm, im, {300, 200});
        ASSERT_GE(l.width, 300);
    }
}

TEST(WebParser, LoadPageDecodesByTheDeclaredCharset) {
    test::FakeCodePage cp;
    const std::string gbk = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
                            "<title>\xB2\xE2\xCA\xD4</title></head><body>\xD6\xD0\xCE\xC4</body>";
    const Document d = LoadPage(gbk.data(), gbk.size(), {L"http://h/", "", 0}, cp);
    EXPECT_EQ(d.title, L"测试");
    EXPECT_EQ(d.TextContent(d.body), L"中文");
    EXPECT_EQ(d.charset, "gb2312");
    EXPECT_EQ(d.codePage, 936u);
}

}  // namespace
}  // namespace mrvn::web
