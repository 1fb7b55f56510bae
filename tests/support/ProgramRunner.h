// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tessoran_test {

// What one run of the real program did.
struct RunOutcome {
    int exitStatus = -1;     // -1 when the program did not exit normally
    std::string out;         // standard output, exact bytes
    std::string err;         // standard error, exact bytes
    bool timedOut = false;   // killed for running past its time limit
    long peakMemoryKiB = 0;  // the child's peak resident set size
};

// A run's standard input: text written to it through a pipe, which is then
// closed; a file, device or directory opened for reading; or no standard
// input at all (descriptor 0 closed).
struct InputFile {
    std::string path;
};
struct ClosedInput {};
using StandardInput = std::variant<std::string, InputFile, ClosedInput>;

// Where a run's standard output goes: captured in the outcome, to /dev/full
// (every write fails with ENOSPC), or into a pipe whose reading end is closed
// before the program starts, with SIGPIPE ignored, so that every write fails
// with EPIPE. Otherwise a run starts with SIGPIPE at its default.
enum class OutputTo { Captured, FullDevice, ClosedPipe };

struct RunSetting {
    OutputTo output = OutputTo::Captured;
    // A limit on the program's address space (RLIMIT_AS), to make memory run out.
    std::optional<std::uint64_t> addressSpaceBytes = std::nullopt;
};

// Runs the tessoran program with `arguments` (without the program name) and
// `standardInput` (empty when not given). If the environment names a launcher
// in TESSORAN_LAUNCHER (for example an emulator), the program is started
// through it; TESSORAN_PROGRAM overrides the program's path. With a
// `timeLimit`, a program still running after it is killed, together with
// anything it started, and the outcome says so.
RunOutcome runTessoran(const std::vector<std::string>& arguments,
                       const std::optional<StandardInput>& standardInput = std::nullopt,
                       std::optional<std::chrono::milliseconds> timeLimit = std::nullopt,
                       const RunSetting& setting = {});

// Runs any program: `command` is its path (searched in PATH when it has no
// slash) and its arguments; the rest as for runTessoran.
RunOutcome runProgram(const std::vector<std::string>& command,
                      const std::optional<StandardInput>& standardInput = std::nullopt,
                      std::optional<std::chrono::milliseconds> timeLimit = std::nullopt,
                      const RunSetting& setting = {});

// The path runTessoran starts: TESSORAN_PROGRAM from the environment, or the
// program of this build.
std::string tessoranPath();

// Whether this build runs under AddressSanitizer, whose shadow memory and
// quarantine make a program's peak memory several times what it uses.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kUnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kUnderAddressSanitizer = true;
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif

// Whether `name` is the program's invocation name as its usage line shows it.
// Run directly, that is the path it was started by. Under a launcher the
// program may see another spelling of the same file (Wine hands a Windows
// program its path in Windows form, such as Z:\dir\tessoran.exe), so there
// only the last path component must be the program's file name.
bool isProgramInvocationName(const std::string& name);

// Whether runs go through a launcher (TESSORAN_LAUNCHER), whose own memory
// then counts in a run's peak.
bool runsThroughLauncher();

// The banner that every run writes first on standard error.
const std::string& expectedBanner();
// The prompt before a bar string on standard input, and two of the messages.
inline const std::string kPrompt = "Enter barcode string below (V4 only):\n";
inline const std::string kFailed = "Decoding failed.\n";
inline const std::string kNotLoaded = "file does not exist or is invalid.";

// A fresh, empty directory for one test's files; removed by the destructor.
class TemporaryDirectory {
  public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::string& path() const { return directory; }
    // Writes `contents` to a file named `name` inside the directory; returns its path.
    std::string write(const std::string& name, const std::string& contents) const;

  private:
    std::string directory;
};

// The path of a file in the source tree.
std::string sourcePath(const std::string& relative);

}  // namespace tessoran_test
