#include "BatchJob.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "platform/Posix.h"

namespace zuvo::cli {

namespace {

volatile std::sig_atomic_t caughtSignal = 0;

extern "C" void noteSignal(int signal) {
  if (caughtSignal != 0) {
    // Asked twice: the user does not want to wait for the clean end.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return;
  }
  caughtSignal = signal;
}

}  // namespace

SignalGuard::SignalGuard() {
  caughtSignal = 0;
  struct sigaction action {};
  action.sa_handler = noteSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a read of standard input that waits returns, so the spooling sees the flag.
  action.sa_flags = 0;
  sigaction(SIGINT, &action, &oldInt_);
  sigaction(SIGTERM, &action, &oldTerm_);
}

SignalGuard::~SignalGuard() {
  sigaction(SIGINT, &oldInt_, nullptr);
  sigaction(SIGTERM, &oldTerm_, nullptr);
}

int SignalGuard::caught() {
  return caughtSignal;
}

void JobPump::processPending() {
  if (SignalGuard::caught() != 0) throw Interrupted{};
  if (bar_) bar_->processPending();
}

std::vector<std::string> changedValues(const ConversionReport& report, bool quotes) {
  std::vector<std::string> said;
  const ChangedValues& s = report.substituted;
  if (s.count > 0)
    said.push_back(std::to_string(s.count) + (s.count == 1 ? " value was" : " values were") +
                   " changed to the substitute character (the first in record " +
                   std::to_string(s.firstRecord) + ", field " + std::to_string(s.firstField) + ")");
  const ChangedValues& q = report.quoted;
  if (quotes && q.count > 0)
    said.push_back(std::to_string(q.count) + (q.count == 1 ? " value holds" : " values hold") +
                   " a double quote, written as it is, so the file will not read back the same "
                   "(the first in record " +
                   std::to_string(q.firstRecord) + ")");
  return said;
}

JobError interrupted(const std::string& what) {
  int signal = SignalGuard::caught();
  return {std::string(signal == SIGTERM ? "terminated" : "interrupted") +
              (what.empty() ? "" : "; " + what),
          128 + signal};
}

void stopIfSignalled(const std::string& what) {
  if (SignalGuard::caught() != 0) throw interrupted(what);
}

TextEncoding encodingNamed(const std::string& name) {
  std::string lower;
  for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower == "cp932" ? TextEncoding::ShiftJis : TextEncoding::Utf8;
}

std::filesystem::path homeDirectory(const std::optional<std::string>& home) {
  return home ? std::filesystem::path(*home) : posix::defaultHome();
}

TextScan checkInput(const std::string& path, const std::string& shown, TextEncoding encoding,
                    bool csv, bool strict, bool lineEnds) {
  ScanFor what;
  what.encoding = encoding;
  what.utf8Look = csv && encoding == TextEncoding::ShiftJis;
  what.validity = strict;
  what.lineEnds = lineEnds;
  if (!what.utf8Look && !what.validity && !what.lineEnds) return {};
  TextScan scan = scanText(path, what);
  stopIfSignalled("");
  if (scan.looksLikeUtf8) throw JobError{shown + " looks like UTF-8: give --encoding utf-8"};
  if (scan.invalidLine != 0)
    throw JobError{"line " + std::to_string(scan.invalidLine) + " of " + shown +
                   " holds bytes that are not " +
                   (encoding == TextEncoding::Utf8 ? "UTF-8" : "Shift-JIS") + " (--strict)"};
  return scan;
}

void finishOutput(const ConversionReport& report, bool quotes, bool strict, StagedOutput& out,
                  const std::string& shown, const std::string& title) {
  auto changed = changedValues(report, quotes);
  if (strict && !changed.empty()) {
    std::string said = changed.front();
    if (changed.size() > 1) said += "; " + changed.back();
    throw JobError{said + "; --strict: " +
                   (out.staged()
                        ? shown + " was left as it was"
                        : shown + " holds them (it is appended to or not a regular file)")};
  }
  for (const auto& line : changed)
    std::fprintf(stderr, "zuvo %s: %s\n", title.c_str(), line.c_str());
  if (std::string error = out.commit(); !error.empty()) throw JobError{error};
}

}  // namespace zuvo::cli
