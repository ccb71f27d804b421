#include "host/vcl/forms.h"

#include <algorithm>

#include "host/rtl/modules.h"
#include "host/vcl/stdctrls.h"

namespace host {

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

const char* BorderStyleName(TFormBorderStyle style) {
  const char* name = ValueName(kBorderStyleNames, style);
  return name != nullptr ? name : "bsSizeable";
}

std::vector<std::string> BorderIconNames(TBorderIcons icons) {
  std::vector<std::string> names;
  for (const auto& icon : kBorderIconNames)
    if (icons & icon.Value) names.push_back(icon.Name);
  return names;
}

const char* WindowStateName(TWindowState state) {
  const char* name = ValueName(kWindowStateNames, state);
  return name != nullptr ? name : "wsNormal";
}

const char* FormStyleName(TFormStyle style) {
  const char* name = ValueName(kFormStyleNames, style);
  return name != nullptr ? name : "fsNormal";
}

// Every form's window is a pop-up window (no owner, never a child), captioned
// or not: the system keeps a window's place in the z-order when its caption
// comes and goes.
WindowStyle FormWindowStyle(TFormBorderStyle style, TBorderIcons icons) {
  WindowStyle s;
  switch (style) {
    case bsNone:
      s.Style = WS_POPUP;
      break;
    case bsSingle:
      s.Style = WS_POPUP | WS_CAPTION;
      break;
    case bsSizeable:
      s.Style = WS_POPUP | WS_CAPTION | WS_THICKFRAME;
      break;
    case bsDialog:
      s.Style = WS_POPUP | WS_CAPTION;
      s.ExStyle = WS_EX_DLGMODALFRAME;
      break;
    case bsToolWindow:
      s.Style = WS_POPUP | WS_CAPTION;
      s.ExStyle = WS_EX_TOOLWINDOW;
      break;
    case bsSizeToolWin:
      s.Style = WS_POPUP | WS_CAPTION | WS_THICKFRAME;
      s.ExStyle = WS_EX_TOOLWINDOW;
      break;
  }
  if (icons & biSystemMenu) s.Style |= WS_SYSMENU;
  if (icons & biMinimize) s.Style |= WS_MINIMIZEBOX;
  if (icons & biMaximize) s.Style |= WS_MAXIMIZEBOX;
  if (icons & biHelp) s.ExStyle |= WS_EX_CONTEXTHELP;
  return s;
}

TFormBorderStyle BorderStyleOfWindow(const WindowStyle& s) {
  if ((s.Style & WS_CAPTION) != WS_CAPTION) return bsNone;
  const bool sizing = (s.Style & WS_THICKFRAME) != 0;
  if (s.ExStyle & WS_EX_TOOLWINDOW) return sizing ? bsSizeToolWin : bsToolWindow;
  if (s.ExStyle & WS_EX_DLGMODALFRAME) return bsDialog;
  return sizing ? bsSizeable : bsSingle;
}

TBorderIcons BorderIconsOfWindow(const WindowStyle& s) {
  TBorderIcons icons = 0;
  if (s.Style & WS_SYSMENU) icons |= biSystemMenu;
  if (s.Style & WS_MINIMIZEBOX) icons |= biMinimize;
  if (s.Style & WS_MAXIMIZEBOX) icons |= biMaximize;
  if (s.ExStyle & WS_EX_CONTEXTHELP) icons |= biHelp;
  return icons;
}

// ---- TForm -------------------------------------------------------------------

TForm::TForm(TComponent* owner) : TWinControl(owner) {
  SetVisibleFlag(false);
  if (Screen != nullptr) Screen->AddForm(this);
}

TForm::~TForm() {
  on_destroy_(this);
  if (menu_ != nullptr) menu_->SetOnChange({});
  menu_ = nullptr;
  // Owned components go while the form is still a form.
  DestroyComponents();
  if (Screen != nullptr) Screen->RemoveForm(this);
  if (Application != nullptr && Application->MainForm() == this) Application->SetMainForm(nullptr);
  if (handle_ != 0) WindowSystem::Instance().DestroyWindow(handle_);
}

void TForm::DoCreate() {
  on_create_(this);
}

int32_t TForm::FrameWidth() const {
  switch (border_style_) {
    case bsNone:
      return 0;
    case bsSingle:
    case bsDialog:
    case bsToolWindow:
      return GetSystemMetrics(SM_CXDLGFRAME);
    case bsSizeable:
    case bsSizeToolWin:
      return GetSystemMetrics(SM_CXFRAME);
  }
  return 0;
}

int32_t TForm::CaptionHeight() const {
  switch (border_style_) {
    case bsNone:
      return 0;
    case bsToolWindow:
    case bsSizeToolWin:
      return GetSystemMetrics(SM_CYSMCAPTION);
    default:
      return GetSystemMetrics(SM_CYCAPTION);
  }
}

int32_t TForm::MenuBarHeight() const {
  return menu_ != nullptr ? GetSystemMetrics(SM_CYMENU) : 0;
}

TPoint TForm::ClientOrigin() const {
  const int32_t f = FrameWidth();
  return {f, f + CaptionHeight() + MenuBarHeight()};
}

int32_t TForm::ClientWidth() const {
  return std::max(Width() - 2 * FrameWidth(), 0);
}

int32_t TForm::ClientHeight() const {
  return std::max(Height() - 2 * FrameWidth() - CaptionHeight() - MenuBarHeight(), 0);
}

void TForm::SetClientWidth(int32_t w) {
  SetWidth(ClampWindowSize(int64_t{w} + 2 * FrameWidth()));
}

void TForm::SetClientHeight(int32_t h) {
  SetHeight(ClampWindowSize(int64_t{h} + 2 * FrameWidth() + CaptionHeight() + MenuBarHeight()));
}

void TForm::SetMenu(TMainMenu* menu) {
  if (menu_ != nullptr) menu_->SetOnChange({});
  menu_ = menu;
  if (menu_ != nullptr) menu_->SetOnChange(TNotifyEvent(this, &TForm::MenuChanged));
  MenuChanged(this);
}

void TForm::MenuChanged(TObject*) {
  if (handle_ == 0) return;
  if (menu_ == nullptr) {
    WindowSystem::Instance().SetMenu(handle_, nullptr);
    return;
  }
  const std::vector<MenuEntry> entries = menu_->Entries();
  WindowSystem::Instance().SetMenu(handle_, &entries);
}

void TForm::MenuCommand(UINT command) {
  if (menu_ == nullptr) return;
  if (TMenuItem* item = menu_->Items()->FindCommand(command)) item->Click();
}

void TForm::ChooseMenuItem(TMenuItem* item) {
  if (menu_ == nullptr || handle_ == 0 ||
      !WindowSystem::Instance().SendMenuCommand(handle_, item->Command()))
    item->Click();
}

void TForm::DialogKeyPressed(DialogKey key) {
  if (key == DialogKey::Enter)
    KeyEnter();
  else
    KeyEscape();
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == border_style_) return;
  border_style_ = style;
  ApplyWindowStyle();
}

void TForm::SetBorderIcons(TBorderIcons icons) {
  if (icons == border_icons_) return;
  border_icons_ = icons;
  ApplyWindowStyle();
}

void TForm::ApplyWindowStyle() {
  if (handle_ == 0) return;
  WindowSystem::Instance().SetStyle(handle_, FormWindowStyle(border_style_, border_icons_));
  ContentChanged();
}

void TForm::SetCaption(const AnsiString& text) {
  if (text == Caption()) return;
  TWinControl::SetCaption(text);
  if (handle_ != 0) WindowSystem::Instance().SetText(handle_, text);
}

void TForm::ContentChanged() {
  if (handle_ != 0) WindowSystem::Instance().Invalidate(handle_);
}

void TForm::UpdateWindowIcon() {
  if (handle_ == 0) return;
  const HICON own = icon_.Handle();
  const HICON application = Application != nullptr ? Application->Icon()->Handle() : 0;
  WindowSystem::Instance().SetIcon(handle_, own != 0 ? own : application);
}

void TForm::SetFormStyle(TFormStyle style) {
  form_style_ = style;
  if (handle_ != 0)
    SetWindowPos(handle_, style == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

void TForm::SetWindowState(TWindowState state) {
  if (state == window_state_) return;
  window_state_ = state;
  if (state == wsMaximized) {
    // The normal bounds are kept while the form is maximised or minimised from
    // maximised; a form minimised from normal still has them as its bounds.
    if (!restored_bounds_) restored_bounds_ = BoundsRect();
    const TRect wa = WindowSystem::Instance().WorkArea();
    const int32_t f = FrameWidth();
    TWinControl::SetBounds(wa.Left - f, wa.Top - f, wa.Width() + 2 * f, wa.Height() + 2 * f);
  } else if (state == wsNormal && restored_bounds_) {
    const TRect r = *restored_bounds_;
    restored_bounds_.reset();
    TWinControl::SetBounds(r.Left, r.Top, r.Width(), r.Height());
  }
  if (handle_ != 0)
    WindowSystem::Instance().SetWindowState(handle_, state == wsMinimized, state == wsMaximized);
}

void TForm::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  // A maximised window is placed where it is told and stays maximised; the new
  // placement is also where it goes when restored. A window minimised from
  // maximised keeps its rectangle until it is restored to that placement.
  if (restored_bounds_) {
    restored_bounds_ = TRect::OfWindow(left, top, width, height);
    if (window_state_ != wsMaximized) return;
  }
  TWinControl::SetBounds(left, top, width, height);
}

void TForm::BoundsChanged(bool) {
  ApplyWindowBounds();
}

TRect TForm::WindowRect() const {
  return BoundsRect();
}

void TForm::ApplyWindowBounds() {
  if (handle_ != 0 && !moved_by_system_) WindowSystem::Instance().SetBounds(handle_, WindowRect());
}

void TForm::CreateHandle() {
  if (handle_ != 0) return;
  WindowSystem& ws = WindowSystem::Instance();
  handle_ =
      ws.CreateWindow(this, WindowRect(), FormWindowStyle(border_style_, border_icons_), Caption());
  ws.SetEnabled(handle_, Enabled());
  if (form_style_ == fsStayOnTop)
    ws.SetWindowPos(handle_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  if (window_state_ != wsNormal)
    ws.SetWindowState(handle_, window_state_ == wsMinimized, window_state_ == wsMaximized);
  if (Application != nullptr && Application->Minimized()) ws.SetMinimized(handle_, true);
  UpdateWindowIcon();
  MenuChanged(this);
  CreateSystemControls(handle_);
}

void TForm::WindowMoved(const TRect& bounds) {
  if (bounds == BoundsRect()) return;
  moved_by_system_ = true;
  try {
    SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
  } catch (...) {
    moved_by_system_ = false;
    throw;
  }
  moved_by_system_ = false;
  // Bounds the form does not take (its constraints) go back to the window.
  if (BoundsRect() != bounds) ApplyWindowBounds();
}

void TForm::WindowCloseRequested() {
  Close();
}

void TForm::ApplicationActivated(bool active) {
  if (Application != nullptr) Application->SetActive(active);
}

bool TForm::IsApplicationWindow() const {
  return Application != nullptr && Application->MainForm() == this;
}

void TForm::ApplicationRestoreRequested() {
  if (Application != nullptr && Application->Minimized()) Application->Restore();
}

HWND TForm::Handle() {
  CreateHandle();
  return handle_;
}

bool TForm::Shown() const {
  return handle_ != 0 && WindowSystem::Instance().IsShown(handle_);
}

bool TForm::Active() const {
  return handle_ != 0 && WindowSystem::Instance().ActiveWindow() == handle_;
}

void TForm::SetVisible(bool visible) {
  // Setting the state a form already has changes nothing: a visible form is not
  // activated or raised again (and a window hidden directly stays hidden).
  if (visible == Visible() && (visible || handle_ == 0 || !Shown())) return;
  if (visible) {
    CreateHandle();
    const bool was = Visible();
    SetVisibleFlag(true);
    if (position_ == poScreenCenter && !was) {
      const TRect wa = WindowSystem::Instance().WorkArea();
      TWinControl::SetBounds(wa.Left + (wa.Width() - Width()) / 2,
                             wa.Top + (wa.Height() - Height()) / 2, Width(), Height());
    }
    WindowSystem::Instance().Show(handle_, true, true);
    if (!was) on_show_(this);
  } else {
    SetVisibleFlag(false);
    if (handle_ != 0) WindowSystem::Instance().Show(handle_, false, false);
  }
}

void TForm::Show() {
  SetVisible(true);
  // Show keeps its meaning for a form whose window was hidden directly: the
  // window comes back, in front and active.
  WindowSystem::Instance().Show(handle_, true, true);
}

void TForm::SetEnabled(bool enabled) {
  TWinControl::SetEnabled(enabled);
  if (handle_ != 0) WindowSystem::Instance().SetEnabled(handle_, enabled);
}

void TForm::Close() {
  on_close_(this);
  if (modal_) {
    modal_result_ = mrCancel;
    return;
  }
  if (Application != nullptr && Application->MainForm() == this) {
    Application->Terminate();
    return;
  }
  Hide();
}

TModalResult TForm::ShowModal() {
  if (Visible() || modal_) throw EInvalidOperation("Cannot make a visible window modal");
  WindowSystem& ws = WindowSystem::Instance();
  const HWND previous = ws.ActiveWindow();
  std::vector<TForm*> disabled;
  if (Screen != nullptr) {
    for (int32_t i = 0; i < Screen->FormCount(); ++i) {
      TForm* f = Screen->Forms(i);
      if (f != this && f->Enabled()) {
        f->SetEnabled(false);
        disabled.push_back(f);
      }
    }
  }
  modal_ = true;
  modal_result_ = mrNone;
  const auto restore = [&] {
    modal_ = false;
    Hide();
    for (TForm* f : disabled)
      if (Screen != nullptr) {
        for (int32_t i = 0; i < Screen->FormCount(); ++i)
          if (Screen->Forms(i) == f) f->SetEnabled(true);
      }
    // The window that was active before comes back as the active one (the
    // windows were still disabled when the modal window was hidden).
    if (ws.ActiveWindow() == 0) {
      const std::optional<WindowInfo> w = ws.Info(previous);
      if (previous != handle_ && w && w->Visible && w->Enabled)
        ws.Activate(previous);
      else
        ws.ActivateFront(handle_);
    }
  };
  try {
    Show();
    // The keyboard goes to the first control in the tab order that takes it.
    for (TWinControl* control : TabList())
      if (control->SystemHandle() != 0 && control->TabStop() && control->Visible() &&
          control->Enabled()) {
        ws.FocusControl(control->SystemHandle());
        break;
      }
    while (modal_result_ == mrNone) {
      Application->HandleModalInput(Caption());
      if (Application->Terminated() && modal_result_ == mrNone) modal_result_ = mrCancel;
    }
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return modal_result_;
}

void TForm::SetFocus() {
  if (!Visible() || !Enabled())
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  WindowSystem::Instance().Activate(Handle());
}

namespace {
TButton* FindButton(const TWinControl* parent, bool wantDefault) {
  for (int32_t i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (auto* b = dynamic_cast<TButton*>(c)) {
      if (b->Visible() && b->Enabled() && (wantDefault ? b->Default() : b->Cancel())) return b;
    }
    if (auto* w = dynamic_cast<TWinControl*>(c))
      if (TButton* b = FindButton(w, wantDefault)) return b;
  }
  return nullptr;
}
}  // namespace

void TForm::KeyEnter() {
  if (TButton* b = FindButton(this, true)) b->Click();
}

void TForm::KeyEscape() {
  if (TButton* b = FindButton(this, false)) b->Click();
}

void TForm::WindowClicked(int32_t x, int32_t y) {
  if (y >= FrameWidth() && y < FrameWidth() + CaptionHeight()) return;  // the caption bar
  MouseClick(x, y);
}

void TForm::WindowActivated(bool) {}

// ---- TApplication --------------------------------------------------------------

TApplication::TApplication(TComponent* owner) : TComponent(owner), icon_(new TIcon) {
  icon_->SetOnChange(TNotifyEvent(this, &TApplication::IconChanged));
}

void TApplication::IconChanged(TObject*) {
  if (Screen != nullptr)
    for (int32_t i = 0; i < Screen->FormCount(); ++i) Screen->Forms(i)->UpdateWindowIcon();
}

TApplication::~TApplication() {
  delete icon_;
}

void TApplication::SetActive(bool active) {
  if (active == active_) return;
  active_ = active;
  if (active) {
    if (minimized_) Restore();
    on_activate_(this);
  } else {
    on_deactivate_(this);
  }
}

int32_t TApplication::MessageBox(const char* text, const char* caption, int32_t flags) {
  messages_.push_back({text ? text : "", caption ? caption : "", flags});
  // The system's own box where the window system has one; the session's input
  // keeps coming while it waits.
  if (const std::optional<int> answer = WindowSystem::Instance().MessageBox(
          text ? text : "", caption ? caption : "", static_cast<UINT>(flags),
          [&] { HandleModalInput(caption ? caption : ""); }))
    return *answer;
  // The box is a small modal dialog with its text and an OK button.
  TForm box(nullptr);
  box.SetName("MessageBox");
  box.SetCaption(caption ? caption : "");
  box.SetBorderStyle(bsDialog);
  box.SetBorderIcons(biSystemMenu);
  const int32_t text_width = DialogFontTextWidth(text ? text : "");
  box.SetClientWidth(std::max(text_width + 48, 120));
  box.SetClientHeight(80);
  box.SetPosition(poScreenCenter);
  // The text, as the box shows it above its button.
  auto* label = new TLabel(&box);
  label->SetParent(&box);
  label->SetAutoSize(false);
  label->SetCaption(text ? text : "");
  label->SetBounds(24, 16, box.ClientWidth() - 32, 16);
  auto* ok = new TButton(&box);
  ok->SetParent(&box);
  ok->SetCaption("OK");
  ok->SetDefault(true);
  ok->SetCancel(true);
  ok->SetModalResult(mrOk);
  ok->SetBounds((box.ClientWidth() - 75) / 2, 44, 75, 25);
  const TModalResult result = box.ShowModal();
  return result == mrOk || result == mrCancel ? IDOK : result;
}

void TApplication::Minimize() {
  minimized_ = true;
  if (Screen != nullptr)
    for (int32_t i = 0; i < Screen->FormCount(); ++i) {
      TForm* f = Screen->Forms(i);
      if (f->HandleAllocated()) WindowSystem::Instance().SetMinimized(f->Handle(), true);
    }
}

void TApplication::Restore() {
  minimized_ = false;
  if (Screen != nullptr)
    for (int32_t i = 0; i < Screen->FormCount(); ++i) {
      TForm* f = Screen->Forms(i);
      if (f->HandleAllocated() && f->WindowState() != wsMinimized)
        WindowSystem::Instance().SetMinimized(f->Handle(), false);
    }
}

void TApplication::HandleModalInput(const AnsiString& waiting) {
  if (!modal_input_ || !modal_input_())
    throw EInvalidOperation("The modal window \"" + waiting +
                            "\" is waiting for input, and none is left");
}

// ---- TScreen -------------------------------------------------------------------

TForm* TScreen::Forms(int32_t index) const {
  if (index < 0 || index >= FormCount())
    throw EListError("List index out of bounds (" + IntToStr(index) + ")");
  return forms_[static_cast<size_t>(index)];
}

void TScreen::RemoveForm(TForm* form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
}

int32_t TScreen::Height() const {
  return WindowSystem::Instance().Screen().Height;
}
int32_t TScreen::Width() const {
  return WindowSystem::Instance().Screen().Width;
}

TForm* TScreen::ActiveForm() const {
  const HWND active = WindowSystem::Instance().ActiveWindow();
  for (TForm* f : forms_)
    if (f->HandleAllocated() && f->Handle() == active) return f;
  return nullptr;
}

}  // namespace host
