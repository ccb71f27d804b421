# Writes OUTPUT: a C++ source that holds every form image (FILES) as an RCDATA
# resource named after its file (TfmOptions.dfm -> "TFMOPTIONS").
set(body "")
foreach(file ${FILES})
  get_filename_component(name ${file} NAME_WE)
  string(TOUPPER ${name} resource)
  file(READ ${file} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(APPEND body "  {\"${resource}\", std::string({${bytes}})},\n")
endforeach()
file(WRITE ${OUTPUT}.new "// Generated from the form images; do not edit.\n#include <string>\n#include <utility>\n#include <vector>\n\nnamespace Fleetforge7 {\n\nconst std::vector<std::pair<std::string, std::string>>& FormImageResources() {\n  static const std::vector<std::pair<std::string, std::string>> images = {\n${body}  };\n  return images;\n}\n\n}  // namespace Fleetforge7\n")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
