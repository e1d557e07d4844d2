#pragma once

// Runs a batch command of the zuvo program and captures what it says: in-process, or in a
// child process for what needs one (another user, a signal).
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Batch.h"

namespace zuvo::test {

struct BatchOutcome {
  int status;
  std::string err;
  std::string out;
};

namespace detail {

inline std::vector<char*> argvOf(std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return argv;
}

inline std::string readAndRemove(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(std::istreambuf_iterator<char>(in), {});
  std::remove(path.c_str());
  return bytes;
}

}  // namespace detail

// `input`, when given, is what the command reads on standard input.
inline BatchOutcome runBatchCommand(std::vector<std::string> args,
                                    const std::optional<std::string>& input = std::nullopt) {
  args.insert(args.begin(), "zuvo");
  auto argv = detail::argvOf(args);
  int savedStdin = -1;
  if (input) {
    char name[] = "/tmp/zuvo-stdin-test-XXXXXX";
    int fd = ::mkstemp(name);
    EXPECT_EQ(::write(fd, input->data(), input->size()), static_cast<ssize_t>(input->size()));
    ::lseek(fd, 0, SEEK_SET);
    ::unlink(name);
    savedStdin = ::dup(STDIN_FILENO);
    ::dup2(fd, STDIN_FILENO);
    ::close(fd);
  }
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  int status = runBatch(static_cast<int>(args.size()), argv.data());
  std::string err = testing::internal::GetCapturedStderr();
  std::string out = testing::internal::GetCapturedStdout();
  if (savedStdin >= 0) {
    ::dup2(savedStdin, STDIN_FILENO);
    ::close(savedStdin);
  }
  return {status, err, out};
}

struct ChildRun {
  bool unprivileged = false;  // as the user nobody, so that the system's permission checks apply
  int signal = 0;             // sent once `ready` holds
  std::function<bool(pid_t)> ready;
};

// The command in a child process; a child killed by a signal has status 128 + the signal.
inline BatchOutcome runBatchInChild(std::vector<std::string> args, const ChildRun& how) {
  args.insert(args.begin(), "zuvo");
  auto argv = detail::argvOf(args);
  char errName[] = "/tmp/zuvo-child-err-XXXXXX";
  int errFd = ::mkstemp(errName);
  std::fflush(stdout);
  std::fflush(stderr);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(errFd, STDERR_FILENO);
    int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, STDIN_FILENO);
    ::dup2(null, STDOUT_FILENO);
    if (how.unprivileged && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
      ::_exit(99);
    ::_exit(runBatch(static_cast<int>(args.size()), argv.data()));
  }
  ::close(errFd);
  using Clock = std::chrono::steady_clock;
  auto deadline = Clock::now() + std::chrono::seconds(60);
  int status = 0;
  bool ended = false, signalled = false;
  while (!ended) {
    ended = ::waitpid(pid, &status, WNOHANG) == pid;
    if (ended) break;
    if (how.signal && !signalled && how.ready(pid)) {
      ::kill(pid, how.signal);
      signalled = true;
    }
    if (Clock::now() > deadline) {
      ADD_FAILURE() << "the child did not end; killed";
      ::kill(pid, SIGKILL);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_TRUE(!how.signal || signalled) << "the child ended before it was signalled";
  int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return {code, detail::readAndRemove(errName), ""};
}

}  // namespace zuvo::test
