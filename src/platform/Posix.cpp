#include "platform/Posix.h"

#include <arpa/inet.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>
#include <thread>

#include "runtime/Convert.h"

extern char** environ;

namespace zuvo::posix {
namespace {

constexpr int kNotStarted = 127;
constexpr int kArchiverFailed = 1;

// posix_spawn's attributes and file actions, released however the spawn ends.
class SpawnSetup {
 public:
  SpawnSetup() {
    posix_spawnattr_init(&attr_);
    posix_spawn_file_actions_init(&actions_);
    // The child starts with default signal handling and nothing blocked, whatever the
    // client has set up for itself.
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr_, &all);
    posix_spawnattr_setsigmask(&attr_, &none);
    posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    // Never let a started program read the client's input.
    posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
  }
  ~SpawnSetup() {
    posix_spawnattr_destroy(&attr_);
    posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  void sendOutputTo(int fd) {
    posix_spawn_file_actions_adddup2(&actions_, fd, 1);
    posix_spawn_file_actions_adddup2(&actions_, fd, 2);
  }

  // The process id, or -1 when the program could not be started.
  pid_t spawn(const std::vector<std::string>& words) {
    if (words.empty()) return -1;
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions_, &attr_, argv.data(), environ) != 0) return -1;
    return pid;
  }

 private:
  posix_spawnattr_t attr_;
  posix_spawn_file_actions_t actions_;
};

int waitForExit(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return kNotStarted;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return 1;
}

class SystemClock : public Clock {
 public:
  Date now() override {
    std::time_t t = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&t, &local);
    return rt::makeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                        local.tm_min, local.tm_sec);
  }
};

class TerminalUserInterface : public UserInterface {
 public:
  std::int32_t messageBox(const String& text, const String& title, std::int32_t) override {
    std::string line = rt::toUtf8(title) + ": " + rt::toUtf8(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return 1;
  }
  void beep() override {
    if (::isatty(STDERR_FILENO)) {
      std::fputc('\a', stderr);
      std::fflush(stderr);
    }
  }
};

class SpawningLauncher : public ProgramLauncher {
 public:
  bool start(const String& command, const std::vector<String>& extraArguments) override {
    std::vector<std::string> words = splitWords(command);
    if (words.empty()) return false;
    for (const String& a : extraArguments) words.push_back(rt::toUtf8(a));
    SpawnSetup setup;
    pid_t pid = setup.spawn(words);
    if (pid < 0) return false;
    // The caller never waits; this thread collects the exit status so that no zombie stays.
    std::thread([pid] { waitForExit(pid); }).detach();
    return true;
  }
};

class NoWindows : public WindowSystem {
 public:
  std::int32_t findWindow(const String&, const String&) override { return 0; }
  std::int32_t sendMessage(std::int32_t, std::int32_t, std::int32_t, std::int32_t) override {
    return 0;
  }
  std::int32_t postMessage(std::int32_t, std::int32_t, std::int32_t, std::int32_t) override {
    return 0;
  }
  std::int32_t getWindowText(std::int32_t, String& buffer, std::int32_t) override {
    buffer.clear();
    return 0;
  }
  std::int32_t getWindowLong(std::int32_t, std::int32_t) override { return 0; }
};

class PosixSystemInfo : public SystemInfo {
 public:
  // Texts are wide characters here, as on the wide-character family.
  std::int32_t platformId() override { return 2; }

  // There are no module handles: every module is the running program.
  String moduleFileName(std::int32_t) override {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? String() : rt::fromUtf8(exe.string());
  }

  String currentDirectory() override {
    std::error_code ec;
    auto dir = std::filesystem::current_path(ec);
    return ec ? String() : rt::fromUtf8(dir.string());
  }

  std::optional<String> userName() override {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found)
      return rt::fromUtf8(found->pw_name);
    char login[256];
    if (::getlogin_r(login, sizeof login) == 0) return rt::fromUtf8(login);
    return std::nullopt;
  }

  bool fileExists(const String& path) override {
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::path(rt::toUtf8(path)), ec);
  }
};

class LhaArchiver : public Archiver {
 public:
  explicit LhaArchiver(std::string program) : program_(std::move(program)) {}

  std::int32_t run(std::int32_t, const String& commandLine, String& output) override {
    std::vector<std::string> words = splitWords(commandLine);
    words.insert(words.begin(), program_);
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return kNotStarted;
    SpawnSetup setup;
    setup.sendOutputTo(pipeFds[1]);
    pid_t pid = setup.spawn(words);
    ::close(pipeFds[1]);
    if (pid < 0) {
      ::close(pipeFds[0]);
      return kNotStarted;
    }
    // The archiver's messages are kept (the first 64 KiB) but the pipe is drained to the end
    // so that the archiver never blocks on a full pipe.
    std::string text;
    char chunk[4096];
    for (;;) {
      ssize_t n = ::read(pipeFds[0], chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      if (text.size() < 65536) text.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    output = rt::fromUtf8(text);
    const int status = waitForExit(pid);
    return status == 0 && archiverReportedFailure(text) ? kArchiverFailed : status;
  }

 private:
  std::string program_;
};

class PosixHostInfo : public HostInfo {
 public:
  std::optional<String> hostName() override {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return std::nullopt;
    return rt::fromUtf8(name);
  }

  std::optional<String> hostAddress() override {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return std::nullopt;
    std::optional<String> address;
    for (ifaddrs* a = list; a && !address; a = a->ifa_next) {
      if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || (a->ifa_flags & IFF_LOOPBACK))
        continue;
      auto* in = reinterpret_cast<sockaddr_in*>(a->ifa_addr);
      if ((ntohl(in->sin_addr.s_addr) >> 24) == 127) continue;
      char text[INET_ADDRSTRLEN];
      if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) address = rt::fromUtf8(text);
    }
    ::freeifaddrs(list);
    return address;
  }
};

}  // namespace

std::filesystem::path defaultHome() {
  const char* home = std::getenv("ZUVO_HOME");
  return home && *home ? std::filesystem::path(home) : std::filesystem::path("/etc/zuvo");
}

std::filesystem::path installedDataDirectory() {
  // The build defines where share/zuvo is: absolute for its own prefix, and relative to the
  // library and program directories.
  static constexpr const char* kFromLibrary = ZUVO_DATA_FROM_LIBDIR;
  static constexpr const char* kFromProgram = ZUVO_DATA_FROM_BINDIR;
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&installedDataDirectory), &info) != 0 && info.dli_fname) {
    const std::string_view module = info.dli_fname;
    const bool library = module.find(".so") != std::string_view::npos;
    std::error_code ec;
    const std::filesystem::path file = library
                                           ? std::filesystem::path(module)
                                           : std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && file.has_parent_path()) {
      auto dir = (file.parent_path() / (library ? kFromLibrary : kFromProgram)).lexically_normal();
      if (std::filesystem::is_directory(dir, ec)) return dir;
    }
  }
  return ZUVO_DATA_DIR;
}

std::shared_ptr<Clock> makeClock() {
  return std::make_shared<SystemClock>();
}
std::shared_ptr<UserInterface> makeUserInterface() {
  return std::make_shared<TerminalUserInterface>();
}
std::shared_ptr<ProgramLauncher> makeProgramLauncher() {
  return std::make_shared<SpawningLauncher>();
}
std::shared_ptr<WindowSystem> makeWindowSystem() {
  return std::make_shared<NoWindows>();
}
std::shared_ptr<SystemInfo> makeSystemInfo() {
  return std::make_shared<PosixSystemInfo>();
}
std::shared_ptr<Archiver> makeArchiver(std::string program) {
  return std::make_shared<LhaArchiver>(std::move(program));
}
bool archiverReportedFailure(std::string_view output) {
  // Its messages on standard error, and the usage text that opens a line of standard output.
  for (std::string_view marker : {"LHa: Fatal error", "LHa: Error", "Exception in thread"})
    if (output.find(marker) != std::string_view::npos) return true;
  return output.starts_with("usage: ") || output.find("\nusage: ") != std::string_view::npos;
}

std::shared_ptr<HostInfo> makeHostInfo() {
  return std::make_shared<PosixHostInfo>();
}

void CallbackEventPump::setHandler(std::function<void()> handler) {
  std::lock_guard lock(mutex_);
  handler_ = std::move(handler);
}

void CallbackEventPump::processPending() {
  std::function<void()> handler;
  {
    std::lock_guard lock(mutex_);
    handler = handler_;
  }
  if (handler) handler();
}

std::vector<std::string> splitWords(const String& command) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < command.size()) {
    while (i < command.size() && (command[i] == u' ' || command[i] == u'\t')) ++i;
    std::size_t start = i;
    while (i < command.size() && command[i] != u' ' && command[i] != u'\t') ++i;
    if (i > start) words.push_back(rt::toUtf8(command.substr(start, i - start)));
  }
  return words;
}

}  // namespace zuvo::posix

namespace zuvo {

std::shared_ptr<Platform> Platform::posix() {
  return posix(posix::defaultHome());
}

std::shared_ptr<Platform> Platform::posix(std::filesystem::path home) {
  return posix(std::move(home), posix::installedDataDirectory());
}

std::shared_ptr<Platform> Platform::posix(std::filesystem::path home,
                                          std::filesystem::path dataDirectory) {
  auto p = std::make_shared<Platform>(std::move(home), std::move(dataDirectory));
  p->clock = posix::makeClock();
  p->ui = posix::makeUserInterface();
  p->events = std::make_shared<posix::CallbackEventPump>();
  p->launcher = posix::makeProgramLauncher();
  p->windows = posix::makeWindowSystem();
  p->system = posix::makeSystemInfo();
  p->registry = posix::makeRegistry(p->home);
  p->archiver = posix::makeArchiver();
  p->host = posix::makeHostInfo();
  // The system's files live as long as the process: nothing to delete.
  p->files = std::shared_ptr<FileService>(&systemFiles(), [](FileService*) {});
  p->ini = posix::makeIniFiles(p->files);
  return p;
}

}  // namespace zuvo
