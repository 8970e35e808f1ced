#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "framework/browse/PopupManager.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/window/EventLoop.h"
#include "platform/window/NaturalSize.h"
#include "platform/window/UserInput.h"
#include "platform/window/Window.h"
#include "tests/support/ThreadProcedure.h"

namespace kv {
namespace {

using test::Settle;

constexpr int kEventSort = 1001;
constexpr int kEventOpenToolbox = 1500;
constexpr int kEventKillPopup = 1501;

// A window procedure on a logical thread of its own with a pop-up manager, as a list has
// one: its ?TOOLS button opens the toolbox; the events its loop sees are recorded.
class Owner {
 public:
  Owner()
      : proc_([this] {
          WindowDefinition def("Owner");
          def.Button("?ADD", "&Add").ControlIcon("INSERT.ICO");
          def.Button("?EDIT", "&Edit");
          def.Button("?TOOLS", "&Tools");
          def.List("?LIST", "40L(2)|M~Name~@s20@");
          Window w = Window::Open(def);
          window = w.Id();
          add = w.Find("?ADD"), edit = w.Find("?EDIT"), tools = w.Find("?TOOLS");
          list = w.Find("?LIST");
          popup.Init();
          popup.AddItemMimic("!&Insert", "Insert", add);
          popup.AddItemMimic("!&Edit", "Edit", edit);
          popup.AddSubMenu("&Sort", "By &Name");
          popup.AddItemEvent("ByName", kEventSort, list);
          popup.AddItem("ByName", "Separator", "-", 1);
          popup.AddItemMimic("!&Tools", "Tools", tools);
          popup.SetToolbox("Tools", false);
          RunEventLoop(w, [&](const Event& e) {
            if (e.code == kEventAccepted || e.code == kEventSort) {
              std::lock_guard lock(mutex_);
              seen_.push_back(std::to_string(e.code) + ":" + std::to_string(e.control));
            }
            if ((e.code == kEventAccepted && e.control == tools) || e.code == kEventOpenToolbox) {
              popup.Toolbox("Tools");
            }
            if (e.code == kEventKillPopup) popup.Kill();
            return LoopAnswer::kDefault;
          });
          popup.Kill();
        }) {}
  ~Owner() { Window(window).Close(); }

  std::vector<std::string> Seen() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    out.swap(seen_);
    return out;
  }
  // The open tool windows.
  static std::vector<WindowSnapshot> Toolboxes() {
    std::vector<WindowSnapshot> out;
    for (WindowId id : Window::OpenWindows()) {
      WindowSnapshot s = Window(id).Snapshot();
      if (s.kind == WindowKind::kTool) out.push_back(s);
    }
    return out;
  }

  PopupManager popup;
  std::atomic<WindowId> window{0};
  int add = 0, edit = 0, tools = 0, list = 0;

 private:
  std::mutex mutex_;
  std::vector<std::string> seen_;
  test::ThreadProcedure proc_;
};

class Toolbox : public ::testing::Test {
 protected:
  void SetUp() override { InstallBackend(&backend); }
  void TearDown() override { InstallBackend(nullptr); }
  HeadlessBackend backend;
};

TEST_F(Toolbox, ButtonsPressTheOwnersControlsOnTheOwnersThread) {
  Owner owner;
  ASSERT_TRUE(Settle());
  Window w(owner.window);
  ASSERT_EQ(Press(w.Id(), owner.tools), InputStatus::kOk);
  ASSERT_TRUE(Settle());
  std::vector<WindowSnapshot> boxes = Owner::Toolboxes();
  ASSERT_EQ(boxes.size(), 1u);
  const WindowSnapshot& box = boxes[0];
  EXPECT_EQ(box.caption, "Tools");
  EXPECT_EQ(box.owner, w.Id());
  EXPECT_NE(box.thread, w.Thread()) << "the toolbox runs on a thread of its own";
  EXPECT_TRUE(w.Disabled(owner.tools)) << "the button that opened it is off while it is open";
  EXPECT_EQ(owner.Seen(), std::vector<std::string>{"1:" + std::to_string(owner.tools)});

  // One button per item on the toolbox: the icon with the text as tip, or the text.
  ASSERT_EQ(box.controls.size(), 3u);
  struct Shown {
    const char* label;
    const char* text;
    const char* icon;
    const char* tip;
  } expect[] = {{"?Insert", "", "~INSERT.ICO", "Add"},
                {"?Edit", "&Edit", "", ""},
                {"?ByName", "By &Name", "", ""}};
  int x = 0;
  for (std::size_t k = 0; k < 3; ++k) {
    const Control& c = box.controls[k];
    SCOPED_TRACE(c.label);
    EXPECT_EQ(c.label, expect[k].label);
    EXPECT_EQ(c.text, expect[k].text);
    EXPECT_EQ(c.icon, expect[k].icon);
    EXPECT_EQ(c.tip, expect[k].tip);
    Rect natural = NaturalButtonSize(c.text, !c.icon.empty());
    EXPECT_EQ(c.rect, (Rect{x, 0, natural.width, natural.height}));
    x += natural.width;
  }
  EXPECT_EQ(box.rect.width, x);
  EXPECT_EQ(box.rect.height, kIconButtonHeight);

  Window tools(box.id);
  ASSERT_EQ(Press(box.id, tools.Find("?Edit")), InputStatus::kOk);
  ASSERT_TRUE(Settle());
  ASSERT_EQ(Press(box.id, tools.Find("?ByName")), InputStatus::kOk);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(owner.Seen(), (std::vector<std::string>{
                              "1:" + std::to_string(owner.edit),
                              std::to_string(kEventSort) + ":" + std::to_string(owner.list)}));
  EXPECT_EQ(owner.popup.GetLastSelection(), "ByName");

  // A second Toolbox while it is open does nothing.
  ASSERT_TRUE(w.Post(kEventOpenToolbox));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Owner::Toolboxes().size(), 1u);

  // A mimicked button disabled meanwhile: the next tick disables its toolbox button.
  w.SetDisabled(owner.edit, true);
  ASSERT_EQ(TimerTick(box.id), InputStatus::kOk);
  ASSERT_TRUE(Settle());
  EXPECT_TRUE(tools.Disabled(tools.Find("?Edit")));
  EXPECT_EQ(Press(box.id, tools.Find("?Edit")), InputStatus::kDisabled);
  w.SetDisabled(owner.edit, false);

  // Items that change while it is open are followed at the next tick.
  w.SetText(owner.add, "&New");
  ASSERT_EQ(TimerTick(box.id), InputStatus::kOk);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(tools.Tip(tools.Find("?Insert")), "New");

  ASSERT_EQ(CloseBox(box.id), InputStatus::kOk);
  ASSERT_TRUE(Settle());
  EXPECT_TRUE(Owner::Toolboxes().empty());
  EXPECT_FALSE(w.Disabled(owner.tools)) << "enabled again when the toolbox closes";
  EXPECT_EQ(owner.popup.INTOOLBOX.load(), 0);
  EXPECT_TRUE(owner.Seen().empty()) << "closing the toolbox presses nothing";

  // Kill while the toolbox is open closes it and waits for its thread.
  ASSERT_EQ(Press(w.Id(), owner.tools), InputStatus::kOk);
  ASSERT_TRUE(Settle());
  ASSERT_EQ(Owner::Toolboxes().size(), 1u);
  ASSERT_TRUE(w.Post(kEventKillPopup));
  ASSERT_TRUE(Settle());
  EXPECT_TRUE(Owner::Toolboxes().empty());
  EXPECT_FALSE(w.Disabled(owner.tools));
}

}  // namespace
}  // namespace kv
