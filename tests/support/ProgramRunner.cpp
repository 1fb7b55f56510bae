#include "support/ProgramRunner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "support/ImageWriters.h"

namespace tessoran_test {

namespace {

std::string programPath() {
    const char* overridden = std::getenv("TESSORAN_PROGRAM");
    return overridden != nullptr ? overridden : TESSORAN_PROGRAM;
}

const char* launcherPath() {
    const char* launcher = std::getenv("TESSORAN_LAUNCHER");
    return launcher != nullptr && *launcher != 0 ? launcher : nullptr;
}

std::string lastPathComponent(const std::string& path) {
    return path.substr(path.find_last_of("/\\") + 1);
}

int checked(int result, const std::string& what) {
    if (result < 0) {
        throw std::runtime_error(what + " failed");
    }
    return result;
}

// A file in memory for one of the child's outputs, read back after the run.
int outputFile() {
    return checked(memfd_create("tessoran-output", MFD_CLOEXEC), "memfd_create");
}

std::string readBack(int fd) {
    std::string text;
    char buffer[65536];
    for (ssize_t count; (count = pread(fd, buffer, sizeof buffer, off_t(text.size()))) > 0;) {
        text.append(buffer, static_cast<std::size_t>(count));
    }
    return text;
}

}  // namespace

RunOutcome runTessoran(const std::vector<std::string>& arguments,
                       const std::optional<StandardInput>& standardInput,
                       std::optional<std::chrono::milliseconds> timeLimit,
                       const RunSetting& setting) {
    std::vector<std::string> command;
    if (const char* launcher = launcherPath(); launcher != nullptr) {
        command.emplace_back(launcher);
    }
    command.push_back(programPath());
    command.insert(command.end(), arguments.begin(), arguments.end());
    return runProgram(command, standardInput, timeLimit, setting);
}

RunOutcome runProgram(const std::vector<std::string>& command,
                      const std::optional<StandardInput>& standardInput,
                      std::optional<std::chrono::milliseconds> timeLimit,
                      const RunSetting& setting) {
    std::vector<char*> argv;
    for (const std::string& word : command) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    const StandardInput source = standardInput.value_or(std::string());
    // The child's descriptors 0, 1 and 2 (-1: closed), and what writes its input.
    int streams[3] = {-1, -1, outputFile()};
    int inputWriter = -1;
    int ends[2];
    if (const auto* file = std::get_if<InputFile>(&source)) {
        streams[0] = checked(open(file->path.c_str(), O_RDONLY | O_CLOEXEC), "open " + file->path);
    } else if (std::holds_alternative<std::string>(source)) {
        checked(pipe2(ends, O_CLOEXEC), "pipe");
        streams[0] = ends[0];
        inputWriter = ends[1];
    }
    if (setting.output == OutputTo::ClosedPipe) {
        checked(pipe2(ends, O_CLOEXEC), "pipe");
        close(ends[0]);  // no process ever holds the reading end
        streams[1] = ends[1];
    } else {
        streams[1] = setting.output == OutputTo::FullDevice
                         ? checked(open("/dev/full", O_WRONLY | O_CLOEXEC), "open /dev/full")
                         : outputFile();
    }

    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    const pid_t pid = checked(fork(), "fork");
    if (pid == 0) {
        // Only calls that are safe between fork and exec. A group of its own,
        // so that a launcher and the program under it can be stopped together.
        setpgid(0, 0);
        signal(SIGPIPE, setting.output == OutputTo::ClosedPipe ? SIG_IGN : SIG_DFL);
        for (int fd = 0; fd < 3; ++fd) {
            streams[fd] >= 0 ? dup2(streams[fd], fd) : close(fd);
        }
        if (setting.addressSpaceBytes.has_value()) {
            const rlimit limit{*setting.addressSpaceBytes, *setting.addressSpaceBytes};
            setrlimit(RLIMIT_AS, &limit);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    setpgid(pid, pid);  // also here, so that a kill cannot come before it
    close(streams[0]);
    // Standard input is written as the program reads it; a program that stops
    // reading leaves the writer to fail. Closing the pipe ends the input.
    std::thread writer;
    if (const auto* text = std::get_if<std::string>(&source)) {
        signal(SIGPIPE, SIG_IGN);
        writer = std::thread([text, inputWriter] {
            for (std::size_t done = 0; done < text->size();) {
                const ssize_t count = write(inputWriter, text->data() + done, text->size() - done);
                if (count <= 0) {
                    break;
                }
                done += static_cast<std::size_t>(count);
            }
            close(inputWriter);
        });
    }

    RunOutcome outcome;
    int status = 0;
    rusage usage{};
    for (auto pause = std::chrono::microseconds(100);;
         pause = std::min(2 * pause, std::chrono::microseconds(20000))) {
        const pid_t waited = wait4(pid, &status, WNOHANG, &usage);
        if (waited == pid || (waited < 0 && errno != EINTR)) {
            break;
        }
        if (timeLimit.has_value() && !outcome.timedOut && Clock::now() - started > *timeLimit) {
            kill(-pid, SIGKILL);  // the group: a launcher and whatever it started
            outcome.timedOut = true;
        }
        std::this_thread::sleep_for(pause);
    }
    if (writer.joinable()) {
        writer.join();
    }
    outcome.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.peakMemoryKiB = usage.ru_maxrss;  // kibibytes on Linux
    outcome.out = setting.output == OutputTo::Captured ? readBack(streams[1]) : "";
    outcome.err = readBack(streams[2]);
    close(streams[1]);
    close(streams[2]);
    return outcome;
}

std::string tessoranPath() {
    return programPath();
}

bool runsThroughLauncher() {
    return launcherPath() != nullptr;
}

bool isProgramInvocationName(const std::string& name) {
    const std::string program = programPath();
    if (launcherPath() == nullptr) {
        return name == program;
    }
    return !name.empty() && lastPathComponent(name) == lastPathComponent(program);
}

const std::string& expectedBanner() {
    static const std::string banner =
        "Velquor Tessoran Version 0.5(beta)\n"
        "Reads one PDF417 symbol from an image file or a V4 bar string.\n"
        "The decoded data goes to standard output, messages to standard error.\n"
        "Provided as is, without warranty of any kind.\n"
        "\n";
    return banner;
}

TemporaryDirectory::TemporaryDirectory() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tessoran-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    directory = pattern;
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}

std::string TemporaryDirectory::write(const std::string& name, const std::string& contents) const {
    writeFileBytes(directory + "/" + name, contents);
    return directory + "/" + name;
}

std::string sourcePath(const std::string& relative) {
    return std::string(TESSORAN_SOURCE_DIR) + "/" + relative;
}

}  // namespace tessoran_test
