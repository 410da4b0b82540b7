#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace nulvane::support {

// The numbered texts that ship beside the program in its text file (nulvane.dat): the program's name (2),
// the "not specified" marker (4), the empty-help message (13 title, 17 text), the type-of-purge title (23),
// the manual's address (27) and the maker's folder name (310). One object is created at start-up, loaded
// once and then only read.
//
// File format (UTF-8, an optional byte-order mark is skipped; lines end in "\n" or "\r\n"):
//   # a comment             lines whose first non-blank character is '#' are ignored, as are blank lines
//   310<TAB>Maker's name    a text number 1..32767, one or more tabs or blanks, then the text
// Inside a text, the two characters \n stand for a line break (stored as CR LF), \t for a tab and \\ for a
// backslash; any other backslash is kept as it is. A text holds 1 to 1024 bytes after that. A file has at
// most 500 lines and 1 MiB, so every line number fits the result codes below.
//
// Result codes of lt/Parse: above 0 the number of texts read; 0 nothing but comments; -1 cannot open;
// -3 too much text; -4 a text that is not valid UTF-8; -5 a line without a valid text number; -6 empty file;
// -7 read error; -2/-8 out of memory; -500-L missing text at line L; -1000-L text too long at line L;
// -1500-L duplicate number at line L.
class ProgramText {
 public:
  static constexpr int kTextBufferSize = 1024;
  static constexpr int kMaxLines = 500;
  static constexpr std::int64_t kMaxFileBytes = 1 << 20;
  static constexpr int kLanguages = 6;  // languages 0..5 share the file's texts; the program asks for 0

  // Reads the whole file at `path` (flags: pass 0). On failure the table is left empty.
  int lt(platform::FileSystem& fileSystem, const std::string& path, int flags);
  // The same from memory (what lt does after reading); the codes -1 and -7 do not arise here.
  int Parse(std::string_view content);
  // Copies text n into the start of `buffer` (at most `size` bytes and the buffer's length); returns the
  // number of bytes placed, or 0 when there is no such text or language. `flags` is ignored (pass 1).
  int gt(std::int16_t n, std::int16_t language, std::span<char> buffer, int size, int flags) const;

  // Loads <programFolder>/<name>. Returns true on success. On failure it returns false with the message for
  // the user in `message`; it does NOT end the program: the caller shows that message (error icon, empty
  // title) and then ends the program.
  bool LoadProgramText(platform::FileSystem& fileSystem, const std::string& programFolder,
                       const std::string& name, std::string& message);
  // Text n of language 0; empty when the file does not define it.
  std::string GetProgramText(int n) const;

  // The message for a failed load's result code; `path` is named only when the file cannot be opened.
  static std::string MessageForResult(int result, const std::string& path);

 private:
  std::map<std::int16_t, std::string> texts_;
};

}  // namespace nulvane::support
