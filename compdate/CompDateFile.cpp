#include "compdate/CompDateFile.h"

#include "host/rtl/filelock.h"
#include "host/rtl/textfile.h"

namespace FleetforgeCompDate {

namespace {

// The header lines that carry the counters, by the length of their fixed part.
constexpr const char* kBuildHeader = "// Build: ";
constexpr const char* kInternalHeader = "// Internal: ";
constexpr host::Integer kBuildHeaderLength = 10;
constexpr host::Integer kInternalHeaderLength = 13;

constexpr const char* kCreatedBy = "// automatically created by Fleetforge v0.0.1 (build 18)";
constexpr const char* kLineEnd = "\r\n";

// One initialised variable of the unit's var section: two blanks, the name
// padded to 19 characters, ":", the type padded to 10, "= " and the value.
AnsiString Variable(const char* name, const char* type, const AnsiString& value) {
  AnsiString line = "  ";
  line += name;
  line.resize(2 + 19, ' ');
  line += ':';
  line += type;
  line.resize(2 + 19 + 1 + 10, ' ');
  line += "= ";
  line += value;
  line += ';';
  return line;
}

AnsiString Quoted(const AnsiString& text) {
  return "'" + text + "'";
}

// The counter of one header line: its fixed part removed, whatever it holds.
int32_t HeaderCounter(AnsiString line, host::Integer headerLength) {
  host::Delete(line, 1, headerLength);
  return host::StrToInt(line);
}

}  // namespace

std::pair<int32_t, int32_t> ReadCompDate(const AnsiString& path) {
  host::TTextFile file;
  file.Reset(path);
  file.ReadLn();
  file.ReadLn();
  const int32_t build = HeaderCounter(file.ReadLn(), kBuildHeaderLength);
  const int32_t internal = HeaderCounter(file.ReadLn(), kInternalHeaderLength);
  file.CloseFile();
  return {build, internal};
}

AnsiString CompDateText(int32_t build, int32_t internal, TDateTime moment) {
  const AnsiString b = host::IntToStr(build);
  const AnsiString i = host::IntToStr(internal);
  const AnsiString date = host::FormatDateTime("yyyy\"/\"m\"/\"d", moment);
  const AnsiString time = host::FormatDateTime("hh:nn:ss", moment);
  const AnsiString number = host::Trim(host::StrExtended(moment));

  const AnsiString lines[] = {
      "unit CompDate;",
      "",
      kBuildHeader + b,
      kInternalHeader + i,
      "",
      kCreatedBy,
      "",
      "interface",
      "",
      "var",
      Variable("CompileBuild", "Integer", b),
      Variable("CompileBuildStr", "String", Quoted(b)),
      Variable("CompileInternal", "Integer", i),
      Variable("CompileInternalStr", "String", Quoted(i)),
      Variable("CompileDate", "String", Quoted(date)),
      Variable("CompileTime", "String", Quoted(time)),
      Variable("CompileDateTime", "TDateTime", number),
      "",
      "implementation",
      "",
      "end.",
  };
  AnsiString text;
  for (const AnsiString& line : lines) {
    text += line;
    text += kLineEnd;
  }
  return text;
}

void WriteCompDate(const AnsiString& path, int32_t build, int32_t internal) {
  WriteCompDate(path, build, internal, host::Now());
}

void WriteCompDate(const AnsiString& path, int32_t build, int32_t internal, TDateTime moment) {
  // The whole text is made before the file is touched.
  const AnsiString text = CompDateText(build, internal, moment);
  host::TLockedFile(path).Replace(text);
}

AnsiString CompDatePath(const AnsiString& projectFileName) {
  return host::ExtractFilePath(projectFileName) + kCompDateFileName;
}

bool IsDelphiProject(const AnsiString& projectFileName) {
  return host::ExtractFileExt(projectFileName) == kDelphiProjectExt;
}

TCompDateUpdate UpdateCompDate(const AnsiString& projectFileName, bool isCodeInsight,
                               int32_t& BuildCounter, int32_t& InternalCounter,
                               std::optional<TDateTime> moment) {
  TCompDateUpdate update;
  if (!IsDelphiProject(projectFileName)) return update;
  update.Path = CompDatePath(projectFileName);
  // The read, the raise and the write hold the file's writers' lock, so that
  // compiles of several projects in one folder all count.
  host::TLockedFile lock(update.Path);
  if (host::FileExists(update.Path)) {
    const auto [build, internal] = ReadCompDate(update.Path);
    BuildCounter = build;
    InternalCounter = internal;
    update.FromFile = true;
  } else {
    BuildCounter = 0;
    InternalCounter = 0;
  }
  if (isCodeInsight) {
    InternalCounter = NextCounter(InternalCounter);
  } else {
    BuildCounter = NextCounter(BuildCounter);
  }
  lock.Replace(CompDateText(BuildCounter, InternalCounter, moment ? *moment : host::Now()));
  update.Written = true;
  return update;
}

}  // namespace FleetforgeCompDate
