// The package's menu lookup routines, called through its exports, on menus of
// the reference IDE and on menus made for the case at hand.
#include <gtest/gtest.h>

#include "host/vcl/forms.h"
#include "tests/support/ide_session.h"

namespace {

using host::AnsiString;
using host::TMenuItem;

using FindFn = TMenuItem* (*)(TMenuItem*, const AnsiString&);
using CompleteFn = AnsiString (*)(TMenuItem*, const AnsiString&);
using ExecuteFn = bool (*)(const AnsiString&);

class MenuLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    host::RegistryLocation::UseMemory();
    fleetforge_test::StoreOptions({.CreateCompDate = true});
    session_ = fleetforge_test::MakeSession();
    session_->StartUp();
    const host::HMODULE package = session_->GetIde().Package();
    find_ = reinterpret_cast<FindFn>(const_cast<void*>(
        host::GetProcAddress(package, "FleetforgeGlobal.FindMenuItem(TMenuItem,AnsiString)")));
    complete_ = reinterpret_cast<CompleteFn>(const_cast<void*>(
        host::GetProcAddress(package, "FleetforgeGlobal.CompleteMenuName(TMenuItem,AnsiString)")));
    execute_ = reinterpret_cast<ExecuteFn>(const_cast<void*>(
        host::GetProcAddress(package, "FleetforgeGlobal.ExecuteMenuItem(AnsiString)")));
    ASSERT_TRUE(find_ && complete_ && execute_);
    root_ = std::make_unique<TMenuItem>(nullptr);
  }
  void TearDown() override {
    root_.reset();
    session_.reset();
    host::RegistryLocation::Reset();
  }
  // Adds an item named name under parent.
  TMenuItem* Add(TMenuItem* parent, const char* name, const char* caption = "") {
    auto* item = new TMenuItem(nullptr);
    item->SetName(name);
    item->SetCaption(caption);
    parent->Add(item);
    return item;
  }
  host::TMenuItem* IdeMenu() { return session_->GetIde().MainMenu()->Items(); }

  std::unique_ptr<ide::Session> session_;
  std::unique_ptr<TMenuItem> root_;
  FindFn find_ = nullptr;
  CompleteFn complete_ = nullptr;
  ExecuteFn execute_ = nullptr;
};

TEST_F(MenuLookup, FindsByExactNameDepthFirstInMenuOrder) {
  TMenuItem* file = Add(root_.get(), "FileMenu");
  TMenuItem* nested = Add(file, "Twin");
  Add(root_.get(), "Twin");  // later, at the top level
  EXPECT_EQ(find_(root_.get(), "Twin"), nested) << "the earlier submenu's item wins";
  EXPECT_EQ(find_(root_.get(), "twin"), nullptr) << "letter case counts";
  EXPECT_EQ(find_(root_.get(), "Twi"), nullptr) << "no prefix match";
  EXPECT_EQ(find_(root_.get(), "Twin "), nullptr) << "no trimming";
}

TEST_F(MenuLookup, MatchingItemIsReturnedBeforeItsOwnSubItems) {
  TMenuItem* outer = Add(root_.get(), "Same");
  Add(outer, "Same");
  EXPECT_EQ(find_(root_.get(), "Same"), outer);
  EXPECT_EQ(find_(outer, "Same"), outer->Items(0)) << "the starting item itself is never compared";
}

TEST_F(MenuLookup, EmptyNamesNeverMatch) {
  Add(root_.get(), "");
  EXPECT_EQ(find_(root_.get(), ""), nullptr);
  EXPECT_EQ(complete_(root_.get(), ""), "") << "an empty part occurs nowhere";
}

TEST_F(MenuLookup, CompleteIgnoresLetterCaseAndKeepsTheItemsOwn) {
  EXPECT_EQ(complete_(IdeMenu(), "closeall"), "FileCloseAllItem");
  EXPECT_EQ(complete_(IdeMenu(), "FILECLOSEALLITEM"), "FileCloseAllItem");
  EXPECT_EQ(complete_(IdeMenu(), "NoSuchThing"), "");
  TMenuItem* a = Add(root_.get(), "Alpha");
  Add(a, "AlphaBeta");
  EXPECT_EQ(complete_(root_.get(), "alpha"), "Alpha") << "an item before its sub-items";
  EXPECT_EQ(complete_(root_.get(), "BETA"), "AlphaBeta");
}

TEST_F(MenuLookup, UpperCaseChangesOnlyTheLettersAToZ) {
  Add(root_.get(),
      "Gr\xe4"
      "fin");  // a Latin-1 a-umlaut stays as it is
  EXPECT_EQ(complete_(root_.get(),
                      "gr\xe4"
                      "f"),
            "Gr\xe4"
            "fin");
  EXPECT_EQ(complete_(root_.get(),
                      "GR\xc4"
                      "F"),
            "")
      << "\xe4 and \xc4 are different to the host's UpperCase";
}

TEST_F(MenuLookup, ExecuteClicksTheIdesOwnCommand) {
  ASSERT_FALSE(session_->GetIde().ProjectFile().empty());
  EXPECT_FALSE(execute_("fileCloseAllItem"));
  EXPECT_FALSE(session_->GetIde().ProjectFile().empty()) << "nothing clicked";
  EXPECT_TRUE(execute_("FileCloseAllItem"));
  EXPECT_TRUE(session_->GetIde().ProjectFile().empty()) << "Close All closed the project";
}

TEST_F(MenuLookup, ExecuteWithoutMainMenuFindsNothing) {
  host::TForm* main_form = host::Application->MainForm();
  host::TMainMenu* menu = main_form->Menu();
  main_form->SetMenu(nullptr);
  EXPECT_FALSE(execute_("FileCloseAllItem"));
  main_form->SetMenu(menu);
}

}  // namespace
