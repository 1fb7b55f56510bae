// SPDX-License-Identifier: Apache-2.0
#include "support/ProgramRunner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <utility>

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

// An open descriptor, closed when it goes out of scope.
struct Descriptor {
    int fd = -1;
    Descriptor() = default;
    explicit Descriptor(int descriptor) : fd(descriptor) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { reset(); }
    void reset(int descriptor = -1) {
        if (fd >= 0) {
            close(fd);
        }
        fd = descriptor;
    }
};

void makePipe(Descriptor& readEnd, Descriptor& writeEnd) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    readEnd.reset(fds[0]);
    writeEnd.reset(fds[1]);
}

// A file for one of the child's outputs, removed at once: the descriptor
// keeps it until the run has been read back.
int outputFile() {
    std::string path = (std::filesystem::temp_directory_path() / "tessoran-out-XXXXXX").string();
    const int fd = mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) {
        throw std::runtime_error("mkostemp failed");
    }
    unlink(path.c_str());
    return fd;
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
    Descriptor input;
    Descriptor inputWriter;
    if (const auto* file = std::get_if<InputFile>(&source)) {
        input.reset(open(file->path.c_str(), O_RDONLY | O_CLOEXEC));
        if (input.fd < 0) {
            throw std::runtime_error("cannot open " + file->path);
        }
    } else if (std::holds_alternative<std::string>(source)) {
        makePipe(input, inputWriter);
    }
    Descriptor out;
    if (setting.output == OutputTo::ClosedPipe) {
        Descriptor reader;
        makePipe(reader, out);  // no process ever holds the reading end
    } else {
        out.reset(setting.output == OutputTo::FullDevice ? open("/dev/full", O_WRONLY | O_CLOEXEC)
                                                         : outputFile());
    }
    const Descriptor err(outputFile());

    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        // Only calls that are safe between fork and exec. A group of its own,
        // so that a launcher and the program under it can be stopped together.
        setpgid(0, 0);
        signal(SIGPIPE, setting.output == OutputTo::ClosedPipe ? SIG_IGN : SIG_DFL);
        if (input.fd >= 0) {
            dup2(input.fd, 0);
        } else {
            close(0);
        }
        dup2(out.fd, 1);
        dup2(err.fd, 2);
        if (setting.addressSpaceBytes.has_value()) {
            const rlimit limit{*setting.addressSpaceBytes, *setting.addressSpaceBytes};
            setrlimit(RLIMIT_AS, &limit);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    setpgid(pid, pid);  // also here, so that a kill cannot come before it
    input.reset();
    // Standard input is written as the program reads it; a program that stops
    // reading leaves the writer to fail.
    std::thread writer;
    if (const auto* text = std::get_if<std::string>(&source)) {
        signal(SIGPIPE, SIG_IGN);
        // The writer closes its end when done, which ends the program's input.
        writer = std::thread([text, fd = std::exchange(inputWriter.fd, -1)] {
            for (std::size_t done = 0; done < text->size();) {
                const ssize_t count = write(fd, text->data() + done, text->size() - done);
                if (count <= 0) {
                    break;
                }
                done += static_cast<std::size_t>(count);
            }
            close(fd);
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
    const auto readBack = [](const Descriptor& file) {
        return readFileBytes("/proc/self/fd/" + std::to_string(file.fd));
    };
    outcome.out = setting.output == OutputTo::Captured ? readBack(out) : "";
    outcome.err = readBack(err);
    return outcome;
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

std::string tessoranPath() {
    return programPath();
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
