#pragma once

// The files of the batch jobs around the library's own: where an output is written until it is
// complete, standard input kept for the conversions that read their file twice, and the look at
// an input before anything is loaded from it.
#include <cstdint>
#include <string>

#include "convert/Report.h"

namespace zuvo::cli {

// The file a job writes. A new or regular target is written as a temporary file beside it,
// which takes the target's name only when the job succeeded, so that a job that fails or is
// stopped never leaves a partial file under that name. The temporary name keeps the target's
// extension, so that the column type file written beside it is renamed too
// ("orders~zuvo12.csv" and "orders~zuvo12.csd"). Appending, a target that is not a regular
// file (a device, a directory) and a folder where no file can be made write the target itself.
// "-" is standard output.
class StagedOutput {
 public:
  // `columnTypes`: the library writes a column type file beside the output.
  StagedOutput(const std::string& target, bool append, bool columnTypes);
  ~StagedOutput();  // discards what was not committed
  StagedOutput(const StagedOutput&) = delete;
  StagedOutput& operator=(const StagedOutput&) = delete;

  // The path the library is to write.
  const std::string& path() const { return path_; }
  // The library writes a file of ours, so the target stays as it was until commit.
  bool staged() const { return staged_; }
  // Puts the finished output in place; an error message, empty when done.
  std::string commit();
  // Removes the temporary files.
  void discard();
  // A message of the library with the temporary names replaced by the final ones.
  std::string tell(std::string message) const;

 private:
  std::string target_;
  std::string path_;
  std::string typeTemp_;    // the temporary's column type file; empty when none
  std::string typeTarget_;  // and the target's
  bool staged_ = false;     // path_ is a temporary file of ours
  bool toStdout_ = false;   // path_ is copied to standard output on commit
};

// The input of a job. "-" is standard input, copied first to a temporary file, since the
// conversions read a regular file and some read it twice.
class SpooledInput {
 public:
  SpooledInput() = default;
  ~SpooledInput();
  SpooledInput(const SpooledInput&) = delete;
  SpooledInput& operator=(const SpooledInput&) = delete;

  // Takes `file`, spooling "-"; an error message, empty when done.
  std::string take(const std::string& file);
  const std::string& path() const { return path_; }
  // The name to show for the input.
  std::string shown() const { return spooled_ ? "standard input" : path_; }
  std::string tell(std::string message) const;

 private:
  std::string path_;
  bool spooled_ = false;
};

// What one streaming pass over an input found.
struct TextScan {
  bool opened = false;
  std::uint64_t size = 0;
  // Valid UTF-8 throughout, holding sequences of three bytes or more: Japanese text in UTF-8.
  // Two-byte sequences alone do not count: half-width katakana in Shift-JIS can form them.
  bool looksLikeUtf8 = false;
  // The first line (from 1) holding bytes that are not valid in the encoding; 0 when none.
  std::int64_t invalidLine = 0;
  bool lineEnds = false;  // holds a CR or an LF
};

struct ScanFor {
  bool utf8Look = false;
  bool validity = false;  // in `encoding`
  bool lineEnds = false;
  TextEncoding encoding = TextEncoding::ShiftJis;
};

// Reads `path` once, stopping as soon as everything asked for is known. A file that cannot be
// read gives opened false; the conversion that follows tells why.
TextScan scanText(const std::string& path, const ScanFor& what);

// Replaces every `from` in `s` by `to`.
std::string replaced(std::string s, const std::string& from, const std::string& to);

}  // namespace zuvo::cli
