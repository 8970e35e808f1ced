#include "platform/window/VariableBinding.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "platform/values/Decimal.h"
#include "platform/values/FixedText.h"
#include "platform/values/Numbers.h"
#include "platform/window/EventLoop.h"
#include "platform/window/UserInput.h"
#include "platform/window/Window.h"
#include "tests/support/ThreadProcedure.h"

namespace kv {
namespace {

using test::Settle;
using test::ThreadProcedure;

// Round trips through the pictures the program's form uses: what the screen shows for a
// value, what typing a text stores, and which texts are rejected with the value unchanged.
TEST(VariableBinding, RoundTripsThroughPictures) {
  String<20> code;
  Decimal<9, 2> price;
  Long provider = 0;
  struct Case {
    const char* what;
    VarRef var;
    const char* picture;
    const char* typed;
    bool accepted;
    const char* shownAfter;  // the display once accepted (or of the unchanged value)
  };
  const Case cases[] = {
      {"text", code, "@s20", "AB-1", true, "AB-1"},
      {"text too long", code, "@s20", "123456789012345678901", false, "AB-1"},
      {"price", price, "@n-14.2", "1234.5", true, "      1,234.50"},
      {"price with letters", price, "@n-14.2", "12x", false, "      1,234.50"},
      {"price with three places", price, "@n-14.2", "1.234", false, "      1,234.50"},
      {"negative price", price, "@n-14.2", "-3", true, "         -3.00"},
      {"provider", provider, "@n-14", "80000", true, "        80,000"},
      {"provider blank is zero", provider, "@n-14", "", true, "             0"},
      {"provider too big for a LONG", provider, "@n-14", "99999999999", false, "             0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto b = BindVariable(c.var, c.picture);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Accept(c.typed), c.accepted);
    EXPECT_EQ(b->Display(), c.shownAfter);
    if (!c.accepted) {
      EXPECT_NE(b->LastStatus(), PictureStatus::kOk);
    }
  }
  EXPECT_EQ(BindVariable(provider, "@q9"), nullptr) << "a picture that is not understood";
}

TEST(VariableBinding, WindowUpdateCopiesBackAndRejectsThroughEvents) {
  String<30> server;
  Byte windowsAuth = 0;
  Decimal<9, 2> price;
  std::vector<int> rejected;
  std::mutex m;
  ThreadProcedure proc([&] {
    WindowDefinition def("MSSQL Connect");
    def.Entry("?LOC:SERVER", "@s30");
    def.CheckBox("?LOC:WINDOWSAUTH", "Use Windows Authentiaction");
    def.Entry("?PRO:PRICE", "@n-14.2");
    def.Button("?OKBUTTON", "&Connect");
    Window w = Window::Open(def);
    server = "srv";
    ASSERT_TRUE(BindControl(w, 1, server));
    ASSERT_TRUE(BindControl(w, 2, windowsAuth));
    ASSERT_TRUE(BindControl(w, 3, price));
    RunEventLoop(w, [&](const Event& e) {
      if (e.code == kEventRejected) {
        std::lock_guard lock(m);
        rejected.push_back(e.control);
      }
      if (e.code == kEventAccepted && e.control == 4) w.Update();
      return LoopAnswer::kDefault;
    });
  });
  ASSERT_TRUE(Settle());
  WindowId id = Window::OpenWindows().back();
  Window w(id);
  EXPECT_EQ(w.Text(1), "srv") << "trailing blanks of a text picture are not shown";
  EXPECT_FALSE(w.Checked(2));
  ASSERT_EQ(Press(id, 2), InputStatus::kOk);  // the check box is accepted at once
  ASSERT_TRUE(Settle());
  EXPECT_EQ(windowsAuth, 1);
  // Screen texts change without accepting; pressing the button updates the window.
  w.SetText(1, "other,1433");
  w.SetText(3, "not a price");
  ASSERT_EQ(Press(id, 4), InputStatus::kOk);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(server.Clipped(), "other,1433");
  EXPECT_EQ(VarRef(price).ToText(), "0");
  {
    std::lock_guard lock(m);
    EXPECT_EQ(rejected, std::vector<int>{3});
  }
  ASSERT_EQ(CloseBox(id), InputStatus::kOk);
  proc.Join();
}

}  // namespace
}  // namespace kv
