// The help pages (その他 → 解説, F1; the English one in English) and the manual page against
// the program they describe: every entry of the menu table, every key and every option of
// the options file must be there, in the page's own language, so that a new entry without
// its help fails here.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "play/form1.h"
#include "play/game_record.h"
#include "play/menu.h"
#include "play/options.h"

namespace korvel {
namespace {

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The page of the window's language, which the tests set: the captions are looked up in it.
std::string ThePage() {
  static const std::string ja = ReadWhole(std::string(KORVEL4_RESOURCES) + "/" + HELP_PAGE);
  static const std::string en = ReadWhole(std::string(KORVEL4_RESOURCES) + "/" + HELP_PAGE_EN);
  return CurrentLanguage() == Language::ENGLISH ? en : ja;
}

// Each test of a page runs for the Japanese page and for the English one.
class HelpPage : public ::testing::TestWithParam<Language> {
 protected:
  void SetUp() override { SetLanguage(GetParam()); }
  void TearDown() override { SetLanguage(Language::JAPANESE); }
};

// The part of the page under <h2 id="ID"> up to the next <h2.
std::string Section(const std::string& page, const std::string& id) {
  const std::string head = "<h2 id=\"" + id + "\"";
  const size_t begin = page.find(head);
  if (begin == std::string::npos) return "";
  const size_t end = page.find("<h2", begin + head.size());
  return page.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

// The rows of the tables in a piece of the page, each from its <tr to its </tr>.
std::vector<std::string> Rows(const std::string& html) {
  std::vector<std::string> rows;
  for (size_t at = html.find("<tr"); at != std::string::npos; at = html.find("<tr", at + 3)) {
    const size_t end = html.find("</tr>", at);
    rows.push_back(html.substr(at, end == std::string::npos ? std::string::npos : end - at));
  }
  return rows;
}

std::string Menu(const std::string& caption) { return "<span class=\"menu\">" + caption + "</span>"; }

// A key as the page writes it: Qt's portable name, the arrows as arrows.
std::string Key(const std::string& shortcut) {
  static const std::map<std::string, std::string> arrows = {{"Left", "←"}, {"Right", "→"}};
  const auto it = arrows.find(shortcut);
  return "<kbd>" + (it == arrows.end() ? shortcut : it->second) + "</kbd>";
}

// "対局 ▸ 対局 ▸ 1_PLAY ▸ １番目" for each entry of the menu bar that opens no menu, by index.
std::map<size_t, std::string> MenuPaths() {
  const std::vector<MenuEntry>& table = MenuTable();
  std::map<size_t, std::string> paths;
  std::vector<std::string> open;  // open[k]: the caption of the menu at level k + 1
  for (size_t i = 0; i < table.size(); ++i) {
    const MenuEntry& e = table[i];
    if (e.level < 1) continue;
    open.resize(e.level - 1);
    std::string path;
    for (const std::string& menu : open) path += Menu(menu) + " ▸ ";
    path += Menu(Text(e.caption));
    if (OpensMenu(i))
      open.push_back(Text(e.caption));
    else
      paths[i] = path;
  }
  return paths;
}

bool AnyRowHas(const std::vector<std::string>& rows, const std::vector<std::string>& parts) {
  for (const std::string& row : rows) {
    bool all = true;
    for (const std::string& part : parts) all = all && row.find(part) != std::string::npos;
    if (all) return true;
  }
  return false;
}

TEST_P(HelpPage, IsUtf8TextThatSaysSoToTheBrowser) {
  const std::string page = ThePage();
  ASSERT_GT(page.size(), 1000u) << "the help page is missing: " << KORVEL4_RESOURCES;
  EXPECT_TRUE(IsUtf8Text(page));
  // The browser takes the encoding from this line; without it the page may be read as
  // another encoding and show garbage.
  EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
  EXPECT_LT(page.find("<meta charset=\"utf-8\">"), page.find("<title>"));
  EXPECT_NE(page.find(GetParam() == Language::ENGLISH ? "<html lang=\"en\">" : "<html lang=\"ja\">"),
            std::string::npos);
}

TEST_P(HelpPage, EveryLinkWithinThePageFindsItsPlace) {
  const std::string page = ThePage();
  std::set<std::string> ids;
  const std::regex id("id=\"([^\"]+)\"");
  for (std::sregex_iterator it(page.begin(), page.end(), id), end; it != end; ++it)
    EXPECT_TRUE(ids.insert((*it)[1]).second) << "two places named " << (*it)[1];
  const std::regex link("href=\"#([^\"]+)\"");
  int links = 0;
  for (std::sregex_iterator it(page.begin(), page.end(), link), end; it != end; ++it, ++links)
    EXPECT_TRUE(ids.count((*it)[1])) << "a link to #" << (*it)[1] << " leads nowhere";
  EXPECT_GT(links, 20);
}

// Each entry of the menus, the network's included, has a row of the menu list with its
// whole path and its key; each menu of the bar has its Alt key there.
TEST_P(HelpPage, TheMenuListHasEveryEntryOfTheMenuTableWithItsKey) {
  const std::vector<std::string> rows = Rows(Section(ThePage(), "menu"));
  ASSERT_FALSE(rows.empty()) << "no menu list (<h2 id=\"menu\">)";
  const std::vector<MenuEntry>& table = MenuTable();
  const std::map<size_t, std::string> paths = MenuPaths();
  int entries = 0;
  for (const auto& [index, path] : paths) {
    const MenuEntry& e = table[index];
    SCOPED_TRACE(e.control);
    std::vector<std::string> parts = {path};
    if (e.shortcut) parts.push_back(Key(e.shortcut));
    EXPECT_TRUE(AnyRowHas(rows, parts)) << "no row of the menu list has " << path
                                        << (e.shortcut ? " with " + Key(e.shortcut) : "");
    ++entries;
  }
  EXPECT_GE(entries, 30);
  for (const MenuEntry& e : table) {
    if (e.level != 1 || !e.mnemonic) continue;
    SCOPED_TRACE(e.control);
    EXPECT_TRUE(
        AnyRowHas(rows, {Menu(Text(e.caption)), Key(std::string("Alt+") + e.mnemonic)}));
  }
}

// Every key of the window, those in no menu included, is in the list of keys beside what
// it chooses.
TEST_P(HelpPage, TheListOfKeysHasEveryShortcut) {
  const std::vector<std::string> rows = Rows(Section(ThePage(), "keys"));
  ASSERT_FALSE(rows.empty()) << "no list of keys (<h2 id=\"keys\">)";
  int keys = 0;
  for (const MenuEntry& e : MenuTable()) {
    if (!e.shortcut) continue;
    SCOPED_TRACE(e.control);
    std::vector<std::string> parts = {Key(e.shortcut)};
    if (*Text(e.caption)) parts.push_back(Menu(Text(e.caption)));
    EXPECT_TRUE(AnyRowHas(rows, parts)) << Key(e.shortcut) << " " << Text(e.caption);
    ++keys;
  }
  EXPECT_GE(keys, 9);
  for (const MenuEntry& e : MenuTable()) {
    if (e.level == 1 && e.mnemonic) {
      EXPECT_TRUE(AnyRowHas(rows, {Key(std::string("Alt+") + e.mnemonic), Menu(Text(e.caption))}))
          << Text(e.caption);
    }
  }
  EXPECT_TRUE(AnyRowHas(rows, {Key("Esc")}));
}

// Every line the options file keeps, with the value a new player starts with.
TEST_P(HelpPage, EveryLineOfTheOptionsFileIsDescribedWithItsDefault) {
  const std::string files = Section(ThePage(), "files");
  ASSERT_FALSE(files.empty());
  EXPECT_NE(files.find(OPTIONS_FILE), std::string::npos);
  EXPECT_NE(files.find(SETTINGS_FILE), std::string::npos);
  EXPECT_NE(files.find(UNFINISHED_GAME_FILE), std::string::npos);
  std::istringstream lines(FormatOptionsFile(Options()));
  int count = 0;
  for (std::string line; std::getline(lines, line); ++count)
    EXPECT_NE(files.find("<td>" + line + "</td>"), std::string::npos) << line;
  EXPECT_GE(count, 6);
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, HelpPage,
                         ::testing::Values(Language::JAPANESE, Language::ENGLISH),
                         [](const ::testing::TestParamInfo<Language>& i) {
                           return i.param == Language::ENGLISH ? "English" : "Japanese";
                         });

// The manual page lists every key of the window under KEYS, by Qt's own name.
TEST(ManualPage, ListsEveryShortcut) {
  const std::string manual = ReadWhole(KORVEL4_MANUAL_PAGE);
  ASSERT_FALSE(manual.empty()) << KORVEL4_MANUAL_PAGE;
  const size_t keys = manual.find(".SH KEYS");
  ASSERT_NE(keys, std::string::npos);
  const std::string section = manual.substr(keys, manual.find(".SH", keys + 3) - keys);
  for (const MenuEntry& e : MenuTable()) {
    if (e.shortcut) {
      EXPECT_NE(section.find(std::string(".B ") + e.shortcut + "\n"), std::string::npos)
          << e.shortcut;
    }
    if (e.level == 1 && e.mnemonic) {
      EXPECT_NE(section.find(std::string("Alt+") + e.mnemonic), std::string::npos)
          << Text(e.caption);
    }
  }
  // Every level of the computer is named.
  for (const MenuEntry& e : MenuTable()) {
    if (std::string(e.control).starts_with("LEVEL") && e.level > 0 && e.handler) {
      EXPECT_NE(manual.find(Text(e.caption)), std::string::npos) << Text(e.caption);
    }
  }
}

}  // namespace
}  // namespace korvel
