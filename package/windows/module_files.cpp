// Writes what the Windows build links into the package DLL and the IDE's
// executable, from the same tables the POSIX build embeds:
//   Fleetforge7.def   the DLL's export definitions: each exported name of the
//                     package's export directory, as the linker symbol at its
//                     address;
//   Fleetforge7.rc    the package's resource script, with one file of bytes
//                     per resource beside it;
//   ide.rc            the IDE executable's own resources (its MAINICON).
//
// The program links the package's own object files, so the export directory's
// addresses are addresses in this program. Its COFF symbol table (the program
// is not stripped) says which external symbol lies at each of them; the DLL,
// linked from the same object files, has the same symbols.
//
//   fleetforge_module_files OUTPUT_FOLDER
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ide/resources.h"
#include "package/exports.h"
#include "package/resources.h"

#include "host/rtl/winapi.h"

namespace {

struct Symbol {
  std::string Name;
  bool Code = false;
};

uint32_t U32(const std::string& image, size_t at) {
  if (at + 4 > image.size()) throw std::runtime_error("the program's image is cut short");
  uint32_t value = 0;
  std::memcpy(&value, image.data() + at, 4);
  return value;
}
uint16_t U16(const std::string& image, size_t at) {
  if (at + 2 > image.size()) throw std::runtime_error("the program's image is cut short");
  uint16_t value = 0;
  std::memcpy(&value, image.data() + at, 2);
  return value;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(path + ": cannot be read");
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out.flush()) throw std::runtime_error(path + ": cannot be written");
}

// The external symbols of this program's COFF symbol table, by relative address.
std::multimap<uint32_t, Symbol> ExternalSymbols() {
  char path[MAX_PATH] = {};
  if (::GetModuleFileNameA(nullptr, path, MAX_PATH) == 0)
    throw std::runtime_error("the program's own file is not known");
  const std::string image = ReadFile(path);
  const uint32_t pe = U32(image, 0x3C);
  const size_t header = pe + 4;  // IMAGE_FILE_HEADER
  const uint16_t sectionCount = U16(image, header + 2);
  const uint32_t symbolTable = U32(image, header + 8);
  const uint32_t symbolCount = U32(image, header + 12);
  const uint16_t optionalSize = U16(image, header + 16);
  if (symbolTable == 0) throw std::runtime_error("the program has no symbol table (stripped?)");
  const size_t sections = header + 20 + optionalSize;
  const size_t strings = symbolTable + static_cast<size_t>(symbolCount) * 18;
  std::multimap<uint32_t, Symbol> symbols;
  for (uint32_t i = 0; i < symbolCount; ++i) {
    const size_t at = symbolTable + static_cast<size_t>(i) * 18;
    const auto section = static_cast<int16_t>(U16(image, at + 12));
    const auto storageClass = static_cast<uint8_t>(image.at(at + 16));
    const auto auxiliary = static_cast<uint8_t>(image.at(at + 17));
    if (storageClass == IMAGE_SYM_CLASS_EXTERNAL && section > 0 && section <= sectionCount) {
      std::string name;
      if (U32(image, at) == 0) {
        name = std::string(image.c_str() + strings + U32(image, at + 4));
      } else {
        name = std::string(image.data() + at, 8);
        name.resize(std::strlen(name.c_str()));
      }
      const size_t sectionHeader = sections + static_cast<size_t>(section - 1) * 40;
      const uint32_t address = U32(image, sectionHeader + 12) + U32(image, at + 8);
      const bool code = (U32(image, sectionHeader + 36) & IMAGE_SCN_CNT_CODE) != 0;
      symbols.emplace(address, Symbol{name, code});
    }
    i += auxiliary;
  }
  return symbols;
}

std::string Quoted(const std::string& text) {
  if (text.find('"') != std::string::npos) throw std::runtime_error("a quote in " + text);
  return "\"" + text + "\"";
}

void WriteDefinitions(const std::string& folder) {
  const auto symbols = ExternalSymbols();
  const auto base = reinterpret_cast<uintptr_t>(::GetModuleHandleA(nullptr));
  std::string out = "LIBRARY \"Fleetforge7.bpl\"\nEXPORTS\n";
  for (const host::TExportEntry& entry : Fleetforge7::ExportTable()) {
    const auto address = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(entry.Address) - base);
    const auto found = symbols.find(address);
    if (found == symbols.end())
      throw std::runtime_error(std::string("no external symbol for the export ") + entry.Name);
    out += "  " + Quoted(entry.Name) + " = " + found->second.Name +
           (found->second.Code ? "" : " DATA") + "\n";
  }
  WriteFile(folder + "/Fleetforge7.def", out);
}

// A resource type or name as a resource script writes it: "#3" is the number 3.
std::string ScriptName(const std::string& name) {
  return !name.empty() && name[0] == '#' ? name.substr(1) : name;
}

// One raw resource per entry, each from a file of its bytes.
void WriteScript(const std::string& folder, const std::string& script,
                 const std::vector<host::TResourceEntry>& resources) {
  std::string out = "// Generated from the resource table; each resource's bytes as they are.\n";
  for (const host::TResourceEntry& resource : resources) {
    const std::string file =
        script + "." + ScriptName(resource.Type) + "." + ScriptName(resource.Name) + ".bin";
    WriteFile(folder + "/" + file,
              std::string(static_cast<const char*>(resource.Data), resource.Size));
    out += ScriptName(resource.Name) + " " + ScriptName(resource.Type) + " " +
           Quoted(folder + "/" + file) + "\n";
  }
  WriteFile(folder + "/" + script + ".rc", out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: fleetforge_module_files OUTPUT_FOLDER\n";
    return 2;
  }
  try {
    const std::string folder = argv[1];
    WriteDefinitions(folder);
    WriteScript(folder, "Fleetforge7", Fleetforge7::PackageResources());
    WriteScript(folder, "ide", ide::IdeResources());
  } catch (const std::exception& error) {
    std::cerr << "fleetforge_module_files: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
