#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "../runtime/Variant.h"

// What the library needs of the operating system, one interface per service. The POSIX
// implementations do the least that keeps each method's results as the callers expect;
// tests and the zuvo program substitute recording ones.
namespace zuvo {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual Date now() = 0;  // local date and time, to the second
};

// Message boxes and the short warning sound.
class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // style 0: plain OK box, 48: exclamation. Returns the button pressed (1 = OK).
  virtual std::int32_t messageBox(const String& text, const String& title, std::int32_t style) = 0;
  virtual void beep() = 0;
};

// Lets pending window events of the client run during long conversions.
class EventPump {
 public:
  virtual ~EventPump() = default;
  virtual void processPending() = 0;
};

// Starts a program without waiting and never through a shell: `command` is split at blanks
// into the program and its arguments, `extraArguments` follow as whole arguments.
class ProgramLauncher {
 public:
  virtual ~ProgramLauncher() = default;
  virtual bool start(const String& command, const std::vector<String>& extraArguments) = 0;
};

// Window functions of a desktop; a system without windows reports "none".
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;
  virtual std::int32_t findWindow(const String& className, const String& caption) = 0;
  virtual std::int32_t sendMessage(std::int32_t hwnd, std::int32_t msg, std::int32_t wparam,
                                   std::int32_t lparam) = 0;
  virtual std::int32_t postMessage(std::int32_t hwnd, std::int32_t msg, std::int32_t wparam,
                                   std::int32_t lparam) = 0;
  // Copies at most bufferSize - 1 characters into buffer; returns the count copied.
  virtual std::int32_t getWindowText(std::int32_t hwnd, String& buffer,
                                     std::int32_t bufferSize) = 0;
  virtual std::int32_t getWindowLong(std::int32_t hwnd, std::int32_t index) = 0;
};

// Facts about the running system and process.
class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // 1 = the narrow-character family, 2 = the wide-character family; 0 when the query fails.
  virtual std::int32_t platformId() = 0;
  // Full file name of the module owning `instance`; empty on failure.
  virtual String moduleFileName(std::int32_t instance) = 0;
  virtual String currentDirectory() = 0;
  // Login name of the process' user; nullopt on failure.
  virtual std::optional<String> userName() = 0;
  virtual bool fileExists(const String& path) = 0;
};

// A registry value: text (type 1), a 32-bit number (type 4) or another type.
struct RegistryValue {
  std::int32_t type = 0;
  String text;
  std::int32_t number = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // nullopt when the key cannot be opened or the value cannot be read.
  virtual std::optional<RegistryValue> read(std::int32_t root, const String& keyPath,
                                            const String& valueName) = 0;
};

// The archiver library: 0 on success, its error code otherwise.
class Archiver {
 public:
  virtual ~Archiver() = default;
  virtual std::int32_t run(std::int32_t ownerWindow, const String& commandLine, String& output) = 0;
};

// The host-name library: the computer's host name and its IPv4 address in dotted form.
class HostInfo {
 public:
  virtual ~HostInfo() = default;
  virtual std::optional<String> hostName() = 0;
  virtual std::optional<String> hostAddress() = 0;
};

// Private-profile (INI) files, Shift-JIS on disk.
class IniFiles {
 public:
  virtual ~IniFiles() = default;
  // Copies at most sizeLimit - 1 characters of the value (or of `defaultValue`) into `value`;
  // returns the number of characters copied.
  virtual std::int32_t read(const String& file, const String& section, const String& key,
                            const String& defaultValue, String& value, std::int32_t sizeLimit) = 0;
  // Non-zero on success.
  virtual std::int32_t write(const String& file, const String& section, const String& key,
                             const String& value) = 0;
};

// One open file of the file service. Each call answers 0 or the system's error number.
class File {
 public:
  virtual ~File() = default;
  // Up to n bytes into `into`; `got` is 0 at the end of the file.
  virtual int read(char* into, std::size_t n, std::size_t& got) = 0;
  // All n bytes, or the error that stopped them.
  virtual int write(const char* from, std::size_t n) = 0;
  virtual int close() = 0;
  // The size of a file opened for reading, as it was then.
  virtual std::uint64_t size() const = 0;
};

// Every file the library reads or writes goes through this service, so that a test can make
// any of them fail.
class FileService {
 public:
  enum class Mode : std::uint8_t { Read, Write, Append };
  // The error of a file opened for reading that is neither a regular file nor a directory.
  static constexpr int kNotRegularFile = -1;
  virtual ~FileService() = default;
  // The open file, or null with `error` set. Only regular files open for reading; Write
  // creates or empties the file, Append creates it or writes at its end.
  virtual std::unique_ptr<File> open(const std::string& path, Mode mode, int& error) = 0;
};

// The system's files, for the whole process.
FileService& systemFiles();
// The whole of a file into `bytes`; 0 or the error of opening or reading it.
int readWholeFile(FileService& files, const std::string& path, std::string& bytes);
// `bytes` written to a file opened in `mode` and closed; 0 or the first error.
int writeWholeFile(FileService& files, const std::string& path, std::string_view bytes,
                   FileService::Mode mode);

struct Platform {
  // Made with its home, which never changes: services made from it (the registry) keep it.
  explicit Platform(std::filesystem::path home, std::filesystem::path dataDirectory = {})
      : home(std::move(home)), dataDirectory(std::move(dataDirectory)) {}

  std::shared_ptr<Clock> clock;
  std::shared_ptr<UserInterface> ui;
  std::shared_ptr<EventPump> events;
  std::shared_ptr<ProgramLauncher> launcher;
  std::shared_ptr<WindowSystem> windows;
  std::shared_ptr<SystemInfo> system;
  std::shared_ptr<Registry> registry;
  std::shared_ptr<Archiver> archiver;
  std::shared_ptr<HostInfo> host;
  std::shared_ptr<IniFiles> ini;
  std::shared_ptr<FileService> files;  // the system's files when null
  // The library's home directory: settings file, conversion table, registry stand-in.
  const std::filesystem::path home;
  // The installed package's data (share/zuvo): the conversion table when the home holds none.
  // Empty: nowhere else.
  const std::filesystem::path dataDirectory;

  // The settings file: zuvodll.ini in the home.
  std::filesystem::path settingsFile() const;
  // The conversion table in use: sjisjef.tbl in the home, else in the data directory. When
  // neither holds one, the home's, so that a failure names where it is looked for first.
  std::filesystem::path conversionTable() const;

  // Every service the POSIX way, with the installed data directory. The home is $ZUVO_HOME
  // when set and not empty, else /etc/zuvo.
  static std::shared_ptr<Platform> posix();
  static std::shared_ptr<Platform> posix(std::filesystem::path home);
  // The same with the data directory of an installation the library can't find by itself (a
  // language binding installed beside the interpreter's packages).
  static std::shared_ptr<Platform> posix(std::filesystem::path home,
                                         std::filesystem::path dataDirectory);
};

}  // namespace zuvo
