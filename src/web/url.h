// Addresses of links, images and forms against the page's base.
#pragma once
#include <string>

namespace mrvn::web {

// The scheme of an absolute address, lower-cased ("http"), or empty for a relative one.
std::wstring UrlScheme(const std::wstring& url);
// `ref` resolved against the absolute address `base`: "//host", "/path", "?query", "#frag",
// relative paths with "." and ".." segments. Absolute references (any scheme, "app:" and
// "javascript:" included) come back unchanged but for surrounding blanks; so does everything when
// `base` is not hierarchical.
std::wstring ResolveUrl(const std::wstring& base, const std::wstring& ref);

}  // namespace mrvn::web
