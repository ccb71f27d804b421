// The picture of the desktop in a build without cairo (the Windows build): every
// request for one is refused with a message that says why.
#include <stdexcept>

#include "ide/picture.h"

namespace ide {

void DrawDesktopFile(const std::string& file) {
  throw std::runtime_error(file + ": this build draws no pictures (it was built without cairo)");
}

}  // namespace ide
