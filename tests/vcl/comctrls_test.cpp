// The tab control: how its tabs flow into rows, its display rectangle, and the
// window re-creation that a change of Style or MultiLine brings.
#include <gtest/gtest.h>

#include "ide/ide.h"

#include <map>
#include <string>
#include <vector>

#include "host/vcl/comctrls.h"
#include "host/vcl/graphics.h"
#include "tests/vcl/host_fixture.h"

namespace {

using host::TRect;
using host::TTabControl;
using host_test::EventLog;

// The component palette's pages, as the reference IDE has them.
const std::vector<std::string>& kPages = ide::PalettePages();

class TabControl : public host_test::HostTest {
 protected:
  TTabControl* MakePalette(host::TTabStyle style, bool multiLine, int32_t width,
                           int32_t height = 60) {
    auto* tabs = new TTabControl(&owner_);
    tabs->SetTabs(kPages);
    tabs->SetStyle(style);
    tabs->SetMultiLine(multiLine);
    tabs->SetBounds(0, 0, width, height);
    Loop().ProcessMessages();  // the window re-creations of the set-up
    tabs->SetOnResize({&log_, &EventLog::Resize});
    return tabs;
  }

  // The rows as the tab rectangles show them: tab indexes by row top.
  static std::vector<std::vector<int32_t>> RowsOf(const TTabControl* tabs) {
    std::map<int32_t, std::vector<int32_t>> by_top;
    for (const auto& p : tabs->TabRects()) by_top[p.Bounds.Top].push_back(p.Index);
    std::vector<std::vector<int32_t>> rows;
    for (auto& [top, row] : by_top) rows.push_back(row);
    return rows;
  }

  // Every tab once, in order, rows from the top; no overlap inside a row; a row
  // wider than the control only when it holds a single tab.
  static void ExpectSoundRows(const TTabControl* tabs) {
    const auto placements = tabs->TabRects();
    ASSERT_EQ(placements.size(), tabs->Tabs().size());
    for (size_t i = 0; i < placements.size(); ++i) EXPECT_EQ(placements[i].Index, int32_t(i));
    const auto rows = RowsOf(tabs);
    EXPECT_EQ(int32_t(rows.size()), tabs->RowCount());
    int32_t previous_top = -1;
    for (const auto& p : placements) {
      EXPECT_GE(p.Bounds.Top, previous_top) << "tab " << p.Index << " goes back up a row";
      previous_top = p.Bounds.Top;
    }
    for (size_t i = 1; i < placements.size(); ++i) {
      const TRect& a = placements[i - 1].Bounds;
      const TRect& b = placements[i].Bounds;
      if (a.Top == b.Top) {
        EXPECT_LE(a.Right, b.Left) << "tabs " << i - 1 << " and " << i;
      }
    }
    for (const auto& row : rows) {
      if (row.size() < 2) continue;
      const TRect& last = placements[size_t(row.back())].Bounds;
      EXPECT_LE(last.Right, tabs->Width()) << "row ending with tab " << row.back();
    }
  }
};

TEST_F(TabControl, MultiLineRowsGrowAsTheWidthShrinks) {
  for (host::TTabStyle style : {host::tsTabs, host::tsFlatButtons}) {
    SCOPED_TRACE(host::TabStyleName(style));
    TTabControl* tabs = MakePalette(style, true, 4000);
    EXPECT_EQ(tabs->RowCount(), 1) << "everything fits on one wide row";
    ExpectSoundRows(tabs);
    int32_t rows = 1;
    for (int32_t width = 4000; width >= 40; width -= 37) {
      SCOPED_TRACE(testing::Message() << "width " << width);
      tabs->SetWidth(width);
      EXPECT_GE(tabs->RowCount(), rows) << "a narrower control never has fewer rows";
      rows = tabs->RowCount();
      ExpectSoundRows(tabs);
    }
    EXPECT_EQ(rows, int32_t(kPages.size())) << "at last each tab has a row of its own";
  }
}

TEST_F(TabControl, WithoutMultiLineThereIsOneRow) {
  for (host::TTabStyle style : {host::tsTabs, host::tsButtons, host::tsFlatButtons}) {
    SCOPED_TRACE(host::TabStyleName(style));
    TTabControl* tabs = MakePalette(style, false, 4000);
    for (int32_t width : {4000, 800, 200, 10, 0}) {
      tabs->SetWidth(width);
      EXPECT_EQ(tabs->RowCount(), 1) << "width " << width;
      EXPECT_EQ(RowsOf(tabs).size(), 1u);
    }
  }
}

TEST_F(TabControl, TabsThatExactlyFillARowStayOnIt) {
  auto* tabs = new TTabControl(&owner_);
  tabs->SetTabs({"Standard", "Additional"});
  tabs->SetMultiLine(true);
  const int32_t one = host::DialogFontTextWidth("Standard") + 12;
  const int32_t two = host::DialogFontTextWidth("Additional") + 12;
  // A tab strip has a 4-pixel border at each side.
  tabs->SetBounds(0, 0, one + two + 2 * TTabControl::kTabBorder, 50);
  EXPECT_EQ(tabs->RowCount(), 1);
  tabs->SetWidth(tabs->Width() - 1);
  EXPECT_EQ(tabs->RowCount(), 2);
  tabs->SetTabs({});
  EXPECT_EQ(tabs->RowCount(), 0);
  EXPECT_TRUE(tabs->TabRects().empty());
}

TEST_F(TabControl, FullRowsAreStretchedUnlessRaggedRight) {
  TTabControl* tabs = MakePalette(host::tsFlatButtons, true, 700);
  ASSERT_GE(tabs->RowCount(), 3);
  const auto right_edges = [&] {
    std::vector<int32_t> edges;
    for (const auto& row : RowsOf(tabs))
      edges.push_back(tabs->TabRects()[size_t(row.back())].Bounds.Right);
    return edges;
  };
  std::vector<int32_t> edges = right_edges();
  for (size_t r = 1; r + 1 < edges.size(); ++r)
    EXPECT_EQ(edges[r], edges[0]) << "full row " << r << " ends where the first does";
  EXPECT_LT(edges.back(), edges[0]) << "the last row keeps its natural widths";

  tabs->SetRaggedRight(true);
  edges = right_edges();
  bool differ = false;
  for (size_t r = 1; r + 1 < edges.size(); ++r) differ = differ || edges[r] != edges[0];
  EXPECT_TRUE(differ) << "ragged rows end where their tabs end";
  ExpectSoundRows(tabs);
}

TEST_F(TabControl, DisplayRectLiesInsideTheRowsAndBorders) {
  struct Case {
    host::TTabStyle style;
    int32_t width, height;
    TRect display;
  };
  // clang-format off
  const Case cases[] = {
      // Tabs: 18-pixel rows and a 4-pixel border all round.
      {host::tsTabs, 4000, 200, {4, 1 * 18 + 4, 3996, 196}},
      // Flat buttons: 23-pixel rows (20 and a 3-pixel gap), no border.
      {host::tsFlatButtons, 4000, 200, {0, 1 * 23, 4000, 200}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(host::TabStyleName(c.style));
    TTabControl* tabs = MakePalette(c.style, true, c.width, c.height);
    EXPECT_EQ(tabs->DisplayRect(), c.display);
    // Narrower: more rows, and the client area starts lower by whole rows.
    tabs->SetWidth(600);
    const int32_t rows = tabs->RowCount();
    ASSERT_GT(rows, 1);
    const TRect r = tabs->DisplayRect();
    EXPECT_EQ(r.Top - c.display.Top, (rows - 1) * tabs->RowHeight());
    EXPECT_EQ(r.Bottom, c.display.Bottom);
  }
}

TEST_F(TabControl, ControlLowerThanItsRowsHasADisplayRectUpsideDown) {
  TTabControl* tabs = MakePalette(host::tsFlatButtons, true, 500, 30);
  ASSERT_GE(tabs->RowCount(), 3);
  const TRect r = tabs->DisplayRect();
  EXPECT_LT(r.Bottom, r.Top);
  EXPECT_EQ(r.Bottom, 30);
  EXPECT_EQ(r.Top, tabs->RowCount() * 23);
  // What the palette's owner does with it: grow by the missing client height.
  const int32_t missing = r.Top - r.Bottom;
  tabs->SetHeight(tabs->Height() + missing);
  EXPECT_EQ(tabs->DisplayRect().Height(), 0);
}

TEST_F(TabControl, StyleOrMultiLineChangeResizesOnceAtTheNextPass) {
  TTabControl* tabs = MakePalette(host::tsTabs, false, 800);
  const int32_t recreations = tabs->WindowRecreations();

  tabs->SetStyle(host::tsFlatButtons);
  EXPECT_EQ(log_.Count("resize"), 0u) << "not while the property is set";
  EXPECT_EQ(tabs->WindowRecreations(), recreations);
  tabs->SetMultiLine(true);  // a second change before the pass: one new window
  Loop().ProcessMessages();
  EXPECT_EQ(log_.Count("resize"), 1u) << "the new window reports its size, unchanged or not";
  EXPECT_EQ(tabs->WindowRecreations(), recreations + 1);
  Loop().ProcessMessages();
  EXPECT_EQ(log_.Count("resize"), 1u);

  // Setting the value it already has re-creates nothing.
  tabs->SetStyle(host::tsFlatButtons);
  tabs->SetMultiLine(true);
  tabs->SetHotTrack(true);
  tabs->SetRaggedRight(true);
  Loop().Advance(1000);
  EXPECT_EQ(log_.Count("resize"), 1u);

  // A real size change resizes at once.
  tabs->SetHeight(tabs->Height() + 5);
  EXPECT_EQ(log_.Count("resize"), 2u);
  ASSERT_FALSE(log_.entries.empty());
  EXPECT_EQ(log_.entries.back().second, tabs);
}

TEST_F(TabControl, ControlFreedBeforeTheRecreationGetsNoEvent) {
  TTabControl* tabs = MakePalette(host::tsTabs, false, 800);
  tabs->SetStyle(host::tsFlatButtons);
  ASSERT_EQ(Loop().PendingMessages(), 1u);
  delete tabs;
  EXPECT_EQ(Loop().PendingMessages(), 0u);
  Loop().ProcessMessages();
  EXPECT_EQ(log_.Count("resize"), 0u);
}

TEST_F(TabControl, TabIndexStaysOnAnExistingTab) {
  auto* tabs = new TTabControl(&owner_);
  EXPECT_EQ(tabs->TabIndex(), -1);
  tabs->SetTabs({"A", "B", "C"});
  EXPECT_EQ(tabs->TabIndex(), 0);
  tabs->SetTabIndex(2);
  EXPECT_EQ(tabs->TabIndex(), 2);
  tabs->SetTabIndex(3);
  EXPECT_EQ(tabs->TabIndex(), 2) << "out of range is ignored";
  tabs->SetTabIndex(-2);
  EXPECT_EQ(tabs->TabIndex(), 2);
  tabs->SetTabs({"A", "B"});
  EXPECT_EQ(tabs->TabIndex(), 0);
  tabs->SetTabIndex(-1);
  EXPECT_EQ(tabs->TabIndex(), -1) << "no tab selected";
  tabs->SetTabs({});
  EXPECT_EQ(tabs->TabIndex(), -1);
}

}  // namespace
