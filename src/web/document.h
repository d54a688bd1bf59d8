// The page's element tree: nodes in one array, addressed by index, so that a host can hold on to
// an element across relayouts and no walk over it needs recursion.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace mrvn::web {

using NodeId = int;
inline constexpr NodeId kNoNode = -1;
// Elements nested deeper than this are added as children of the deepest one but never become
// parents themselves: what would have gone inside them follows them as siblings.
inline constexpr int kMaxTreeDepth = 128;

enum class NodeKind { Element, Text, Comment };

struct Attribute {
    std::wstring name;  // lower-cased
    std::wstring value;
};

struct Node {
    NodeKind kind = NodeKind::Element;
    std::wstring name;  // lower-cased tag name; empty for text and comments
    std::wstring text;  // text and comment contents
    std::vector<Attribute> attrs;
    NodeId parent = kNoNode;
    std::vector<NodeId> children;
    NodeId form = kNoNode;  // the form that owns a field
    int depth = 0;
};

struct MetaRefresh {
    bool present = false;
    int seconds = 0;
    std::wstring url;  // absolute; the page's own address when the content names none
};

class Document {
public:
    std::vector<Node> nodes;
    NodeId html = kNoNode, head = kNoNode, body = kNoNode;
    std::wstring address;  // where the page came from
    std::wstring base;     // <base href>, resolved; empty when the page has none
    std::wstring title;
    MetaRefresh refresh;
    std::string charset;
    unsigned codePage = 0;

    bool Valid(NodeId n) const { return n >= 0 && static_cast<size_t>(n) < nodes.size(); }
    const Node& operator[](NodeId n) const { return nodes[static_cast<size_t>(n)]; }
    Node& operator[](NodeId n) { return nodes[static_cast<size_t>(n)]; }
    bool IsElement(NodeId n, const wchar_t* tag) const {
        return Valid(n) && (*this)[n].kind == NodeKind::Element && (*this)[n].name == tag;
    }

    // Attribute names compare without regard to ASCII case.
    const std::wstring* Attr(NodeId n, const std::wstring& name) const;
    std::wstring AttrOr(NodeId n, const std::wstring& name, const std::wstring& def = L"") const;
    bool HasAttr(NodeId n, const std::wstring& name) const { return Attr(n, name) != nullptr; }
    void SetAttr(NodeId n, const std::wstring& name, const std::wstring& value);
    bool RemoveAttr(NodeId n, const std::wstring& name);
    // The class attribute, whole, as the event table compares it.
    std::wstring ClassName(NodeId n) const { return AttrOr(n, L"class"); }
    bool HasClass(NodeId n, const std::wstring& cls) const;

    // All text below `n`, in document order.
    std::wstring TextContent(NodeId n) const;
    // Address resolved against <base href>, else against the page's own address.
    std::wstring Resolve(const std::wstring& url) const;
    NodeId ElementById(const std::wstring& id) const;
    std::vector<NodeId> ElementsByTag(const std::wstring& tag) const;
    // Nearest element named `tag` at or above `n`.
    NodeId Closest(NodeId n, const wchar_t* tag) const;
    // Elements below `n` in document order (n itself not included).
    std::vector<NodeId> Descendants(NodeId n) const;

    // `style.backgroundPositionX`: the inline style's value in pixels, when it has one.
    std::optional<int> BackgroundPositionX(NodeId n) const;
    // Writes it into the inline style, replacing an earlier value; lay the page out again to see it.
    void SetBackgroundPositionX(NodeId n, int px);
};

}  // namespace mrvn::web
