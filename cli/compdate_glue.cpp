#include "cli/commands.h"
#include "cli/compdate_command.h"

namespace fleetforge {

int RunCompDateCommand(const CompDateOptions& options, std::ostream& out, std::ostream& err) {
  return RunCompDate(options.Project, options.CodeInsight, out, err);
}

}  // namespace fleetforge
