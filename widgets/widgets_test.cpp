#include <gtest/gtest.h>

#include "res/resource_ids.h"
#include "widgets/hint_wnd.h"
#include "widgets/hyperlink.h"
#include "widgets/png_loader.h"
#include "widgets/scroll_wnd.h"
#include "widgets/shrink_control.h"
#include "widgets/win_control.h"
#include "widgets/window_test_support.h"

namespace sorvik {
namespace {

// A hidden top-level window that holds the widget under test and records the commands it gets.
class Holder {
 public:
  Holder() {
    hwnd = testing::CreateHolderWindow("SorvikTestHolder", Proc, 600, 600, WS_OVERLAPPEDWINDOW);
    commands().clear();
  }
  ~Holder() { DestroyWindow(hwnd); }
  static std::vector<int>& commands() {
    static std::vector<int> received;
    return received;
  }
  HWND hwnd;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND) commands().push_back(LOWORD(wparam));
    return DefWindowProcA(hwnd, message, wparam, lparam);
  }
};

int TopOf(HWND child) {
  RECT rect;
  GetWindowRect(child, &rect);
  POINT corner = {rect.left, rect.top};
  ScreenToClient(GetParent(child), &corner);
  return corner.y;
}

TEST(ScrollWnd, LinesPagesAndClamping) {
  Holder holder;
  CScrollWnd panel;
  ASSERT_TRUE(panel.Create(holder.hwnd, RECT{0, 0, 200, 300}, 100));
  RECT client;
  GetClientRect(panel.Handle(), &client);
  const int page = client.bottom;
  CWinControl content;
  ASSERT_TRUE(content.Create(panel.Handle(), RECT{0, 0, 150, 1000}, 101));
  panel.SetVirtualSize(150, 1000);
  {
    // One line down moves the content up by 60 pixels; a line up brings it back.
    SendMessageA(panel.Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(panel.PositionY(), 60);
    EXPECT_EQ(TopOf(content.Handle()), -60);
    SendMessageA(panel.Handle(), WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(TopOf(content.Handle()), 0);
  }
  {
    // Scrolling past the end stops at the last page, and past the start at 0.
    for (int i = 0; i < 40; ++i) SendMessageA(panel.Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(panel.PositionY(), 1000 - page);
    EXPECT_EQ(TopOf(content.Handle()), -(1000 - page));
    SendMessageA(panel.Handle(), WM_VSCROLL, SB_PAGEUP, 0);
    EXPECT_EQ(panel.PositionY(), 1000 - 2 * page);
    SendMessageA(panel.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(panel.PositionY(), 1000 - 2 * page - 60);
    SendMessageA(panel.Handle(), WM_VSCROLL, SB_TOP, 0);
    SendMessageA(panel.Handle(), WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(panel.PositionY(), 0);
  }
  {
    // Content that fits collapses the range: nothing scrolls.
    panel.SetVirtualSize(150, page);
    SendMessageA(panel.Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(panel.PositionY(), 0);
  }
  {
    // The thumb position is clamped like any other request.
    EXPECT_EQ(ScrollTarget(SB_THUMBPOSITION, 0, 300, 1000, 5000), 700);
    EXPECT_EQ(ScrollTarget(SB_PAGEDOWN, 600, 300, 1000, 0), 700);
  }
}

// Records what a click would open instead of opening it.
class RecordingLink : public CHyperLink {
 public:
  std::vector<std::string> opened;

 protected:
  void Launch(const std::string& link) override { opened.push_back(link); }
};

TEST(HyperLink, HostileLinksAreEncodedOrRefused) {
  std::string url;
  {  // Quotes and blanks cannot close the address and add arguments: they are encoded.
    ASSERT_TRUE(SafeWebLink("http://127.0.0.1/a\" --flag \"b", &url));
    EXPECT_EQ(url, "http://127.0.0.1/a%22%20--flag%20%22b");
    ASSERT_TRUE(SafeWebLink("https://127.0.0.1/x\\\"<>^`{|}", &url));
    EXPECT_EQ(url, "https://127.0.0.1/x%5C%22%3C%3E%5E%60%7B%7C%7D");
  }
  {  // GBK bytes are encoded, escapes kept, a lone "%" encoded, a line end at the end dropped.
    ASSERT_TRUE(SafeWebLink("http://127.0.0.1/\xD6\xD0?q=%41%2g%\r\n", &url));
    EXPECT_EQ(url, "http://127.0.0.1/%D6%D0?q=%41%252g%25");
    ASSERT_TRUE(SafeWebLink("http://127.0.0.1/a?b=c&d=e#f", &url));
    EXPECT_EQ(url, "http://127.0.0.1/a?b=c&d=e#f");
  }
  {  // Control characters inside, no host, other schemes, too long: refused.
    for (const std::string& link :
         {std::string("http://127.0.0.1/a\tb"), std::string("http://127.0.0.1/a\nb"),
          std::string("http://127.0.0.1/a\x7F"), std::string("http://127.0.0.1/a\0b", 19),
          std::string("http://"), std::string("http:///x"), std::string("http://?q"),
          std::string(" http://127.0.0.1/"), std::string("file:///C:/x"),
          std::string("http://127.0.0.1/") + std::string(kMaxWebLink, 'a'),
          std::string("http://127.0.0.1/") + std::string(700, '"')})
      EXPECT_FALSE(SafeWebLink(link, &url)) << link;
  }
}

TEST(HyperLink, OpensOnlyWebLinks) {
  Holder holder;
  HWND control =
      CreateWindowExA(0, "STATIC", "http://127.0.0.1/notice.html", WS_CHILD | WS_VISIBLE, 0, 0, 200,
                      20, holder.hwnd, nullptr, GetModuleHandleA(nullptr), nullptr);
  RecordingLink link;
  ASSERT_TRUE(link.Attach(control));
  EXPECT_TRUE(GetWindowLongA(control, GWL_STYLE) & SS_NOTIFY);
  {
    // Without a link a click opens the text.
    SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_EQ(link.opened.size(), 1u);
    EXPECT_EQ(link.opened[0], "http://127.0.0.1/notice.html");
  }
  {
    // A link that is no web address opens nothing, however it is written.
    for (const char* target : {"file:///C:/windows/system32/calc.exe", "C:\\evil.exe",
                               "javascript:alert(1)", "httpx://127.0.0.1", ""}) {
      link.SetLink(target);
      link.SetText(target);
      link.Open();
    }
    EXPECT_EQ(link.opened.size(), 1u);
  }
  {
    // A set link wins over the text; the scheme's letter case does not matter.
    link.SetText("公告");
    link.SetLink("HTTPS://127.0.0.1/a");
    link.Open();
    ASSERT_EQ(link.opened.size(), 2u);
    EXPECT_EQ(link.opened[1], "HTTPS://127.0.0.1/a");
  }
  {
    // A hostile link reaches the shell only as one encoded address.
    link.SetLink("http://127.0.0.1/a\" --load-extension=\"C:\\x");
    link.Open();
    ASSERT_EQ(link.opened.size(), 3u);
    EXPECT_EQ(link.opened[2], "http://127.0.0.1/a%22%20--load-extension=%22C:%5Cx");
  }
}

TEST(Widgets, ShrinkHintAndPictures) {
  Holder holder;
  {
    // The toggle sends 1227 to its parent when clicked; the state is the parent's to flip.
    CShrinkControl toggle;
    ASSERT_TRUE(toggle.Create(holder.hwnd, RECT{0, 0, 17, 17}, kShrinkControlId));
    EXPECT_TRUE(toggle.Expanded());
    SendMessageA(toggle.Handle(), WM_LBUTTONDOWN, 0, MAKELPARAM(3, 3));
    SendMessageA(toggle.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    ASSERT_EQ(Holder::commands().size(), 1u);
    EXPECT_EQ(Holder::commands()[0], kShrinkControlId);
    // A release outside the button is no click.
    SendMessageA(toggle.Handle(), WM_LBUTTONDOWN, 0, MAKELPARAM(3, 3));
    SendMessageA(toggle.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(40, 40));
    EXPECT_EQ(Holder::commands().size(), 1u);
  }
  {
    // The PNG pictures load from the resources (both type spellings); a missing one is empty.
    PngLoader picture;
    EXPECT_TRUE(picture.Load(IDR_PNG_SHRINK_EXPANDED, "png"));
    ASSERT_NE(picture.Stream(), nullptr);
    char signature[8] = {0};
    ULONG read = 0;
    picture.Stream()->Read(signature, 8, &read);
    EXPECT_EQ(std::string(signature + 1, 3), "PNG");
    EXPECT_FALSE(picture.Load(9999));
    EXPECT_TRUE(picture.Empty());
  }
}

}  // namespace
}  // namespace sorvik
