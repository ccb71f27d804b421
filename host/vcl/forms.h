// Forms, the application object and the screen.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/vcl/controls.h"
#include "host/vcl/graphics.h"
#include "host/vcl/menus.h"
#include "host/vcl/messageloop.h"

namespace host {

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = uint32_t;  // a set of TBorderIcon
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition { poDesigned, poDefault, poScreenCenter };

// The values' names, as form images write them and the IDE's state shows them.
inline constexpr TNamedValue<TFormBorderStyle> kBorderStyleNames[] = {
    {"bsNone", bsNone},     {"bsSingle", bsSingle},         {"bsSizeable", bsSizeable},
    {"bsDialog", bsDialog}, {"bsToolWindow", bsToolWindow}, {"bsSizeToolWin", bsSizeToolWin}};
inline constexpr TNamedValue<TBorderIcon> kBorderIconNames[] = {{"biSystemMenu", biSystemMenu},
                                                                {"biMinimize", biMinimize},
                                                                {"biMaximize", biMaximize},
                                                                {"biHelp", biHelp}};
inline constexpr TNamedValue<TWindowState> kWindowStateNames[] = {
    {"wsNormal", wsNormal}, {"wsMinimized", wsMinimized}, {"wsMaximized", wsMaximized}};
inline constexpr TNamedValue<TFormStyle> kFormStyleNames[] = {{"fsNormal", fsNormal},
                                                              {"fsMDIChild", fsMDIChild},
                                                              {"fsMDIForm", fsMDIForm},
                                                              {"fsStayOnTop", fsStayOnTop}};
inline constexpr TNamedValue<TPosition> kPositionNames[] = {
    {"poDesigned", poDesigned}, {"poDefault", poDefault}, {"poScreenCenter", poScreenCenter}};

HOST_API const char* BorderStyleName(TFormBorderStyle style);
HOST_API std::vector<std::string> BorderIconNames(TBorderIcons icons);
HOST_API const char* WindowStateName(TWindowState state);
HOST_API const char* FormStyleName(TFormStyle style);

// The styles of a form's window for its border style and border icons, and the
// border style and icons that a window's styles show.
HOST_API WindowStyle FormWindowStyle(TFormBorderStyle style, TBorderIcons icons);
HOST_API TFormBorderStyle BorderStyleOfWindow(const WindowStyle& style);
HOST_API TBorderIcons BorderIconsOfWindow(const WindowStyle& style);

// A form keeps its properties before its window exists and hands them over when
// the window is created (on the first Show, or when Handle is asked for).
// Visible is the form's own state; whether its window is on screen (Shown) can
// differ, e.g. after ShowWindow(SW_HIDE).
class HOST_API TForm : public TWinControl, public WindowClient {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;
  HOST_CLASS_NAME(TForm)

  TFormBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TFormBorderStyle style);
  TBorderIcons BorderIcons() const { return border_icons_; }
  void SetBorderIcons(TBorderIcons icons);
  TWindowState WindowState() const { return window_state_; }
  void SetWindowState(TWindowState state);
  TFormStyle FormStyle() const { return form_style_; }
  void SetFormStyle(TFormStyle style);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition position) { position_ = position; }
  bool DockSite() const { return dock_site_; }
  void SetDockSite(bool v) { dock_site_ = v; }
  bool UseDockManager() const { return use_dock_manager_; }
  void SetUseDockManager(bool v) { use_dock_manager_ = v; }
  TMainMenu* Menu() const { return menu_; }
  void SetMenu(TMainMenu* menu);
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool v) { show_hint_ = v; }
  // The form's own icon, which its caption shows; while it is empty, the caption
  // shows the application's.
  TIcon* Icon() { return &icon_; }
  const TIcon* Icon() const { return &icon_; }

  // Frame and caption sizes of the border style, and the menu bar.
  int32_t FrameWidth() const;
  int32_t CaptionHeight() const;
  int32_t MenuBarHeight() const;
  TPoint ClientOrigin() const override;
  int32_t ClientWidth() const override;
  int32_t ClientHeight() const override;
  void SetClientWidth(int32_t w);
  void SetClientHeight(int32_t h);

  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
  void SetCaption(const AnsiString& text) override;
  // Visible := value. Setting the state the form already has changes nothing.
  void SetVisible(bool visible) override;
  // Visible := True, then the window is on screen, in front and active (also
  // when it had been hidden directly with SW_HIDE).
  void Show();
  void SetEnabled(bool enabled) override;

  // The window handle; asking for it creates the window (hidden) if needed.
  HWND Handle();
  bool HandleAllocated() const { return handle_ != 0; }
  // Whether the window is actually on screen.
  bool Shown() const;
  bool Active() const;

  // Close runs OnClose; a modal form ends with mrCancel, another form is hidden.
  // The application's main form ends the application.
  void Close();
  // Raises EInvalidOperation "Cannot make a visible window modal" when visible.
  TModalResult ShowModal();
  bool Modal() const { return modal_; }
  TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(TModalResult r) { modal_result_ = r; }
  // Raises EInvalidOperation "Cannot focus a disabled or invisible window".
  void SetFocus();

  TNotifyEvent OnCreate() const { return on_create_; }
  void SetOnCreate(TNotifyEvent e) { on_create_ = e; }
  TNotifyEvent OnShow() const { return on_show_; }
  void SetOnShow(TNotifyEvent e) { on_show_ = e; }
  TNotifyEvent OnClose() const { return on_close_; }
  void SetOnClose(TNotifyEvent e) { on_close_ = e; }
  TNotifyEvent OnDestroy() const { return on_destroy_; }
  void SetOnDestroy(TNotifyEvent e) { on_destroy_ = e; }

  // Runs OnCreate; a form class calls it at the end of its construction.
  void DoCreate();

  // Keys sent to the form by the user.
  virtual void KeyEnter();
  virtual void KeyEscape();
  void WindowClicked(int32_t x, int32_t y) override;
  void WindowActivated(bool active) override;
  void WindowMoved(const TRect& bounds) override;
  void WindowCloseRequested() override;
  void ApplicationActivated(bool active) override;
  bool IsApplicationWindow() const override;
  void ApplicationRestoreRequested() override;
  void MenuCommand(UINT command) override;
  bool TakesDialogKeys() const override { return modal_; }
  void DialogKeyPressed(DialogKey key) override;
  HWND OwnWindow() const override { return handle_; }
  // Chooses a menu item of the form's menu as a person does: through the
  // system's menu where the form has one.
  void ChooseMenuItem(TMenuItem* item);
  void ContentChanged() override;
  // The window shows its own icon, else the application's.
  void UpdateWindowIcon();

 protected:
  void BoundsChanged(bool sizeChanged) override;

 private:
  void CreateHandle();
  void MenuChanged(TObject* sender);
  void ApplyWindowBounds();
  void ApplyWindowStyle();
  TRect WindowRect() const;

  TFormBorderStyle border_style_ = bsSizeable;
  TBorderIcons border_icons_ = biSystemMenu | biMinimize | biMaximize;
  TIcon icon_;
  TWindowState window_state_ = wsNormal;
  TFormStyle form_style_ = fsNormal;
  TPosition position_ = poDesigned;
  bool dock_site_ = false;
  bool use_dock_manager_ = false;
  bool show_hint_ = false;
  TMainMenu* menu_ = nullptr;
  HWND handle_ = 0;
  bool moved_by_system_ = false;  // taking bounds the window already has
  bool modal_ = false;
  TModalResult modal_result_ = mrNone;
  std::optional<TRect> restored_bounds_;
  TNotifyEvent on_create_, on_show_, on_close_, on_destroy_;
};

struct MessageBoxRecord {
  AnsiString Text;
  AnsiString Caption;
  int32_t Flags = 0;
};

constexpr int32_t MB_OK = 0;
constexpr int32_t IDOK = 1;

class HOST_API TApplication : public TComponent {
 public:
  explicit TApplication(TComponent* owner);
  ~TApplication() override;
  HOST_CLASS_NAME(TApplication)

  TForm* MainForm() const { return main_form_; }
  void SetMainForm(TForm* form) { main_form_ = form; }
  const AnsiString& Title() const { return title_; }
  void SetTitle(const AnsiString& t) { title_ = t; }

  // Whether the application is the active one; a change fires OnActivate or
  // OnDeactivate.
  bool Active() const { return active_; }
  void SetActive(bool active);
  TNotifyEvent OnActivate() const { return on_activate_; }
  void SetOnActivate(TNotifyEvent e) { on_activate_ = e; }
  TNotifyEvent OnDeactivate() const { return on_deactivate_; }
  void SetOnDeactivate(TNotifyEvent e) { on_deactivate_ = e; }

  TIcon* Icon() const { return icon_; }

  // A modal message box with one OK button; returns the button pressed.
  int32_t MessageBox(const char* text, const char* caption, int32_t flags);
  const std::vector<MessageBoxRecord>& MessagesShown() const { return messages_; }

  void Minimize();
  void Restore();
  bool Minimized() const { return minimized_; }

  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  void ProcessMessages() { MessageLoop::Instance().ProcessMessages(); }

  // Where a modal loop takes its input: a function that performs the user's next
  // action and returns false when there is none.
  using ModalInput = std::function<bool()>;
  void SetModalInput(ModalInput input) { modal_input_ = std::move(input); }
  // One round of a modal loop; raises EInvalidOperation when no input is left.
  void HandleModalInput(const AnsiString& waiting);

 private:
  // The forms' windows show the application's icon again (after it changed).
  void IconChanged(TObject* sender);

  TForm* main_form_ = nullptr;
  AnsiString title_;
  bool active_ = true;
  bool minimized_ = false;
  bool terminated_ = false;
  TIcon* icon_;
  TNotifyEvent on_activate_, on_deactivate_;
  std::vector<MessageBoxRecord> messages_;
  ModalInput modal_input_;
};

class HOST_API TScreen : public TComponent {
 public:
  explicit TScreen(TComponent* owner) : TComponent(owner) {}
  HOST_CLASS_NAME(TScreen)
  // Every form, in creation order.
  int32_t FormCount() const { return static_cast<int32_t>(forms_.size()); }
  TForm* Forms(int32_t index) const;
  int32_t Height() const;
  int32_t Width() const;
  TForm* ActiveForm() const;

  void AddForm(TForm* form) { forms_.push_back(form); }
  void RemoveForm(TForm* form);

 private:
  std::vector<TForm*> forms_;
};

// The host globals; the IDE creates them at start and frees them at shutdown.
HOST_API extern TApplication* Application;
HOST_API extern TScreen* Screen;

}  // namespace host
