#pragma once

// What the batch jobs share besides their files: how they stop on a signal, the event pump the
// conversions call, and how a job tells what it changed.
#include <csignal>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BatchFiles.h"
#include "BatchProgress.h"
#include "convert/Report.h"
#include "platform/Platform.h"

namespace zuvo::cli {

// A job that cannot go on: one line on standard error and the exit status.
struct JobError {
  std::string what;
  int status = 1;
};

// SIGINT and SIGTERM while a job runs: the handlers only note the signal, so that the
// conversion stops at its next event and its transaction is rolled back. A second signal ends
// the program at once. The handlers that were there before come back at the end of the job.
class SignalGuard {
 public:
  SignalGuard();
  ~SignalGuard();
  SignalGuard(const SignalGuard&) = delete;
  SignalGuard& operator=(const SignalGuard&) = delete;

  // The signal received, 0 while none was.
  static int caught();

 private:
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
};

// Thrown by the event pump after a signal; the library ends the conversion as a failed one.
struct Interrupted {};

// The event pump of every job, shown bar or not: it stops the conversion after a signal and
// otherwise lets the progress bar redraw.
class JobPump : public EventPump {
 public:
  explicit JobPump(std::shared_ptr<ProgressBar> bar) : bar_(std::move(bar)) {}
  void processPending() override;

 private:
  std::shared_ptr<ProgressBar> bar_;
};

// What the conversion changed and went on, one sentence each: values changed to the
// substitute character and, when `quotes`, CSV values holding a double quote.
std::vector<std::string> changedValues(const ConversionReport& report, bool quotes);

// The end of a job that wrote `out` (named `shown`): tells on standard error, under `title`,
// what the conversion changed; with `strict` such changes fail the job before the output is
// renamed into place. Then puts the output in place.
void finishOutput(const ConversionReport& report, bool quotes, bool strict, StagedOutput& out,
                  const std::string& shown, const std::string& title);

// The job error for a signal: exit status 128 + the signal's number.
JobError interrupted(const std::string& what);
// Throws interrupted(what) when a signal came.
void stopIfSignalled(const std::string& what);

// The encoding of --encoding: "cp932" (any case) is Shift-JIS, the other choice UTF-8.
TextEncoding encodingNamed(const std::string& name);

// --home, else $ZUVO_HOME, else /etc/zuvo.
std::filesystem::path homeDirectory(const std::optional<std::string>& home);

// Looks at the input of a load or a conversion before anything is done with it (one pass):
// refuses (JobError) a CSV file (`csv`) that looks like UTF-8 while `encoding` is Shift-JIS
// and, with `strict`, a file holding bytes that are not valid in `encoding`. `lineEnds` asks
// whether the file has any. `shown` is the input's name in messages.
TextScan checkInput(const std::string& path, const std::string& shown, TextEncoding encoding,
                    bool csv, bool strict, bool lineEnds);

}  // namespace zuvo::cli
