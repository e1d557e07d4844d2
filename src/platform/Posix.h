#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "Platform.h"

// The POSIX services one by one, for callers that assemble a platform of their own (the
// recording platform, the zuvo program).
namespace zuvo::posix {

// $ZUVO_HOME when set and not empty, else /etc/zuvo.
std::filesystem::path defaultHome();
// share/zuvo of the installation, found from the file this code was loaded from (the shared
// library, or the program it is linked into) so that a moved installation, or one made with
// `cmake --install --prefix`, still finds it; else that of the prefix the build was made for.
std::filesystem::path installedDataDirectory();

// Local date and time of the system clock.
std::shared_ptr<Clock> makeClock();
// No desktop: a message box goes to standard error as "title: text" and answers OK; the beep
// rings the terminal's bell when standard error is one.
std::shared_ptr<UserInterface> makeUserInterface();
std::shared_ptr<ProgramLauncher> makeProgramLauncher();
// No windows at all: every query answers "none" (0 handles, 0 characters).
std::shared_ptr<WindowSystem> makeWindowSystem();
std::shared_ptr<SystemInfo> makeSystemInfo();
// The registry stand-in: the UTF-8 text file registry.ini in `home`, one section per key.
//
//   ; a comment
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Example\Tools]
//   Path=sz:/usr/bin/sysinfo       a text value (type 1)
//   Count=dword:123                a 32-bit number (type 4), decimal or 0x hexadecimal
//   @=sz:text                      the key's unnamed value
//   Blob=hex:01,02                 any other prefix: a value of another type (3)
//
// The section names the root key (HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE,
// HKEY_USERS, HKEY_CURRENT_CONFIG, or HKCR, HKCU, HKLM, HKU, HKCC) and the key path below it.
// Key paths and value names are matched without regard to case; values are trimmed. A missing
// file, key or value makes the read fail, as an unreadable key does.
std::shared_ptr<Registry> makeRegistry(const std::filesystem::path& home);
inline constexpr char kRegistryFileName[] = "registry.ini";
// Runs `program` (found on PATH) with the command line's words as arguments, never through a
// shell; its exit status is the archiver's error code, a program that cannot be started
// answers 127, and one that exits 0 but reports a failure (below) answers 1.
std::shared_ptr<Archiver> makeArchiver(std::string program = "lha");
// The lha program here exits 0 whatever happens, so its output tells: a fatal error, an error,
// a crash, or its usage text (a command it does not know).
bool archiverReportedFailure(std::string_view output);
std::shared_ptr<HostInfo> makeHostInfo();
std::shared_ptr<IniFiles> makeIniFiles(std::shared_ptr<FileService> files);

// Long conversions call processPending(); the client decides what happens then (the zuvo
// program draws its progress bar). Without a handler nothing happens.
class CallbackEventPump : public EventPump {
 public:
  void setHandler(std::function<void()> handler);
  void processPending() override;

 private:
  std::mutex mutex_;
  std::function<void()> handler_;
};

// The command text split at blanks into words; runs of blanks count as one.
std::vector<std::string> splitWords(const String& command);

}  // namespace zuvo::posix
