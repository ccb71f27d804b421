// 8-bit text files with CR LF line ends, and whole-file helpers.
#pragma once

#include <cstdio>
#include <string>

#include "host/rtl/sysutils.h"

namespace host {

// A text file variable: Reset opens for reading, Rewrite creates or truncates for
// writing. Every operation checks for an input/output failure and raises
// EInOutError with the host's message for it.
class HOST_API TTextFile {
 public:
  TTextFile() = default;
  TTextFile(const TTextFile&) = delete;
  TTextFile& operator=(const TTextFile&) = delete;
  ~TTextFile();  // closes silently if still open

  void Reset(const AnsiString& path);
  void Rewrite(const AnsiString& path);
  // Reads up to the next line end (CR LF, LF or a lone CR) and consumes it. At the
  // end of the file it returns an empty string, as the host's ReadLn does.
  AnsiString ReadLn();
  bool Eof();
  void Write(const AnsiString& text);
  void WriteLn(const AnsiString& text);  // text, then CR LF
  void CloseFile();
  bool IsOpen() const { return file_ != nullptr; }

 private:
  std::FILE* file_ = nullptr;
  AnsiString path_;
  bool writing_ = false;
};

// Reads a whole file; EInOutError when it cannot be read.
HOST_API std::string ReadFileBytes(const AnsiString& path);
// Replaces path with bytes under the writers' lock of the file (filelock.h): a
// temporary file in the same folder is written, flushed to disk and renamed over
// path, or a file in a folder that cannot be written is rewritten in place. On any
// failure path is left as it was and EInOutError "<path>: <cause>" is raised.
// A new file gets newFileMode less the umask; a replaced one keeps its owner,
// group and mode bits.
HOST_API void AtomicWriteFile(const AnsiString& path, const std::string& bytes,
                              unsigned newFileMode = 0666);
// The host message for an errno value ("File not found", "Access denied", ...).
HOST_API AnsiString InOutErrorMessage(int error);

}  // namespace host
