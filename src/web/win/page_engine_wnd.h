// The built-in page engine's window: one child window in its parent that fetches, lays out and
// paints a page from the portable engine, puts real controls on the form fields, follows links and
// submits forms, and raises the seam's events. No script.
#pragma once
#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "framework/wnd.h"
#include "platform/win32/win32_platform.h"
#include "web/document.h"
#include "web/interaction.h"
#include "web/layout.h"
#include "web/scroll_rule.h"
#include "web/style.h"
#include "web/win/page_fetch.h"
#include "web/win/web_view.h"

namespace mrvn::web {

class PageImages;
class PageFonts;

// One shown page. Element references hold it, so an element outlives a navigation; `view` is
// cleared when the page is no longer the one shown.
struct ShownPage {
    Document doc;
    Styles styles;
    PageLayout layout;
    class CPageEngineWnd* view = nullptr;
};

class CPageEngineWnd final : public fw::CWnd, public WebView {
public:
    CPageEngineWnd();
    ~CPageEngineWnd() override;

    bool Create(HWND parent, const RECT& rc, int id, WebViewEvents* events) override;
    HWND Window() const override { return m_hWnd; }
    void Move(const RECT& rc) override;
    HRESULT Navigate2(const std::wstring& url) override;
    HRESULT Refresh() override;
    HRESULT put_Silent(bool silent) override {
        silent_ = silent;
        return S_OK;
    }
    std::wstring LocationURL() override { return address_; }
    bool SetBodyScroll(const std::wstring& value) override;
    std::wstring TextDump() override;

    // Tab and Enter, as the platform control's accelerators: after the windows that host it.
    BOOL PreTranslateMessage(MSG* msg) override;
    bool FiltersAfterHosts() const override { return true; }

    // The page shown now (tests and demos read it); null before the first.
    std::shared_ptr<ShownPage> Page() const { return page_; }
    // Shows a page from bytes already at hand, with the events of a navigation that fetched them
    // (once its images are in).
    void ShowHtml(const std::wstring& address, const std::string& bytes) { Arrive(address, bytes, ""); }
    // Whether a navigation is under way: its page or its images are still being fetched.
    bool Fetching() const { return pageJob_ || arriving_; }

    // For the engine's elements: what an element operation changes.
    void Relayout();
    void PerformClick(NodeId n);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    struct Request {
        std::wstring url;
        std::wstring target;
        bool post = false;
        std::string body;
        std::wstring contentType;
    };
    struct Field {
        NodeId node = kNoNode;
        ControlKind kind = ControlKind::Text;
        HWND hwnd = nullptr;
    };

    // Raises BeforeNavigate2 first; nothing is sent when it is cancelled. The page is fetched off
    // this thread and shown when it arrives.
    void Begin(const Request& req, bool askFirst);
    void OnFetched(WPARAM number);
    void OnDeadline();
    void Fetched(const FetchReply& reply);
    // A page's bytes: laid out aside, shown once its images are in or the deadline passed.
    void Arrive(const std::wstring& address, const std::string& bytes, const std::string& contentType);
    // `laidOut`: the arrived page's layout stands (no image came since).
    void Present(bool laidOut = false);
    void DropFetches();
    PageLayout LayOut(const ShownPage& page, ImageSizes& images);
    void QueueAction(const ElementAction& action);
    void RunQueued();
    void CreateFields();
    void DestroyFields();
    void PlaceFields();
    void SyncFieldsToDocument();
    void ShowChecks();
    static LRESULT CALLBACK FieldProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self);
    void UpdateScrollBars();
    void ScrollTo(int x, int y);
    void FireElement(ElementEvent ev, NodeId n);
    NodeId NodeAt(LPARAM lParam) const;
    const Field* FieldOf(HWND hwnd) const;
    void MoveFocus(bool back);
    bool ActivateFocused();

    void OnPaint();
    void Paint(HDC dc, int w, int h);
    void OnSize();
    void OnMouseMove(LPARAM lParam);
    void OnMouseLeave();
    void OnLButtonDown(LPARAM lParam);
    void OnLButtonUp(LPARAM lParam);
    void OnContextMenu(LPARAM lParam);
    BOOL OnSetCursor(WPARAM wParam, LPARAM lParam);
    void OnScroll(int bar, WORD code);
    void OnMouseWheel(short delta);
    void OnTimer(UINT_PTR id);
    void OnDestroy();

    WebViewEvents* events_ = nullptr;
    std::shared_ptr<ShownPage> page_;
    std::unique_ptr<PageImages> images_;
    // The navigation under way: the page's fetch, then the arrived page waiting for its images.
    std::shared_ptr<FetchJob> pageJob_, imageJob_;
    Request fetching_;
    ULONGLONG deadline_ = 0;
    std::shared_ptr<ShownPage> arriving_;
    std::unique_ptr<PageImages> arrivingImages_;
    std::wstring arrivingAddress_;
    std::unique_ptr<PageFonts> fonts_;
    std::map<int, Field> fields_;  // by control id
    std::wstring address_;
    // Expires with the object: an owner may destroy the view from inside one of its events.
    std::shared_ptr<int> life_ = std::make_shared<int>(0);
    bool silent_ = false;
    int scrollX_ = 0, scrollY_ = 0;
    NodeId hover_ = kNoNode, down_ = kNoNode, focusLink_ = kNoNode;
    bool tracking_ = false;
    bool queued_ = false;
    WheelAccumulator wheel_;
    ElementAction pending_;
    win::AnsiCodePage codePage_;
};

}  // namespace mrvn::web
