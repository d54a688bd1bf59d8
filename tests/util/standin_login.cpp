#include "util/standin_login.h"

#include <iterator>

namespace mrvn::test {
namespace {

std::string Field(const std::map<std::string, std::string>& form, const char* name) {
    const auto it = form.find(name);
    return it == form.end() ? std::string() : it->second;
}

// The login text travels escaped, as the platform's page sends it; the launcher unescapes it.
std::string Escape(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' || c == '_') {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

bool PlainName(const std::string& s) {
    if (s.empty() || s.size() > 16) return false;
    for (const char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_')) return false;
    return true;
}

const char kHead[] =
    "<html><head><meta charset=\"utf-8\"><title>Morvane 用户登录</title>"
    "<style>body { margin: 0; background-color: #fefefe; color: #2a3a4e; font-size: 12px; }"
    " td { font-size: 12px; } a { color: #1f5fa8; }</style>";
const char kCardStart[] =
    "<body scroll=\"no\"><table width=\"888\" cellspacing=\"0\" cellpadding=\"0\" border=\"0\">"
    "<tr><td height=\"174\"></td></tr></table>"
    "<table width=\"888\" cellspacing=\"0\" cellpadding=\"0\" border=\"0\"><tr><td width=\"586\"></td>"
    "<td width=\"246\" valign=\"top\">";
const char kCardEnd[] = "</td><td width=\"56\"></td></tr></table></body></html>";

}  // namespace

std::string StandinLoginAnswer(const std::map<std::string, std::string>& form, const std::string& host) {
    const std::string account = Field(form, "account");
    if (!PlainName(account)) {
        return std::string(kHead) + "</head>" + kCardStart +
               "<p><b>请输入正确的账号</b></p><p>账号由字母、数字组成，最长 16 个字符。</p>"
               "<p><a id=\"back\" href=\"/mrvn/client/index.html?cid=4224\">返回登录</a></p>" +
               kCardEnd;
    }
    std::string server = Field(form, "server");
    if (server.empty() || server.size() > 3 || server.find_first_not_of("0123456789") != std::string::npos) server = "1";
    std::string line = Field(form, "line");
    if (line.empty() || line.size() > 12 || line.find_first_of("-|<>\"&") != std::string::npos) line = "双线";
    const std::string loginText = "S" + server + "服-《Morvane》" + line + "-" + account;
    const std::string address =
        "app://loadgame|" + Escape(loginText) + "|http://" + host + "/mrvn/game/" + account + ".html";
    return std::string(kHead) + "<meta http-equiv=\"refresh\" content=\"1; url=" + address + "\"></head>" +
           kCardStart + "<p><b>登录成功</b></p><p>账号 " + account + "，" + server +
           "服，正在进入游戏……</p><p><a id=\"enter\" href=\"" + address + "\">立即进入</a></p>" + kCardEnd;
}

std::string StandinJourneyPage(std::string page, size_t visit, int seconds) {
    static const struct {
        const char* account;
        const char* server;
    } kScript[] = {{"abc", "1"}, {"def", "1"}, {"abc", "1"}, {"ghi", "2"}};
    const size_t head = page.find("<head>");
    if (visit >= std::size(kScript) || head == std::string::npos) return page;
    page.insert(head + 6, "\n<meta http-equiv=\"refresh\" content=\"" + std::to_string(seconds) + "; url=" +
                              kStandinLoginPath + "?account=" + kScript[visit].account +
                              "&amp;server=" + kScript[visit].server + "\">");
    return page;
}

}  // namespace mrvn::test
