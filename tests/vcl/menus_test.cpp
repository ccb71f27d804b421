// Menus: hot-key markers and caption comparison, Find, Insert, Remove, Click,
// and what freeing an item or its owner does to the tree.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/vcl/actnlist.h"
#include "host/vcl/menus.h"
#include "tests/vcl/host_fixture.h"

namespace {

using host::TMenuItem;
using host_test::EventLog;
using host_test::ExpectHostError;

TEST(Captions, StripHotkeyRemovesMarkersAndKeepsDoubledOnes) {
  struct Case {
    const char* caption;
    const char* stripped;
  };
  const Case cases[] = {
      {"&File", "File"},   {"Close &All", "Close All"},
      {"&&Save", "&Save"}, {"A&&B&C", "A&BC"},
      {"End&", "End"},     {"&&&x", "&x"},
      {"&&&&", "&&"},      {"", ""},
      {"&", ""},           {"No markers", "No markers"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    EXPECT_EQ(host::StripHotkey(c.caption), c.stripped);
  }
}

TEST(Captions, SameCaptionIgnoresMarkersAndLetterCase) {
  struct Case {
    const char* a;
    const char* b;
    bool same;
  };
  const Case cases[] = {
      {"&Tools", "Tools", true},
      {"&Tools", "tools", true},
      {"&Fleetforge Options...", "FLEETFORGE OPTIONS...", true},
      {"T&ools", "&Tools", true},
      {"A&&B", "a&&b", true},  // "&&" is a literal "&"
      {"A&&B", "A&B", false},  // but "&B" is a marker before B
      {"A&&B", "AB", false},
      {"A&B", "AB", true},
      {"Tools", "Tools ", false},
      {"Tools", "Tool", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << '"' << c.a << "\" vs \"" << c.b << '"');
    EXPECT_EQ(host::AnsiSameCaption(c.a, c.b), c.same);
    EXPECT_EQ(host::AnsiSameCaption(c.b, c.a), c.same);
  }
}

class Menus : public host_test::HostTest {
 protected:
  TMenuItem* Item(const char* caption, TMenuItem* parent = nullptr) {
    auto* item = new TMenuItem(&owner_);
    item->SetCaption(caption);
    if (parent != nullptr) parent->Add(item);
    return item;
  }
  static std::vector<std::string> Captions(const TMenuItem* parent) {
    std::vector<std::string> captions;
    for (host::Integer i = 0; i < parent->Count(); ++i)
      captions.push_back(parent->Items(i)->Caption());
    return captions;
  }
};

TEST_F(Menus, FindLooksAtDirectChildrenOnly) {
  TMenuItem* root = Item("");
  TMenuItem* file = Item("&File", root);
  TMenuItem* tools = Item("&Tools", root);
  Item("Close &All", file);
  TMenuItem* second_tools = Item("T&ools", root);
  EXPECT_EQ(root->Find("tools"), tools) << "the first match";
  EXPECT_EQ(root->Find("FILE"), file);
  EXPECT_EQ(root->Find("Close All"), nullptr) << "a grandchild is not found";
  EXPECT_EQ(file->Find("close all"), file->Items(0));
  EXPECT_EQ(root->Find("Edit"), nullptr);
  EXPECT_EQ(root->IndexOf(second_tools), 2);
  EXPECT_EQ(root->IndexOf(file->Items(0)), -1);
}

TEST_F(Menus, InsertPutsTheItemBeforeTheIndex) {
  TMenuItem* tools = Item("&Tools");
  Item("&Environment Options...", tools);
  Item("&Editor Options...", tools);
  tools->Insert(0, Item("&Fleetforge Options..."));
  tools->Insert(2, Item("Middle"));
  tools->Insert(tools->Count(), Item("Last"));
  EXPECT_EQ(Captions(tools),
            (std::vector<std::string>{"&Fleetforge Options...", "&Environment Options...", "Middle",
                                      "&Editor Options...", "Last"}));
  EXPECT_EQ(tools->Items(0)->Parent(), tools);
  tools->Insert(0, nullptr);  // nothing to insert
  EXPECT_EQ(tools->Count(), 5);
}

TEST_F(Menus, InsertAndItemsRaiseMenuErrors) {
  TMenuItem* tools = Item("&Tools");
  TMenuItem* file = Item("&File");
  TMenuItem* entry = Item("Entry", tools);
  ExpectHostError<host::EMenuError>([&] { file->Insert(0, entry); }, "Menu inserted twice");
  EXPECT_EQ(entry->Parent(), tools);
  TMenuItem* loose = Item("Loose");
  ExpectHostError<host::EMenuError>([&] { tools->Insert(3, loose); }, "Menu index out of range");
  ExpectHostError<host::EMenuError>([&] { tools->Insert(-1, loose); }, "Menu index out of range");
  EXPECT_EQ(loose->Parent(), nullptr);
  EXPECT_EQ(tools->Count(), 1);
  ExpectHostError<host::EMenuError>([&] { tools->Items(1); }, "Menu index out of range");
  ExpectHostError<host::EMenuError>([&] { tools->Items(-1); }, "Menu index out of range");
}

TEST_F(Menus, RemoveUnlinksWithoutFreeingAndRejectsNonChildren) {
  TMenuItem* tools = Item("&Tools");
  TMenuItem* entry = Item("Entry", tools);
  TMenuItem* sub = Item("Sub", entry);
  TMenuItem* other = Item("Other");
  ExpectHostError<host::EMenuError>([&] { tools->Remove(other); }, "Sub-menu is not in menu");
  // A grandchild is not a sub-menu of this item.
  ExpectHostError<host::EMenuError>([&] { tools->Remove(sub); }, "Sub-menu is not in menu");
  ExpectHostError<host::EMenuError>([&] { tools->Remove(nullptr); }, "Sub-menu is not in menu");
  tools->Remove(entry);
  EXPECT_EQ(tools->Count(), 0);
  EXPECT_EQ(entry->Parent(), nullptr);
  EXPECT_EQ(entry->Count(), 1) << "the removed item keeps its own sub-items";
  ExpectHostError<host::EMenuError>([&] { tools->Remove(entry); }, "Sub-menu is not in menu");
  tools->Add(entry);  // and can go back in
  EXPECT_EQ(tools->Items(0), entry);
}

// A menu item that writes its caption into a shared list when it is freed.
class TrackedItem : public TMenuItem {
 public:
  TrackedItem(host::TComponent* owner, const char* caption, std::vector<std::string>* freed)
      : TMenuItem(owner), freed_(freed) {
    SetCaption(caption);
  }
  ~TrackedItem() override { freed_->push_back(Caption()); }

 private:
  std::vector<std::string>* freed_;
};

TEST_F(Menus, FreeingAnItemTakesItOutAndFreesItsSubItems) {
  std::vector<std::string> freed;
  auto* tools = new TrackedItem(nullptr, "Tools", &freed);
  auto* entry = new TrackedItem(nullptr, "Entry", &freed);
  tools->Add(entry);
  tools->Add(new TrackedItem(nullptr, "After", &freed));
  entry->Add(new TrackedItem(nullptr, "Sub1", &freed));
  entry->Add(new TrackedItem(nullptr, "Sub2", &freed));
  delete entry;
  EXPECT_EQ(freed, (std::vector<std::string>{"Entry", "Sub2", "Sub1"}));
  EXPECT_EQ(Captions(tools), (std::vector<std::string>{"After"}));
  delete tools;
  EXPECT_EQ(freed.back(), "After");
}

TEST_F(Menus, FreeingTheOwnerTakesItsItemsOutOfAnotherOwnersMenu) {
  // The IDE's menu holds an entry that an add-in's component owns.
  host::TMainMenu menu(nullptr);
  TMenuItem* tools = new TMenuItem(&menu);
  tools->SetCaption("&Tools");
  menu.Items()->Add(tools);
  tools->Add(Item("Before"));
  auto* addin = new host::TComponent(nullptr);
  auto* entry = new TMenuItem(addin);
  entry->SetCaption("&Fleetforge Options...");
  tools->Insert(0, entry);
  delete addin;
  EXPECT_EQ(Captions(tools), (std::vector<std::string>{"Before"}));

  // The other way round: the menu goes first, and the owner loses the freed item.
  auto* owner = new host::TComponent(nullptr);
  auto* other = new host::TMainMenu(nullptr);
  auto* item = new TMenuItem(owner);
  other->Items()->Add(item);
  delete other;
  EXPECT_EQ(owner->ComponentCount(), 0);
  delete owner;
}

TEST_F(Menus, ClickRunsOnClickOrElseTheAction) {
  TMenuItem* item = Item("&Run");
  item->Click();  // no command: nothing
  host::TAction action(nullptr);
  action.SetOnExecute({&log_, &EventLog::ClickB});
  item->SetAction(&action);
  item->Click();
  item->SetOnClick({&log_, &EventLog::ClickA});
  item->Click();
  item->SetEnabled(false);
  item->Click();
  const EventLog::Entries expected = {{"clickB", &action}, {"clickA", item}};
  EXPECT_EQ(log_.entries, expected);
}

}  // namespace
