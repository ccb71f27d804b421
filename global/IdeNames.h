// The IDE's fixed names: every form, component, menu item and file name the
// add-in looks up in the IDE. The add-in holds on to none of these objects; it
// finds them again by these names each time it needs them. A name matches only
// when it is equal, letter for letter and in the same case.
#pragma once

namespace IdeNames {

// Forms, found in Screen.Forms by Name.

// The project options dialog; its presence marks an IDE that is already up and
// running (the load decision and the restore at unload).
inline constexpr const char* kProjectOptionsDialog = "ProjectOptionsDialog";
// The Object TreeView.
inline constexpr const char* kObjectTreeView = "ObjectTreeView";
// The Object Inspector.
inline constexpr const char* kPropertyInspector = "PropertyInspector";
// The Project Manager.
inline constexpr const char* kProjectManagerForm = "ProjectManagerForm";
// The first code editor window.
inline constexpr const char* kEditWindow = "EditWindow_0";

// Components, found among their owner's Components by Name.

// Owned by the IDE's main form: the component palette's tab strip. Owned by
// the EditWindow_0 form: the code editor's file tabs.
inline constexpr const char* kTabControl = "TabControl";
// Owned by the IDE's main form: the command that shows or hides the palette.
inline constexpr const char* kViewPaletteCommand = "ViewPaletteCommand";

// Menu items.

// The File menu's command that closes all files and the project, found with
// FindMenuItem in each main menu of the IDE's main form.
inline constexpr const char* kFileCloseAllItem = "FileCloseAllItem";
// The Tools menu, found by caption among the items of the IDE's main menu.
inline constexpr const char* kToolsMenu = "Tools";

// File names of the IDE's empty default project, compared with the name part
// of the current project's file name.
inline constexpr const char* kDefaultProjectDpr = "Project1.dpr";
inline constexpr const char* kDefaultProjectCpp = "Project1.cpp";

}  // namespace IdeNames
