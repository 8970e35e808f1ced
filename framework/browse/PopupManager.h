#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/thread/CriticalSection.h"
#include "platform/values/FixedText.h"
#include "platform/window/Window.h"

namespace kv {

class IniManager;
class WindowTranslator;

// One row of a pop-up manager's item list (POPUPITEMS), in menu order.
struct PopupItem {
  std::int32_t CONTROLID = 0;  // control the item posts to, or mimics
  // Nesting level, 1 = top level. An item followed by a deeper one is the title of the
  // sub-menu that the deeper items form; a title cannot be chosen.
  std::int32_t DEPTH = 1;
  std::int32_t EVENT = 0;      // event posted to CONTROLID when chosen (0: none)
  std::uint8_t MIMICMODE = 0;  // 1: follow CONTROLID's text, state and icon; choosing presses it
  std::uint8_t DISABLED = 0;   // 0: follow the mimicked control; 1: disabled; 2: enabled
  std::uint8_t CHECK = 0;      // 0: no check mark; 1: checked; 2: unchecked
  std::uint8_t ONTOOLBOX = 0;  // shown as a button of the toolbox window
  CString<256> ICON;           // icon name, empty for none
  CString<1025> NAME;          // unique within the manager
  CString<1025> TEXT;          // text shown; "-" is a separator
};

// Keeps an ordered list of menu items, turns it into the menu-definition string that the
// runtime's pop-up menu takes (platform/window/MenuDefinition.h), shows the menu and acts on the
// choice: an item posts its event to a control of the window, or mimics a button (it takes the
// button's text, enabled state and icon at the moment the menu opens, and choosing it presses
// the button). The same items can be shown as the toolbox, a small tool window of buttons that
// runs on a logical thread of its own while its owner stays usable.
//
//   PopupManager popup;
//   popup.Init();                                         // on the window's thread
//   popup.AddItemMimic("!&Insert", "Insert", kInsertButton);
//   popup.AddMenu("Sort{By &Code|By &Name}");
//   popup.AddItemEvent("ByCode", kEventSortByCode, kList);
//   std::string chosen = popup.Ask();                     // "" when the menu was dismissed
//   popup.Kill();
//
// Item texts carry marks when they are added (every adding operation): leading "~" makes the
// item disabled, "+" checked and "-" unchecked (a text that is exactly "-" is a separator); the
// rest is the text. A text beginning with "!" on a mimicking item means: the button's own text
// when it has one, else this text without the "!". "&" marks the hot key.
//
// Names: every item has a name unique within the manager (MakeName); operations on a name
// that is not there do nothing. All name look-ups compare the whole name, case included.
//
// Threads. The manager belongs to the logical thread that ran Init (MYTHREAD); it alone adds,
// changes and deletes items and calls Kill. Chosen items post their events to the window they
// belong to, on that thread: from a menu, the thread's active window; from the toolbox, the
// window that was active when it opened (PARENTWINDOW). The toolbox thread reads the items
// while the owner may change them: `lock_` guards POPUPITEMS, LASTSELECTION,
// LASTNUMBERSELECTION and THISWINDOW, and is never held while a menu or window is shown or
// waited for. Read those fields through the operations below while a toolbox may be open.
//
// Life: construct -> Init -> (add items, Ask, Toolbox) -> Kill; Kill is safe to call twice, and
// the destructor calls it.
class PopupManager {
 public:
  PopupManager() = default;
  virtual ~PopupManager();
  PopupManager(const PopupManager&) = delete;
  PopupManager& operator=(const PopupManager&) = delete;

  // ---- Fields, in declaration order.

  // Clear the thread's key code before posting a chosen item's event (1 after Init), so that
  // the key that opened the menu does not act again on the window.
  std::uint8_t CLEARKEYCODE = 0;
  CString<1024> LASTSELECTION;           // name of the item chosen last; "" when dismissed
  std::int32_t LASTNUMBERSELECTION = 0;  // the number the menu or toolbox answered (0: none)
  std::unique_ptr<std::vector<PopupItem>> POPUPITEMS;  // null before Init and after Kill
  WindowTranslator* TRANSLATOR = nullptr;  // not owned; TranslateText applies to item texts
  IniManager* INIMGR = nullptr;            // not owned; kept for derived managers, unused here
  std::atomic<std::uint8_t> INTOOLBOX{0};  // the toolbox is open (set by Toolbox, cleared by
                                           // the toolbox thread as its last step)
  std::int32_t MYTHREAD = 0;               // thread that ran Init
  Window PARENTWINDOW;                     // owner of the toolbox window, set by Toolbox
  Window THISWINDOW;                       // the toolbox window while it is open

  // ---- Life.

  // Creates an empty POPUPITEMS; CLEARKEYCODE := 1; MYTHREAD := the calling thread;
  // LASTNUMBERSELECTION := 0. Thread: the owning thread (it becomes MYTHREAD).
  void Init();
  // Closes the toolbox when it is open and waits for its thread to end, then disposes of
  // POPUPITEMS. A second call does nothing. Thread: the owning thread.
  void Kill();

  // ---- Adding items. Each answers the name the item got ("" before Init).

  // Appends an item with `text` at the depth of the last item (1 in an empty menu), named
  // MakeName(text) ("Separator", "Separator1", ... for "-").
  std::string AddItem(std::string_view text);
  // Appends an item with `text` at the depth of the last item, named MakeName(name).
  std::string AddItem(std::string_view text, std::string_view name);
  // Inserts an item with `text`, named MakeName(name), right after the item called
  // `afterName`, or at the end when there is none. Depth 0 takes that item's depth (1 when
  // there is none).
  std::string AddItem(std::string_view afterName, std::string_view name, std::string_view text,
                      std::int32_t depth);
  // Makes the item called `name` (appended with `name` as its text when there is none) post
  // `event` to `control` when chosen, and puts it on the toolbox (MIMICMODE 0, ONTOOLBOX 1).
  std::string AddItemEvent(std::string_view name, std::int32_t event, std::int32_t control);
  // AddItemEvent(name, accepted, control), then TEXT := text, MIMICMODE 1, ONTOOLBOX 1: the
  // item follows button `control` and presses it.
  std::string AddItemMimic(std::string_view text, std::string_view name, std::int32_t control);
  // Parses `menuText` into items inserted after the item called `afterName`, at its depth (at
  // the end, at depth 1, when there is none): "|" ends an item, "{" ends it and goes one level
  // deeper, "}" ends it and goes one level up; empty texts add nothing. Each item is named
  // MakeName(its text) and takes the marks above. "Edit{Copy|Paste}|-|Close" after an item of
  // depth 1 adds Edit (1), Copy (2), Paste (2), a separator (1) and Close (1).
  void AddMenu(std::string_view menuText, std::string_view afterName = {});
  // AddMenu(title "{" subItems "}", afterName): a sub-menu titled `title`.
  void AddSubMenu(std::string_view title, std::string_view subItems,
                  std::string_view afterName = {});

  // ---- Items by name.

  void DeleteItem(std::string_view name);  // removes that item only (not the items below it)
  // Position (from 1) of the item called `name`; 0 when there is none.
  std::size_t Locate(std::string_view name) const;
  // With `flag` false the number of items; with it true the number of items that are not
  // separators and not deeper than the item before them (the first compared with depth 1).
  std::int32_t GetItems(bool flag = false) const;
  std::string GetLastSelection() const;  // LASTSELECTION
  void SetIcon(std::string_view name, std::string_view icon);
  // DISABLED := 2 (enable) or 1; separators are left alone.
  void SetItemEnable(std::string_view name, bool enable);
  void SetToolbox(std::string_view name, bool onToolbox);

  // ---- Showing.

  // Shows the menu and acts on the choice. Clears the calling thread's key code and shows the
  // runtime's pop-up menu built by BuildMenuText at (x, y) in the active window's dialog units
  // (a coordinate of 0 takes the runtime's default place: at the mouse, or below the highlighted
  // row of a list whose context-menu key opened it). On the toolbox's own thread, while the
  // toolbox is open, it serves the toolbox window instead: it runs that window's event loop
  // until a button is pressed (answering its item) or the window is closed (answering "").
  // LASTNUMBERSELECTION := the number answered; LASTSELECTION := ItemNameAt of it, "" when
  // nothing was chosen. A chosen item with an EVENT, or a mimicking one, posts its event (the
  // accepted event for a mimic) to CONTROLID, first clearing the key code when CLEARKEYCODE;
  // an item that is disabled at that moment (or whose mimicked button is) posts nothing.
  // Answers LASTSELECTION. Blocks until the user answers; holds no lock meanwhile.
  // Thread: the owning thread (menus), or the toolbox thread (its loop).
  std::string Ask(std::int32_t x = 0, std::int32_t y = 0);
  // Opens the toolbox titled `title` on a new logical thread, owned by the calling thread's
  // active window (PARENTWINDOW), and returns at once; does nothing while it is open. While it
  // is open the controls of the items that are not on it are disabled (the button that opened
  // it, typically); they are enabled again when it closes, unless their item is disabled.
  // The toolbox shows one button per item on it that can be chosen (not a sub-menu title):
  // its icon with the text as tool tip, or its text; its label is "?" and the item's name.
  // Every timer tick rebuilds the buttons from the items (texts, states and icons of mimicked
  // buttons included). Pressing a button acts as choosing the item from the menu. The toolbox
  // closes with its close box (on the desktop also with Escape) or with Kill.
  // Thread: the owning thread.
  void Toolbox(std::string_view title);

  // ---- The pieces the operations above are made of.

  // A name no item has yet: the text clipped of trailing blanks with every character removed
  // that is not an ASCII letter, digit or underscore ("Separator" for "-"), then that base,
  // base "1", base "2", ... whichever is free first ("!&Insert" gives Insert, then Insert1).
  std::string MakeName(std::string_view text) const;
  // `item` as it is shown now: a mimicking item takes the text of `window`'s control CONTROLID
  // when that is not blank and TEXT begins with "!" or is blank, loses a leading "!", takes the
  // control's state when DISABLED is 0 (1 disabled, else 2) and its icon when ICON is blank.
  // Items that do not mimic are left as they are. Thread: any.
  static void SyncWithMimic(PopupItem& item, const Window& window);
  // The menu-definition string of the items, synchronised against the calling thread's active
  // window: per item "|" (same depth as the item before; the first is compared with depth 1),
  // "{" (deeper) or "}" (shallower), one mark per change of depth however large; then "~" for
  // DISABLED 1, "+" for CHECK 1 or "-" for CHECK 2; then, when any item has an icon and this one
  // is not a separator, the property block "[31848(~ICON)," (only with an icon)
  // "31290(<system property 31289>)]"; then the text (translated when TRANSLATOR is set). An
  // item whose text is empty is written as one blank, so that it keeps its place in the menu's
  // numbering.
  std::string BuildMenuText() const;
  // Name of the n-th item that can be chosen (from 1): in a menu, an item that is not a
  // separator; on the toolbox, an item on it; in both, not a sub-menu title. "" when there is
  // no n-th.
  std::string ItemNameAt(std::int32_t n, bool toolbox = false) const;
  // `text` without hot-key marks ("&&" stands for "&"), cut to 100 bytes without splitting a
  // character.
  static std::string StripHotkeys(std::string_view text);

 private:
  std::vector<PopupItem> Items() const;  // a copy of POPUPITEMS, taken under lock_
  std::size_t LocateLocked(std::string_view name) const;
  std::string InsertLocked(std::size_t after, std::string_view name, std::string_view text,
                           std::int32_t depth);
  Window TargetWindow() const;  // the window chosen items belong to, on the calling thread
  bool OnToolboxThread() const;
  std::int32_t ShowMenu(std::int32_t x, std::int32_t y);
  void ActOnChoice(const std::string& name, const Window& target);

  // The toolbox (PopupToolbox.cpp); run on the toolbox thread.
  void RunToolbox(std::string title);
  std::int32_t ServeToolbox(const Window& toolbox);
  void RefreshToolbox(Window toolbox);
  void SetOtherControls(bool disable);

  mutable CriticalSection lock_;
  std::atomic<int> toolboxThread_{0};  // the toolbox's logical thread, 0 when none ran yet
  bool stopToolbox_ = false;           // guarded by lock_: Kill asked the toolbox to close
  std::vector<int> toolButtons_;       // toolbox thread only: control number of button k
};

}  // namespace kv
