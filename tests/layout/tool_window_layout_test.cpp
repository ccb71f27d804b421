// The layout manager at work in the reference IDE: the main window and the
// component palette as the package takes them over at load, and the Object
// TreeView, Object Inspector, Project Manager and code editor as every tick
// places them. Each expectation is worked out from the main window as it stands
// and from the screen's own work area and metrics, on several screens.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "host/vcl/extctrls.h"
#include "host/vcl/messageloop.h"
#include "ide/addin.h"
#include "tests/layout/layout_support.h"
#include "tests/support/host_error.h"

namespace {

using FleetforgeMain::TFleetforgeMainObject;
using host::TForm;
using layout_test::Box;
using layout_test::BoxOf;
using layout_test::ScreenCase;
using layout_test::Switches;

// The screen as the running session reports it.
struct Geometry {
  host::TRect WA;
  int64_t CyFull, CyMin, CxMax, CxFrame, ScreenHeight;
};

Geometry ReadGeometry() {
  return {
      host::WindowSystem::Instance().WorkArea(),    host::GetSystemMetrics(host::SM_CYFULLSCREEN),
      host::GetSystemMetrics(host::SM_CYMINIMIZED), host::GetSystemMetrics(host::SM_CXMAXIMIZED),
      host::GetSystemMetrics(host::SM_CXFRAME),     host::Screen->Height()};
}

// ---- Bounds ------------------------------------------------------------------

using ResizeFn = void (*)(TFleetforgeMainObject*, host::TObject*);
using AlignMainFormFn = void (*)(TFleetforgeMainObject*);

class ToolWindowLayout : public layout_test::OnScreen {
 protected:
  // Stores the options and starts the IDE with the package, as at IDE start-up.
  void Start(const Switches& s, bool withPackage = true) {
    LayoutSession::Start(s, withPackage);
    geometry_ = ReadGeometry();
  }

  // The Object TreeView's place: below the main window, shifted by the work
  // area's corner, down to OIH pixels above the line CYFULL - CYMIN.
  Box ExpectedTree(int64_t oih) {
    const Geometry& g = geometry_;
    const int64_t top = int64_t{Main()->Height()} + g.WA.Top;
    return {int64_t{Main()->Left()} + g.WA.Left, top, Form("ObjectTreeView")->Width(),
            g.CyFull - top - g.CyMin - oih};
  }
  // The Object Inspector's place, from the top it starts at down to CYFULL - CYMIN.
  Box ExpectedInspector(int64_t top) {
    return {Main()->Left(), top, Form("PropertyInspector")->Width(),
            geometry_.CyFull - top - geometry_.CyMin};
  }
  // The Project Manager keeps its size; its bottom stands CYMIN above the screen's.
  Box ExpectedManager(const TForm* pm) {
    return {Main()->Left(), geometry_.ScreenHeight - pm->Height() - geometry_.CyMin, pm->Width(),
            pm->Height()};
  }
  // The editor from left to the main window's right edge, from the main window's
  // height down; its height is worked out from the top it had before the tick.
  Box ExpectedEditor(int64_t left, int64_t topBefore) {
    return {left, Main()->Height(), int64_t{Main()->Width()} - left,
            geometry_.ScreenHeight - topBefore - geometry_.CyMin};
  }
  // Left edge of the editor next to a visible Object Inspector.
  int64_t RightOfInspector() {
    const TForm* inspector = Form("PropertyInspector");
    return int64_t{inspector->Left()} + inspector->Width();
  }

  void ExpectToolWindowsInPlace(int64_t oih, int64_t editorTopBefore) {
    TForm* tree = Form("ObjectTreeView");
    TForm* inspector = Form("PropertyInspector");
    TForm* pm = Form("ProjectManagerForm");
    TForm* editor = Form("EditWindow_0");
    const Box tree_box = ExpectedTree(oih);
    EXPECT_EQ(BoxOf(tree), tree_box) << "Object TreeView";
    EXPECT_EQ(BoxOf(inspector), ExpectedInspector(tree_box.Top + tree_box.Height))
        << "Object Inspector";
    EXPECT_EQ(BoxOf(pm), ExpectedManager(pm)) << "Project Manager";
    EXPECT_EQ(BoxOf(editor), ExpectedEditor(RightOfInspector(), editorTopBefore)) << "editor";
    for (TForm* f : {tree, inspector}) {
      EXPECT_EQ(f->BorderStyle(), host::bsNone) << f->Name();
      EXPECT_FALSE(f->UseDockManager()) << f->Name();
      EXPECT_FALSE(f->DockSite()) << f->Name();
    }
    EXPECT_EQ(pm->BorderStyle(), host::bsNone);
    EXPECT_TRUE(pm->Visible());
    EXPECT_TRUE(pm->Shown());
  }

  // The main window spans the work area from its top-left corner, without a frame.
  void ExpectMainWindowAligned(fleetforge_test::CallSite where = fleetforge_test::CallSite()) {
    ::testing::ScopedTrace trace(where.File, where.Line, "the main window aligned");
    EXPECT_EQ(Main()->BorderStyle(), host::bsNone);
    EXPECT_EQ(Main()->Left(), geometry_.WA.Left);
    EXPECT_EQ(Main()->Top(), geometry_.WA.Top);
    EXPECT_EQ(Main()->Width(), geometry_.CxMax - 2 * geometry_.CxFrame);
  }
  // The palette is as high as its rows of buttons plus 29 pixels, and its
  // container no higher.
  void ExpectPaletteFitsItsRows(fleetforge_test::CallSite where = fleetforge_test::CallSite()) {
    ::testing::ScopedTrace trace(where.File, where.Line, "the palette fits its rows");
    const host::TTabControl* palette = Ide().Palette();
    const int32_t outside = palette->Height() - palette->DisplayRect().Height() + 29;
    EXPECT_EQ(palette->Constraints().MinHeight(), outside);
    EXPECT_EQ(palette->Parent()->Constraints().MaxHeight(), outside);
    EXPECT_EQ(palette->Height(), outside);
    EXPECT_EQ(palette->Parent()->Height(), outside);
  }

  Geometry geometry_{};
};

// ---- At load -------------------------------------------------------------------

TEST_P(ToolWindowLayout, ScreenReportsTheWorkAreaAndMetricsOfItsTaskBar) {
  Start({});
  const ScreenCase& c = GetParam();
  EXPECT_EQ(geometry_.WA, c.WorkArea);
  EXPECT_EQ(geometry_.CyFull, c.CyFullScreen);
  EXPECT_EQ(geometry_.CxMax, c.CxMaximized);
  EXPECT_EQ(geometry_.CyMin, 24);
  EXPECT_EQ(geometry_.CxFrame, 4);
  EXPECT_EQ(geometry_.ScreenHeight, c.Screen.Height);
}

TEST_P(ToolWindowLayout, LoadWithHiddenCaptionsTakesOverMainWindowAndPaletteBeforeAnyTick) {
  Start({});
  ASSERT_EQ(host::MessageLoop::Instance().Clock(), 0) << "no tick has come yet";
  ExpectMainWindowAligned();

  host::TTabControl* palette = Ide().Palette();
  EXPECT_EQ(palette->Style(), host::tsFlatButtons);
  EXPECT_TRUE(palette->MultiLine());
  EXPECT_TRUE(palette->HotTrack());
  EXPECT_TRUE(palette->RaggedRight());
  EXPECT_GT(palette->RowCount(), 1) << "the pages wrap onto several rows of buttons";
  EXPECT_EQ(ide::AddInView(Ide()).Holder(palette->OnResize()), "fleetforge");
  ExpectPaletteFitsItsRows();

  // The constructor places no tool window: they stand where the IDE put them.
  EXPECT_EQ(Form("ObjectTreeView")->BorderStyle(), host::bsSizeToolWin);
  EXPECT_TRUE(Form("ObjectTreeView")->DockSite());
  EXPECT_FALSE(Form("ProjectManagerForm")->Visible());
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_P(ToolWindowLayout, LoadWithCaptionsShownLeavesEveryWindowAsTheIdeMadeIt) {
  // The same IDE without the package is the reference.
  struct Snapshot {
    std::vector<Box> Boxes;
    std::vector<host::TFormBorderStyle> Borders;
    host::TTabStyle Style;
    bool MultiLine, HotTrack, RaggedRight;
    int32_t MinHeight, ParentMaxHeight;
    std::string Holder;
    bool operator==(const Snapshot&) const = default;
  };
  const auto take = [&] {
    Snapshot s;
    for (const char* name : {"AppBuilder", "ObjectTreeView", "PropertyInspector", "EditWindow_0",
                             "ProjectManagerForm"}) {
      s.Boxes.push_back(BoxOf(Form(name)));
      s.Borders.push_back(Form(name)->BorderStyle());
    }
    host::TTabControl* p = Ide().Palette();
    s.Style = p->Style();
    s.MultiLine = p->MultiLine();
    s.HotTrack = p->HotTrack();
    s.RaggedRight = p->RaggedRight();
    s.MinHeight = p->Constraints().MinHeight();
    s.ParentMaxHeight = p->Parent()->Constraints().MaxHeight();
    s.Holder = ide::AddInView(Ide()).Holder(p->OnResize());
    return s;
  };
  const Switches off{.CloseDefault = true, .HideCaptions = false, .MaximizeEditor = false};
  Start(off, /*withPackage=*/false);
  const Snapshot reference = take();
  ASSERT_EQ(reference.Holder, "ide");

  Start(off);
  EXPECT_TRUE(take() == reference) << "the package changed a window at load";
  ASSERT_FALSE(Ide().ProjectFile().empty());
  S().Do("wait 1000");
  EXPECT_TRUE(take() == reference) << "a tick changed a window with both options off";
  EXPECT_EQ(Ide().ProjectFile(), "") << "the timer runs: its first tick closed the default project";
}

TEST_P(ToolWindowLayout, PaletteFollowsItsRowsWhenResizedAndTheIdeHandlerStaysOut) {
  Start({});
  host::TTabControl* palette = Ide().Palette();
  const int32_t rows_before = palette->RowCount();
  const int32_t buttons_before = Ide().PaletteButtonsShown();
  S().Do("size AppBuilder 600 0");
  ASSERT_GT(palette->RowCount(), rows_before) << "a narrower palette needs more rows";
  ExpectPaletteFitsItsRows();
  EXPECT_EQ(Ide().PaletteButtonsShown(), buttons_before)
      << "the IDE's own resize handler ran while the package holds the palette";
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_P(ToolWindowLayout, AligningTheMainWindowAgainBringsItBackToTheWorkArea) {
  Start({.HideCaptions = false});
  const auto align =
      Export<AlignMainFormFn>("FleetforgeMain.TFleetforgeMainObject.AlignMainForm()");
  ASSERT_NE(align, nullptr);
  S().Do("move AppBuilder 50 60");
  S().Do("size AppBuilder 700 0");
  ASSERT_EQ(BoxOf(Main()).Left, 50);
  align(Manager());
  ExpectMainWindowAligned();
  EXPECT_EQ(ide::AddInView(Ide()).Holder(Ide().Palette()->OnResize()), "fleetforge");
}

TEST_P(ToolWindowLayout, MainWindowWithoutPaletteIsStillAlignedAndNothingIsTakenOver) {
  Start({.HideCaptions = false});
  const auto align =
      Export<AlignMainFormFn>("FleetforgeMain.TFleetforgeMainObject.AlignMainForm()");
  host::TTabControl* palette = Ide().Palette();
  palette->SetName("PaletteTabs");
  S().Do("move AppBuilder 50 60");
  S().Do("size AppBuilder 700 0");
  align(Manager());
  ExpectMainWindowAligned();
  EXPECT_EQ(palette->Style(), host::tsTabs);
  EXPECT_FALSE(palette->MultiLine());
  EXPECT_EQ(ide::AddInView(Ide()).Holder(palette->OnResize()), "ide");
  palette->SetName("TabControl");
  S().Do("unload");
  EXPECT_EQ(ide::AddInView(Ide()).Holder(palette->OnResize()), "ide");
  EXPECT_TRUE(Ide().Errors().empty());
}

// ---- The palette's resize handler, called directly -------------------------------

TEST_P(ToolWindowLayout, PaletteHandlerSizesAnyTabControlToItsRows) {
  Start({});
  const auto resize =
      Export<ResizeFn>("FleetforgeMain.TFleetforgeMainObject.OnResizeComponentPalette(TObject)");
  ASSERT_NE(resize, nullptr);
  {
    SCOPED_TRACE("no tabs: the display rectangle is the whole control");
    host::TPanel container(nullptr);
    auto tabs = std::make_unique<host::TTabControl>(nullptr);
    tabs->SetParent(&container);
    tabs->SetStyle(host::tsFlatButtons);
    tabs->SetBounds(0, 0, 300, 80);
    ASSERT_EQ(tabs->DisplayRect().Height(), tabs->Height());
    resize(Manager(), tabs.get());
    EXPECT_EQ(tabs->Constraints().MinHeight(), 29);
    EXPECT_EQ(container.Constraints().MaxHeight(), 29);
  }
  {
    SCOPED_TRACE("a row of tabs with their borders");
    host::TPanel container(nullptr);
    auto tabs = std::make_unique<host::TTabControl>(nullptr);
    tabs->SetParent(&container);
    tabs->SetTabs({"Standard", "Additional"});
    tabs->SetBounds(0, 0, 300, 80);
    const int32_t expected = tabs->Height() - tabs->DisplayRect().Height() + 29;
    ASSERT_NE(expected, 29);
    resize(Manager(), tabs.get());
    EXPECT_EQ(tabs->Constraints().MinHeight(), expected);
    EXPECT_EQ(container.Constraints().MaxHeight(), expected);
  }
  {
    SCOPED_TRACE("a palette without a container");
    auto tabs = std::make_unique<host::TTabControl>(nullptr);
    tabs->SetStyle(host::tsFlatButtons);
    tabs->SetBounds(0, 0, 300, 80);
    resize(Manager(), tabs.get());
    EXPECT_EQ(tabs->Constraints().MinHeight(), 29);
    EXPECT_EQ(tabs->Parent(), nullptr);
  }
  {
    SCOPED_TRACE("the IDE's palette taken out of its container, then resized");
    host::TTabControl* palette = Ide().Palette();
    host::TWinControl* container = palette->Parent();
    palette->SetParent(nullptr);
    palette->SetBounds(0, 0, 400, palette->Height());
    const int32_t expected = palette->Height() - palette->DisplayRect().Height() + 29;
    EXPECT_EQ(palette->Constraints().MinHeight(), expected);
    palette->SetParent(container);
  }
  {
    SCOPED_TRACE("a sender that is not a tab control");
    host::TPanel container(nullptr);
    host::TPanel panel(nullptr);
    panel.SetParent(&container);
    EXPECT_THROW(resize(Manager(), &panel), host::EInvalidCast);
    EXPECT_EQ(panel.Constraints().MinHeight(), 0);
    EXPECT_EQ(container.Constraints().MaxHeight(), 0);
    panel.SetParent(nullptr);
  }
  {
    SCOPED_TRACE("no sender at all");
    resize(Manager(), nullptr);
  }
  EXPECT_TRUE(Ide().Errors().empty());
}

// ---- Every tick ------------------------------------------------------------------

TEST_P(ToolWindowLayout, FirstTickPlacesEveryToolWindowAndLaterTicksKeepThem) {
  Start({});
  TForm* editor = Form("EditWindow_0");
  const int64_t editor_top_before = editor->Top();
  ASSERT_GT(ExpectedTree(300).Height, 0) << "an ordinary column for this screen";
  S().Do("wait 999");
  EXPECT_EQ(Form("ObjectTreeView")->BorderStyle(), host::bsSizeToolWin) << "too early for a tick";
  S().Do("wait 1");
  {
    SCOPED_TRACE("first tick");
    ExpectToolWindowsInPlace(300, editor_top_before);
  }
  EXPECT_EQ(Form("ObjectTreeView")->Width(), 200) << "the column keeps its widths";
  EXPECT_EQ(Form("PropertyInspector")->Width(), 200);
  EXPECT_EQ(Form("ProjectManagerForm")->Width(), 240);
  EXPECT_EQ(Form("ProjectManagerForm")->Height(), 320);
  EXPECT_EQ(editor->BorderStyle(), host::bsSizeable) << "the editor keeps its frame";
  auto* file_tabs = dynamic_cast<host::TTabControl*>(editor->FindComponent("TabControl"));
  ASSERT_NE(file_tabs, nullptr);
  EXPECT_EQ(file_tabs->Style(), host::tsFlatButtons);

  S().Do("wait 1000");
  {
    SCOPED_TRACE("second tick: the editor now starts at the main window's height");
    ExpectToolWindowsInPlace(300, Main()->Height());
  }
  S().Do("wait 5000");
  ExpectToolWindowsInPlace(300, Main()->Height());
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_P(ToolWindowLayout, MovedOrResizedWindowIsBackWithinASecond) {
  Start({.InspectorHeight = 250});
  S().Do("wait 2000");
  ExpectToolWindowsInPlace(250, Main()->Height());
  for (const char* name : {"ObjectTreeView", "PropertyInspector", "ProjectManagerForm"}) {
    SCOPED_TRACE(name);
    TForm* form = Form(name);
    const Box before = BoxOf(form);
    S().Do(std::string("move ") + name + " 333 222");
    ASSERT_EQ(BoxOf(form), (Box{333, 222, before.Width, before.Height}));
    S().Do("wait 1000");
    ExpectToolWindowsInPlace(250, Main()->Height());
    // The column's heights and the Project Manager's top are the layout's; the
    // widths, and the Project Manager's height, stay as the user makes them.
    S().Do(std::string("size ") + name + " 150 100");
    ASSERT_EQ(BoxOf(form).Height, 100);
    S().Do("wait 1000");
    EXPECT_EQ(form->Width(), 150);
    ExpectToolWindowsInPlace(250, Main()->Height());
    S().Do(std::string("size ") + name + " " + std::to_string(before.Width) + " " +
           std::to_string(before.Height));
    S().Do("wait 1000");
  }
  {
    SCOPED_TRACE("the editor resized");
    S().Do("size EditWindow_0 400 300");
    ASSERT_EQ(BoxOf(Form("EditWindow_0")).Width, 400);
    S().Do("wait 1000");
    ExpectToolWindowsInPlace(250, Main()->Height());
  }
  {
    SCOPED_TRACE("the editor moved sideways");
    S().Do("move EditWindow_0 444 " + std::to_string(Main()->Height()));
    ASSERT_EQ(BoxOf(Form("EditWindow_0")).Left, 444);
    S().Do("wait 1000");
    ExpectToolWindowsInPlace(250, Main()->Height());
  }
  {
    SCOPED_TRACE("the editor moved down");
    S().Do("move EditWindow_0 444 222");
    S().Do("wait 1000");
    // Its place and width are back at once; its height is worked out from the
    // top it had before the tick, so it is whole again one tick later.
    ExpectToolWindowsInPlace(250, 222);
    S().Do("wait 1000");
    ExpectToolWindowsInPlace(250, Main()->Height());
  }
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_P(ToolWindowLayout, ClosedProjectManagerIsShownAgainWithinASecond) {
  Start({});
  S().Do("wait 1000");
  TForm* pm = Form("ProjectManagerForm");
  ASSERT_TRUE(pm->Visible());
  S().Do("close ProjectManagerForm");
  ASSERT_FALSE(pm->Visible());
  ASSERT_FALSE(pm->Shown());
  S().Do("wait 1000");
  EXPECT_TRUE(pm->Visible());
  EXPECT_TRUE(pm->Shown());
  EXPECT_EQ(BoxOf(pm), ExpectedManager(pm));
}

TEST_P(ToolWindowLayout, WithBothOptionsOffWindowsStayWhereTheUserPutsThem) {
  Start({.HideCaptions = false, .MaximizeEditor = false});
  S().Do("wait 1000");
  const std::vector<std::pair<const char*, Box>> placed = {
      {"ObjectTreeView", {11, 222, 150, 100}},
      {"PropertyInspector", {22, 333, 160, 110}},
      {"ProjectManagerForm", {33, 444, 170, 120}},
      {"EditWindow_0", {44, 255, 500, 300}}};
  for (const auto& [name, box] : placed) {
    S().Do("move " + std::string(name) + " " + std::to_string(box.Left) + " " +
           std::to_string(box.Top));
    S().Do("size " + std::string(name) + " " + std::to_string(box.Width) + " " +
           std::to_string(box.Height));
  }
  S().Do("close ObjectTreeView");
  S().Do("wait 3000");
  for (const auto& [name, box] : placed) EXPECT_EQ(BoxOf(Form(name)), box) << name;
  EXPECT_FALSE(Form("ObjectTreeView")->Visible());
  EXPECT_FALSE(Form("ProjectManagerForm")->Visible()) << "the closed Project Manager stays closed";
  EXPECT_EQ(Form("PropertyInspector")->BorderStyle(), host::bsSizeToolWin);
  EXPECT_TRUE(Form("PropertyInspector")->DockSite());
}

TEST_P(ToolWindowLayout, WithOnlyMaximizeEditorTheEditorFollowsTheInspectorWhereverItStands) {
  Start({.HideCaptions = false, .MaximizeEditor = true});
  S().Do("move PropertyInspector 300 150");
  const Box inspector = BoxOf(Form("PropertyInspector"));
  const Box tree = BoxOf(Form("ObjectTreeView"));
  const int64_t top_before = Form("EditWindow_0")->Top();
  S().Do("wait 1000");
  EXPECT_EQ(BoxOf(Form("EditWindow_0")), ExpectedEditor(300 + inspector.Width, top_before));
  EXPECT_EQ(BoxOf(Form("PropertyInspector")), inspector) << "the column is not placed";
  EXPECT_EQ(BoxOf(Form("ObjectTreeView")), tree);
  EXPECT_EQ(Form("PropertyInspector")->BorderStyle(), host::bsSizeToolWin);
  EXPECT_FALSE(Form("ProjectManagerForm")->Visible());
  S().Do("move EditWindow_0 10 400");
  S().Do("wait 1000");
  EXPECT_EQ(BoxOf(Form("EditWindow_0")), ExpectedEditor(300 + inspector.Width, 400));
}

TEST_P(ToolWindowLayout, WithoutMaximizeEditorTheEditorStaysWhileTheColumnSnapsBack) {
  Start({.MaximizeEditor = false});
  S().Do("wait 1000");
  S().Do("move EditWindow_0 44 255");
  S().Do("size EditWindow_0 500 300");
  S().Do("move PropertyInspector 600 100");
  S().Do("wait 2000");
  EXPECT_EQ(BoxOf(Form("EditWindow_0")), (Box{44, 255, 500, 300}));
  const Box tree = ExpectedTree(300);
  EXPECT_EQ(BoxOf(Form("PropertyInspector")), ExpectedInspector(tree.Top + tree.Height));
  auto* file_tabs =
      dynamic_cast<host::TTabControl*>(Form("EditWindow_0")->FindComponent("TabControl"));
  ASSERT_NE(file_tabs, nullptr);
  EXPECT_EQ(file_tabs->Style(), host::tsTabs)
      << "the file tabs are the layout's only with the option";
}

TEST_P(ToolWindowLayout, WithoutObjectTreeViewTheInspectorStartsBelowTheMainWindow) {
  Start({});
  delete Form("ObjectTreeView");
  ASSERT_EQ(Form("ObjectTreeView"), nullptr);
  S().Do("wait 1000");
  const TForm* inspector = Form("PropertyInspector");
  EXPECT_EQ(BoxOf(inspector), ExpectedInspector(Main()->Height()));
  EXPECT_EQ(inspector->Height(), geometry_.CyFull - Main()->Height() - geometry_.CyMin);
  EXPECT_EQ(inspector->BorderStyle(), host::bsNone);
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_P(ToolWindowLayout, WithTheInspectorHiddenTheEditorStartsAtTheMainWindowsLeft) {
  Start({});
  S().Do("wait 1000");
  S().Do("close PropertyInspector");
  ASSERT_FALSE(Form("PropertyInspector")->Visible());
  S().Do("wait 1000");
  const Box editor = BoxOf(Form("EditWindow_0"));
  EXPECT_EQ(editor.Left, Main()->Left());
  EXPECT_EQ(editor.Width, int64_t{Main()->Width()} - Main()->Left());
  EXPECT_EQ(editor, ExpectedEditor(Main()->Left(), Main()->Height()));
}

TEST_P(ToolWindowLayout, HiddenInspectorsArePassedOverForTheEditorsLeftEdge) {
  Start({.HideCaptions = false});
  S().Do("close PropertyInspector");
  host::TForm second(nullptr);
  second.SetName("PropertyInspector");
  second.SetBounds(300, 100, 250, 400);
  second.Show();
  int64_t top_before = Form("EditWindow_0")->Top();
  S().Do("wait 1000");
  EXPECT_EQ(BoxOf(Form("EditWindow_0")), ExpectedEditor(550, top_before));
  second.Hide();
  top_before = Form("EditWindow_0")->Top();
  S().Do("wait 1000");
  EXPECT_EQ(BoxOf(Form("EditWindow_0")), ExpectedEditor(Main()->Left(), top_before));
}

TEST_P(ToolWindowLayout, MaximizedEditorStartsAtTheMainWindowsLeft) {
  Start({.HideCaptions = false});
  TForm* editor = Form("EditWindow_0");
  ASSERT_NE(RightOfInspector(), Main()->Left()) << "the inspector stands at the left";
  editor->SetWindowState(host::wsMaximized);
  const Box maximized = BoxOf(editor);
  S().Do("wait 1000");
  // Placed at the bounds given, whatever the Object Inspector's position, and
  // still maximised; the window system has it where the form says.
  const Box placed = ExpectedEditor(Main()->Left(), maximized.Top);
  EXPECT_EQ(BoxOf(editor), placed);
  EXPECT_EQ(editor->WindowState(), host::wsMaximized);
  EXPECT_EQ(host::WindowSystem::Instance().Info(editor->Handle())->Bounds, editor->BoundsRect());
  // Every later tick keeps it there.
  S().Do("wait 1000");
  EXPECT_EQ(BoxOf(editor), ExpectedEditor(Main()->Left(), placed.Top));
  // The placement is where the window goes when it is restored.
  editor->SetWindowState(host::wsNormal);
  EXPECT_EQ(BoxOf(editor), ExpectedEditor(Main()->Left(), placed.Top));
}

TEST_P(ToolWindowLayout, EveryEditorAndProjectManagerIsPlacedButOnlyTheFirstColumnForms) {
  Start({});
  const auto make = [](const char* name, Box b) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetName(name);
    form->SetBorderStyle(host::bsSizeToolWin);
    form->SetDockSite(true);
    form->SetBounds(static_cast<int32_t>(b.Left), static_cast<int32_t>(b.Top),
                    static_cast<int32_t>(b.Width), static_cast<int32_t>(b.Height));
    form->Show();
    return form;
  };
  auto tree2 = make("ObjectTreeView", {700, 400, 150, 120});
  auto inspector2 = make("PropertyInspector", {720, 420, 150, 120});
  auto manager2 = make("ProjectManagerForm", {600, 100, 180, 200});
  auto editor2 = make("EditWindow_0", {500, 300, 300, 200});
  manager2->Hide();
  const int64_t editor_top_before = Form("EditWindow_0")->Top();
  S().Do("wait 1000");
  ExpectToolWindowsInPlace(300, editor_top_before);
  EXPECT_EQ(BoxOf(tree2.get()), (Box{700, 400, 150, 120}));
  EXPECT_EQ(BoxOf(inspector2.get()), (Box{720, 420, 150, 120}));
  for (TForm* f : {tree2.get(), inspector2.get()}) {
    EXPECT_EQ(f->BorderStyle(), host::bsSizeToolWin);
    EXPECT_TRUE(f->DockSite());
  }
  EXPECT_TRUE(manager2->Visible());
  EXPECT_EQ(manager2->BorderStyle(), host::bsNone);
  EXPECT_EQ(BoxOf(manager2.get()), ExpectedManager(manager2.get()));
  EXPECT_EQ(BoxOf(editor2.get()), ExpectedEditor(RightOfInspector(), 300));
}

// ---- Heights from the registry, whatever they are --------------------------------

TEST_P(ToolWindowLayout, AnyStoredInspectorHeightGivesWindowsOfSaneSize) {
  const auto sane = [&] {
    for (const char* name :
         {"ObjectTreeView", "PropertyInspector", "ProjectManagerForm", "EditWindow_0"}) {
      const TForm* f = Form(name);
      EXPECT_GE(f->Width(), 1) << name;
      EXPECT_LE(f->Width(), 32767) << name;
      EXPECT_GE(f->Height(), 1) << name;
      EXPECT_LE(f->Height(), 32767) << name;
      EXPECT_GE(f->Left(), -32768) << name;
      EXPECT_LE(f->Left(), 32767) << name;
      EXPECT_GE(f->Top(), -32768) << name;
      EXPECT_LE(f->Top(), 32767) << name;
    }
    EXPECT_TRUE(Ide().Errors().empty());
  };
  {
    SCOPED_TRACE("-2147483648: the Object TreeView as high as a window can be");
    Start({.InspectorHeight = std::numeric_limits<int32_t>::min()});
    S().Do("wait 2000");
    Box tree = ExpectedTree(0);
    tree.Height = 32767;
    EXPECT_EQ(BoxOf(Form("ObjectTreeView")), tree);
    EXPECT_EQ(BoxOf(Form("PropertyInspector")),
              (Box{Main()->Left(), 32767, Form("PropertyInspector")->Width(), 1}));
    EXPECT_EQ(BoxOf(Form("EditWindow_0")), ExpectedEditor(RightOfInspector(), Main()->Height()));
    sane();
  }
  {
    SCOPED_TRACE("2147483647: the Object TreeView one pixel high");
    Start({.InspectorHeight = std::numeric_limits<int32_t>::max()});
    S().Do("wait 2000");
    Box tree = ExpectedTree(0);
    tree.Height = 1;
    EXPECT_EQ(BoxOf(Form("ObjectTreeView")), tree);
    EXPECT_EQ(BoxOf(Form("PropertyInspector")), ExpectedInspector(tree.Top + 1));
    EXPECT_GT(Form("PropertyInspector")->Height(), 1);
    sane();
  }
  {
    SCOPED_TRACE("a height larger than the column");
    Start({.InspectorHeight = 2000});
    S().Do("wait 2000");
    Box tree = ExpectedTree(0);
    tree.Height = 1;
    EXPECT_EQ(BoxOf(Form("ObjectTreeView")), tree);
    EXPECT_EQ(BoxOf(Form("PropertyInspector")), ExpectedInspector(tree.Top + 1));
    sane();
  }
  {
    SCOPED_TRACE("0: the Object Inspector keeps one pixel");
    Start({.InspectorHeight = 0});
    S().Do("wait 2000");
    const Box tree = ExpectedTree(0);
    EXPECT_EQ(BoxOf(Form("ObjectTreeView")), tree);
    EXPECT_EQ(BoxOf(Form("PropertyInspector")),
              (Box{Main()->Left(), tree.Top + tree.Height, Form("PropertyInspector")->Width(), 1}));
    sane();
  }
}

INSTANTIATE_TEST_SUITE_P(Screens, ToolWindowLayout,
                         ::testing::Values(layout_test::kBottom1024x768, layout_test::kTop1280x1024,
                                           layout_test::kLeft1024x768),
                         layout_test::ScreenName);

}  // namespace
