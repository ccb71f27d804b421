// Actions: commands that menu items and controls can share.
#pragma once

#include "host/rtl/classes.h"

namespace host {

class HOST_API TBasicAction : public TComponent {
 public:
  using TComponent::TComponent;
  HOST_CLASS_NAME(TBasicAction)
  TNotifyEvent OnExecute() const { return on_execute_; }
  void SetOnExecute(TNotifyEvent e) { on_execute_ = e; }
  // Runs the action's command; false when it has none.
  virtual bool Execute();

 private:
  TNotifyEvent on_execute_;
};

class HOST_API TAction : public TBasicAction {
 public:
  using TBasicAction::TBasicAction;
  HOST_CLASS_NAME(TAction)
  const AnsiString& Caption() const { return caption_; }
  void SetCaption(const AnsiString& c) { caption_ = c; }

 private:
  AnsiString caption_;
};

}  // namespace host
