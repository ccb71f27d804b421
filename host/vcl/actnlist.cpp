#include "host/vcl/actnlist.h"

namespace host {

bool TBasicAction::Execute() {
  if (!on_execute_) return false;
  on_execute_(this);
  return true;
}

}  // namespace host
