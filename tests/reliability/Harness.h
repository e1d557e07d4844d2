#pragma once

// Tools for the fault tests: a scratch folder that is also the component's home, a file
// database, and child processes that run one call under conditions the test runner itself
// must not be put in (a file size limit, a kill, a call that might hang).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "component/ZuvoCls.h"
#include "database/Database.h"
#include "platform/Recording.h"
#include "platform/TempDir.h"
#include "runtime/Convert.h"
#include "runtime/RuntimeError.h"

namespace zuvo::reliability {

// How a child's call ended.
struct Outcome {
  enum How { Returned, Threw, Pending, Crashed, TimedOut } how = Crashed;
  std::int32_t result = 0;
  std::string what;  // the exception text, or the signal that ended the child

  bool returned(std::int32_t expected) const { return how == Returned && result == expected; }
};

inline std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  static const char* names[] = {"returned", "threw", "pending", "crashed", "timed out"};
  return os << names[o.how] << " " << o.result << (o.what.empty() ? "" : " (" + o.what + ")");
}

// Runs `body` in a forked child. The child leaves with _exit, so no test teardown, leak check
// or static destructor runs twice; its result comes back through a pipe.
class Child {
 public:
  explicit Child(const std::function<std::int32_t()>& body) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe");
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork");
    if (pid_ == 0) {
      ::close(fds[0]);
      Message m;
      try {
        m.result = body();
        m.how = Outcome::Returned;
      } catch (const RuntimeError& e) {
        m.how = e.number() == err::NotImplemented ? Outcome::Pending : Outcome::Threw;
        std::strncpy(m.what, e.what(), sizeof m.what - 1);
      } catch (const std::exception& e) {
        m.how = Outcome::Threw;
        std::strncpy(m.what, e.what(), sizeof m.what - 1);
      }
      [[maybe_unused]] auto n = ::write(fds[1], &m, sizeof m);
      ::_exit(0);
    }
    ::close(fds[1]);
    fd_ = fds[0];
  }
  ~Child() {
    kill();
    ::close(fd_);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool running() {
    if (reaped_) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
    reap(status);
    return false;
  }

  // Waits at most `limit` for the child; one that takes longer is killed and reported as
  // timed out.
  Outcome wait(std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (running()) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill();
        outcome_.how = Outcome::TimedOut;
        return outcome_;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return outcome_;
  }

  void kill() {
    if (reaped_) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    reap(status);
  }

 private:
  struct Message {
    Outcome::How how = Outcome::Crashed;
    std::int32_t result = 0;
    char what[240] = {};
  };

  void reap(int status) {
    reaped_ = true;
    Message m;
    if (::read(fd_, &m, sizeof m) == static_cast<ssize_t>(sizeof m)) {
      outcome_.how = m.how;
      outcome_.result = m.result;
      outcome_.what = m.what;
    } else if (WIFSIGNALED(status)) {
      outcome_.what = std::string("signal ") + ::strsignal(WTERMSIG(status));
    }
  }

  pid_t pid_ = -1;
  int fd_ = -1;
  bool reaped_ = false;
  Outcome outcome_;
};

// Lets a long conversion in a child run slowly enough for the parent to act in its middle.
class SlowPump : public EventPump {
 public:
  void processPending() override { std::this_thread::sleep_for(std::chrono::milliseconds(5)); }
};

// A scratch folder that is also the component's home (settings file and conversion table),
// holding a SQLite database file.
class Workspace : public zuvo::testing::TempDir {
 public:
  Workspace() {
    std::filesystem::copy_file(std::filesystem::path(ZUVO_SOURCE_DIR) / "data" / "sjisjef.tbl",
                               path() / "sjisjef.tbl");
  }

  // A component whose transaction interval is `interval`. Messages and beeps go to a recorder.
  std::unique_ptr<ZuvoCls> component(std::int32_t interval = 99999999,
                                     std::shared_ptr<EventPump> pump = nullptr,
                                     std::shared_ptr<Recorder> recorder = nullptr) const {
    write("zuvodll.ini", "tranmax=" + std::to_string(interval) + "\r\n");
    if (!recorder) recorder = std::make_shared<Recorder>();
    auto platform = recordingPlatform(recorder, path());
    if (pump) platform->events = std::move(pump);
    return std::make_unique<ZuvoCls>(platform);
  }

  // A fresh connection to the workspace's database file. Connections are never carried into
  // a child: each process opens its own.
  // Writes are not synced to the disk: only process deaths are simulated here, and they lose
  // nothing the operating system holds, while a sync per commit would slow the tests tenfold.
  std::unique_ptr<Connection> database() const {
    auto cn = openConnection("sqlite:" + (path() / "data.db").string());
    cn->Execute(u"pragma synchronous = off");
    return cn;
  }

  std::string file(const std::string& name) const { return (path() / name).string(); }
};

// The single value of a one-row query.
inline Variant scalar(Connection& cn, const String& sql) {
  auto rs = cn.OpenResultset(sql);
  Variant v = rs->IsEOF() ? Variant::Null() : rs->rdoColumns()[0].Value();
  rs->Close();
  return v;
}

inline std::int32_t rowCount(Connection& cn, const String& table) {
  return rt::toLong(scalar(cn, u"select count(*) from " + table));
}

// Skips the test when a method it needs has not been implemented yet.
#define ZUVO_SKIP_IF_PENDING(statement)                                      \
  try {                                                                      \
    statement;                                                               \
  } catch (const ::zuvo::RuntimeError& e) {                                  \
    if (e.number() == ::zuvo::err::NotImplemented) GTEST_SKIP() << e.what(); \
    throw;                                                                   \
  }

}  // namespace zuvo::reliability
