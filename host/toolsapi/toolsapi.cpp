#include "host/toolsapi/toolsapi.h"

namespace host {

IBorlandIDEServices* BorlandIDEServices = nullptr;
TIToolServices* ToolServices = nullptr;

}  // namespace host
