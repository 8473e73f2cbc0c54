// The menu table's own rules: what the window builds from it and what the runner finds in
// it stay consistent whatever entry is added.
#include "play/menu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "support/fake_ports.h"

namespace korvel {
namespace {


TEST(MenuTable, NamesShortcutsAndMnemonicsAreUniqueAndTheTreeIsWellFormed) {
  const std::vector<MenuEntry>& table = MenuTable();
  ASSERT_FALSE(table.empty());
  EXPECT_EQ(table.front().level, 1);
  std::set<std::string> names, shortcuts;
  // The mnemonics of the menus that open from the same place.
  std::map<size_t, std::set<char>> mnemonics;
  std::vector<size_t> parents;  // parents[k]: the menu that holds the entries of level k + 2
  bool keys = false;            // past the menu bar, into the window's own keys
  for (size_t i = 0; i < table.size(); ++i) {
    const MenuEntry& e = table[i];
    SCOPED_TRACE(e.control);
    EXPECT_TRUE(names.insert(e.control).second) << "a second entry of that name";
    EXPECT_FALSE(std::string(e.control).empty());
    if (i > 0) {
      EXPECT_LE(e.level, table[i - 1].level + 1) << "a level skipped";
    }
    if (e.level == 0) {
      keys = true;
    } else {
      EXPECT_FALSE(keys) << "a menu entry after the window's keys";
    }
    if (e.shortcut) {
      EXPECT_TRUE(shortcuts.insert(e.shortcut).second) << "a second " << e.shortcut;
    }
    parents.resize(std::max(e.level - 1, 0));
    if (e.mnemonic) {
      const size_t parent = parents.empty() ? table.size() : parents.back();
      EXPECT_TRUE(mnemonics[parent].insert(e.mnemonic).second) << "a second Alt+" << e.mnemonic;
      EXPECT_TRUE(e.mnemonic >= 'A' && e.mnemonic <= 'Z');
    }
    if (OpensMenu(i)) {
      parents.push_back(i);
      EXPECT_EQ(e.handler, nullptr);
      EXPECT_EQ(e.check, nullptr);
      EXPECT_EQ(e.task, WindowTask::NONE);
      EXPECT_EQ(e.shortcut, nullptr);
      EXPECT_EQ(e.flags, 0u);
      continue;
    }
    // Every other entry does one thing: a handler of Form1 or a task of the window's.
    EXPECT_NE(e.handler == nullptr, e.task == WindowTask::NONE);
    if (e.level == 0) {
      EXPECT_NE(e.shortcut, nullptr) << "a key of the window in no menu needs its key";
      EXPECT_NE(e.task, WindowTask::NONE);
    }
    if (e.check) {
      EXPECT_NE(e.handler, nullptr) << "a mark the runner could not change";
    }
    if (e.Has(GAME_MODE) || e.Has(WHILE_BUSY)) {
      EXPECT_NE(e.handler, nullptr);
    }
    const bool networkTask = e.task == WindowTask::NET_GAME || e.task == WindowTask::NET_LEAVE;
    EXPECT_EQ(e.Has(NETWORK), networkTask);
    if (e.Has(NETWORK_ON)) {
      EXPECT_TRUE(e.Has(NETWORK));
      EXPECT_FALSE(e.Has(LOCAL_GAME));
    }
  }
  // Each task of the window is done by one entry.
  std::map<WindowTask, int> tasks;
  for (const MenuEntry& e : table)
    if (e.task != WindowTask::NONE) ++tasks[e.task];
  EXPECT_EQ(tasks.size(), 10u);
  for (const auto& [task, n] : tasks) EXPECT_EQ(n, 1) << static_cast<int>(task);
}

TEST(MenuTable, TheRunnerFindsEveryHandlerAndNoEntryOfTheWindowAlone) {
  for (const MenuEntry& e : MenuTable()) {
    const MenuEntry* found = FindMenuHandler(e.control);
    if (e.handler) {
      EXPECT_EQ(found, &e) << e.control;
    } else {
      EXPECT_EQ(found, nullptr) << e.control << ": a menu, or the window's own";
    }
  }
  for (const char* name :
       {"", "STOP", "KIFU_OPEN", "KIFU_SAVE", "NET_GAME", "NEW_GAME", "MOVE_NOW", "jyunban_1", "JYUNBAN_1 "})
    EXPECT_EQ(FindMenuHandler(name), nullptr) << name;
}

// In either language no two entries of one menu share a caption (nor a mnemonic's menu).
TEST(MenuTable, CaptionsAreDistinctWithinEachMenuInEveryLanguage) {
  for (Language l : {Language::JAPANESE, Language::ENGLISH}) {
    const std::vector<MenuEntry>& table = MenuTable();
    std::vector<std::set<std::string>> open(1);  // the captions of each menu now open
    for (const MenuEntry& e : table) {
      if (e.level == 0) continue;
      open.resize(e.level);
      const std::string caption = TextIn(l, e.caption);
      EXPECT_FALSE(caption.empty()) << e.control;
      EXPECT_TRUE(open.back().insert(caption).second) << e.control << " " << caption;
      open.emplace_back();
    }
  }
}

// Each mark follows its own entry: chosen, the entry's own option changes (or, one of a
// set, becomes the one), and each option is shown by one entry only.
TEST(MenuTable, EachCheckMarkShowsTheOptionItsEntryChanges) {
  std::vector<bool Options::*> shown;
  for (const MenuEntry& e : MenuTable()) {
    if (!e.check) continue;
    SCOPED_TRACE(e.control);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), e.check), 0) << "an option with two marks";
    shown.push_back(e.check);
    testing::MemoryRig rig;
    Form1& form = rig.form;
    form.LoadOptionsFile();
    form.Form_Load();
    const Options before = form.TheOptions();
    (form.*(e.handler))();
    const Options& after = form.TheOptions();
    if (before.*(e.check)) {
      // Off, unless it is one of a set (a level, a background): chosen again, it stays.
      Options off = before;
      off.*(e.check) = false;
      EXPECT_TRUE(after == before || after == off);
    } else {
      EXPECT_TRUE(after.*(e.check));
    }
    // Nothing but the marks of its own set changed.
    Options rest = after;
    rest.*(e.check) = before.*(e.check);
    if (std::string(e.control).rfind("LEVEL", 0) == 0)
      rest.MarkLevel(3);
    else if (e.check == &Options::MIDORI || e.check == &Options::TATAMI ||
             e.check == &Options::TAKE || e.check == &Options::UCHU || e.check == &Options::RENGA)
      rest.MarkBackground(2);
    else if (e.check == &Options::LANG_JA || e.check == &Options::LANG_EN) {
      rest.LANG_JA = before.LANG_JA;
      rest.LANG_EN = before.LANG_EN;
      rest.languageKept = before.languageKept;
    }
    EXPECT_TRUE(rest == before);
    SetLanguage(Language::JAPANESE);
  }
}

}  // namespace
}  // namespace korvel
