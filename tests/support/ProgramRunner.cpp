#include "support/ProgramRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

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
    const std::size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::vector<std::string> commandLine(const std::vector<std::string>& arguments) {
    std::vector<std::string> command;
    if (const char* launcher = launcherPath(); launcher != nullptr) {
        command.emplace_back(launcher);
    }
    command.push_back(programPath());
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}

void makePipe(int fds[2]) {
    if (pipe2(fds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
}

// What the child does to its standard streams and limits before it starts
// the program: only calls that are safe between fork and exec.
struct ChildSetup {
    int inputPipe = -1;
    const char* inputPath = nullptr;
    bool closeInput = false;
    int outputFd = -1;
    int errorFd = -1;
    bool ignoreSigpipe = false;
    std::optional<std::uint64_t> addressSpaceBytes;
};

[[noreturn]] void startChild(const ChildSetup& setup, char* const* argv) {
    // A group of its own, so that a launcher and the program under it can
    // be stopped together.
    setpgid(0, 0);
    signal(SIGPIPE, setup.ignoreSigpipe ? SIG_IGN : SIG_DFL);
    if (setup.closeInput) {
        close(0);
    } else if (setup.inputPath != nullptr) {
        const int fd = open(setup.inputPath, O_RDONLY);
        if (fd < 0) {
            _exit(126);
        }
        dup2(fd, 0);
        close(fd);
    } else {
        dup2(setup.inputPipe, 0);
    }
    dup2(setup.outputFd, 1);
    dup2(setup.errorFd, 2);
    if (setup.addressSpaceBytes.has_value()) {
        const rlimit limit{*setup.addressSpaceBytes, *setup.addressSpaceBytes};
        setrlimit(RLIMIT_AS, &limit);
    }
    execvp(argv[0], argv);
    _exit(127);
}

}  // namespace

RunOutcome runTessoran(const std::vector<std::string>& arguments,
                       const std::optional<StandardInput>& standardInput,
                       std::optional<std::chrono::milliseconds> timeLimit,
                       const RunSetting& setting) {
    return runProgram(commandLine(arguments), standardInput, timeLimit, setting);
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
    const auto* text = std::get_if<std::string>(&source);
    const auto* file = std::get_if<InputFile>(&source);
    int inPipe[2], outPipe[2], errPipe[2];
    makePipe(inPipe);
    makePipe(outPipe);
    makePipe(errPipe);
    ChildSetup child{.inputPipe = inPipe[0],
                     .inputPath = file != nullptr ? file->path.c_str() : nullptr,
                     .closeInput = std::holds_alternative<ClosedInput>(source),
                     .outputFd = outPipe[1],
                     .errorFd = errPipe[1],
                     .addressSpaceBytes = setting.addressSpaceBytes};
    int fullDevice = -1;
    int readerlessPipe[2] = {-1, -1};
    if (setting.output == OutputTo::FullDevice) {
        fullDevice = open("/dev/full", O_WRONLY | O_CLOEXEC);
        if (fullDevice < 0) {
            throw std::runtime_error("cannot open /dev/full");
        }
        child.outputFd = fullDevice;
    } else if (setting.output == OutputTo::ClosedPipe) {
        // Closed before the fork: no process ever holds the reading end.
        makePipe(readerlessPipe);
        close(readerlessPipe[0]);
        child.outputFd = readerlessPipe[1];
        child.ignoreSigpipe = true;
    }

    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        startChild(child, argv.data());
    }
    setpgid(pid, pid);  // also here, so that a kill cannot come before it
    close(inPipe[0]);
    close(outPipe[1]);
    close(errPipe[1]);
    if (fullDevice >= 0) {
        close(fullDevice);
    }
    if (readerlessPipe[1] >= 0) {
        close(readerlessPipe[1]);
    }

    // Feed standard input and drain both outputs together, so that neither
    // side can block on a full pipe.
    signal(SIGPIPE, SIG_IGN);
    const std::string input = text != nullptr ? *text : std::string();
    std::size_t written = 0;
    int inFd = inPipe[1];
    if (input.empty()) {
        close(inFd);
        inFd = -1;
    }
    RunOutcome outcome;
    int outFd = outPipe[0];
    int errFd = errPipe[0];
    char buffer[65536];
    // A process the program leaves behind (a launcher's background services)
    // may hold the pipes open after it exits; once it has exited and its
    // output is drained, the run is over.
    int status = 0;
    rusage usage{};
    bool exited = false;
    while (outFd >= 0 || errFd >= 0) {
        int waitMilliseconds = -1;
        if (timeLimit.has_value() && !outcome.timedOut) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(started + *timeLimit - Clock::now());
            if (left.count() <= 0) {
                kill(-pid, SIGKILL);
                outcome.timedOut = true;
                if (inFd >= 0) {
                    close(inFd);
                    inFd = -1;
                }
                continue;  // the outputs end once the group is gone
            }
            waitMilliseconds = static_cast<int>(left.count());
        }
        pollfd fds[3] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}, {inFd, POLLOUT, 0}};
        // Wake up now and then to see whether the program has exited.
        constexpr int kExitCheckMilliseconds = 100;
        const int timeout = exited ? 0
                            : waitMilliseconds < 0
                                ? kExitCheckMilliseconds
                                : std::min(waitMilliseconds, kExitCheckMilliseconds);
        const int ready = poll(fds, 3, timeout);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (ready == 0) {
            if (exited) {
                break;
            }
            exited = wait4(pid, &status, WNOHANG, &usage) == pid;
            continue;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                const ssize_t count = read(fds[i].fd, buffer, sizeof buffer);
                if (count > 0) {
                    (i == 0 ? outcome.out : outcome.err)
                        .append(buffer, static_cast<std::size_t>(count));
                } else {
                    close(fds[i].fd);
                    (i == 0 ? outFd : errFd) = -1;
                }
            }
        }
        if (inFd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
            const ssize_t count = write(inFd, input.data() + written, input.size() - written);
            if (count > 0) {
                written += static_cast<std::size_t>(count);
            }
            if (count <= 0 || written == input.size()) {
                close(inFd);
                inFd = -1;
            }
        }
    }
    if (inFd >= 0) {
        close(inFd);
    }
    if (outFd >= 0) {
        close(outFd);
    }
    if (errFd >= 0) {
        close(errFd);
    }
    while (!exited && wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    outcome.wallTime =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
    outcome.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.peakMemoryKiB = usage.ru_maxrss;  // kibibytes on Linux
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
    const std::string path = directory + "/" + name;
    std::ofstream file(path, std::ios::binary);
    file.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    if (!file) {
        throw std::runtime_error("cannot write " + path);
    }
    return path;
}

std::string sourcePath(const std::string& relative) {
    return std::string(TESSORAN_SOURCE_DIR) + "/" + relative;
}

}  // namespace tessoran_test
