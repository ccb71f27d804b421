// Quoting user data in error messages.
#pragma once

#include "host/rtl/sysutils.h"

namespace host {

// User data as an error message quotes it: in single quotes, at most its first
// 60 characters (then "..." before the closing quote), every control character
// written as \xNN. A message never carries a whole file line or a terminal's
// escape sequence this way.
HOST_API AnsiString QuotedForMessage(const AnsiString& text);

}  // namespace host
