// SPDX-License-Identifier: Apache-2.0
// Measures how many photo-like pictures of symbols the program reads, class
// by class, against the ZXingReader decoder on the same files, and times both
// on pictures with no symbol; beside the program's whole runs, the library's
// calls on the same pictures' pixels. A measurement, not a test: see
// README.md.
//
//   capture_benchmark [--count N] [--seed S] [--classes a,b,...] [--keep DIR]
//                     [--program PATH] [--zxing PATH] [--jobs N] [--no-hostile]
//   capture_benchmark --render CLASS SEED OUT

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "bench/CaptureClasses.h"
#include "bench/HostileImages.h"
#include "platform/GdiPlus.h"
#include "platform/posix/ImageFile.h"
#include "support/ImageWriters.h"
#include "support/ProgramRunner.h"
#include "support/SeededRandom.h"
#include "tessoran/tessoran.h"

namespace {

using namespace tessoran_bench;
using tessoran_test::RunOutcome;

constexpr std::chrono::milliseconds kRunLimit{120000};

struct Options {
    int count = 100;
    std::uint64_t seed = 1;
    std::vector<CaptureClass> classes;
    std::string keep;
    std::string program;
    std::string zxing = "ZXingReader";
    int jobs = 1;
    bool hostile = true;
};

enum class Verdict { Exact, Misread, Failed };

const char* verdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::Exact:
            return "exact";
        case Verdict::Misread:
            return "misread";
        case Verdict::Failed:
            break;
    }
    return "failed";
}

struct Timed {
    RunOutcome outcome;
    double milliseconds = 0.0;
};

struct Result {
    CaptureClass kind = CaptureClass::LevelScan;
    std::string file;
    std::uint64_t seed = 0;
    std::string describe;
    std::string expected;
    Verdict ours = Verdict::Failed;
    Verdict peer = Verdict::Failed;
    double oursMilliseconds = 0.0;
    double peerMilliseconds = 0.0;
    // The library on the picture's decoded pixels, in this process.
    Verdict library = Verdict::Failed;
    double libraryMilliseconds = 0.0;
};

[[noreturn]] void usage(const std::string& problem) {
    std::cerr << problem << "\n"
              << "usage: capture_benchmark [--count N] [--seed S] [--classes a,b,...] "
                 "[--keep DIR] [--program PATH] [--zxing PATH] [--jobs N] [--no-hostile]\n"
              << "       capture_benchmark --render CLASS SEED OUT\n"
              << "classes:";
    for (int c = 0; c < kCaptureClassCount; ++c) {
        std::cerr << " " << shortName(captureClassAt(c));
    }
    std::cerr << "\n";
    std::exit(2);
}

std::uint64_t parseNumber(const std::string& text, const std::string& option) {
    std::size_t used = 0;
    unsigned long long value = 0;
    try {
        value = std::stoull(text, &used, 0);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size()) {
        usage(option + " needs a number, not \"" + text + "\"");
    }
    return value;
}

std::vector<CaptureClass> parseClasses(const std::string& list) {
    std::vector<CaptureClass> classes;
    std::stringstream names(list);
    for (std::string name; std::getline(names, name, ',');) {
        const std::optional<CaptureClass> kind = captureClassNamed(name);
        if (!kind) {
            usage("no class \"" + name + "\"");
        }
        classes.push_back(*kind);
    }
    return classes;
}

Options parseOptions(const std::vector<std::string>& arguments) {
    Options options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= arguments.size()) {
                usage(option + " needs a value");
            }
            return arguments[++i];
        };
        if (option == "--count") {
            options.count = static_cast<int>(parseNumber(value(), option));
        } else if (option == "--seed") {
            options.seed = parseNumber(value(), option);
        } else if (option == "--classes") {
            options.classes = parseClasses(value());
        } else if (option == "--keep") {
            options.keep = value();
        } else if (option == "--program") {
            options.program = value();
        } else if (option == "--zxing") {
            options.zxing = value();
        } else if (option == "--jobs") {
            options.jobs = std::max(1, static_cast<int>(parseNumber(value(), option)));
        } else if (option == "--no-hostile") {
            options.hostile = false;
        } else {
            usage("unknown option " + option);
        }
    }
    if (options.classes.empty()) {
        for (int c = 0; c < kCaptureClassCount; ++c) {
            options.classes.push_back(captureClassAt(c));
        }
    }
    if (options.program.empty()) {
        options.program = tessoran_test::tessoranPath();
    }
    return options;
}

Timed timedRun(const std::vector<std::string>& command) {
    const auto started = std::chrono::steady_clock::now();
    Timed timed;
    timed.outcome = tessoran_test::runProgram(command, std::nullopt, kRunLimit);
    timed.milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
            .count();
    return timed;
}

// A run read the picture exactly when it printed what was expected (ours:
// the size line and the data; ZXingReader -bytes: the data alone) with
// status 0. Printing nothing, as both do when they find no symbol (ours says
// "Decoding failed." on standard error with status 0), is a failure.
Verdict judge(const RunOutcome& run, const std::string& expected) {
    if (run.exitStatus != 0 || run.timedOut || run.out.empty()) {
        return Verdict::Failed;
    }
    return run.out == expected ? Verdict::Exact : Verdict::Misread;
}

// One call of the library on the pixels of the picture file at `path`, as the
// program decodes them: the program's whole run less its start and the
// image's loading.
Timed timedLibraryCall(const std::string& path) {
    Gdiplus::GpImage image;
    if (!ostrel2::tessoran::platform::loadImageFile(path.c_str(), image)) {
        throw std::runtime_error("cannot load " + path);
    }
    const auto started = std::chrono::steady_clock::now();
    tessoran_result* decoded = nullptr;
    const tessoran_status status = tessoran_decode_pixels(
        image.pixels.data(), image.width, image.height, 4 * image.width, TESSORAN_BGRA32, &decoded);
    Timed timed;
    timed.milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
            .count();
    timed.outcome.exitStatus = status == TESSORAN_OK || status == TESSORAN_NO_SYMBOL ? 0 : 1;
    if (status == TESSORAN_OK) {
        std::size_t length = 0;
        const unsigned char* data = tessoran_result_data(decoded, &length);
        timed.outcome.out = std::to_string(tessoran_result_rows(decoded)) + " Rows, " +
                            std::to_string(tessoran_result_columns(decoded)) +
                            " Cols, Error correction " +
                            std::to_string(tessoran_result_ec_level(decoded)) + ".\n" +
                            std::string(reinterpret_cast<const char*>(data), length);
        tessoran_result_free(decoded);
    }
    return timed;
}

std::vector<std::string> peerCommand(const Options& options, const std::string& file) {
    return {options.zxing, "-format", "PDF417", "-bytes", file};
}

Result measure(const Options& options, const std::string& directory, CaptureClass kind, int index) {
    const std::uint64_t seed = tessoran_test::mixSeed(
        options.seed, static_cast<std::uint64_t>(kind), static_cast<std::uint64_t>(index));
    const CaptureImage image = makeCaptureImage(kind, seed);
    char name[64];
    std::snprintf(name, sizeof name, "%s-%03d.%s", shortName(kind), index, image.extension());
    const std::string path = directory + "/" + name;
    writeCaptureImage(image, path);
    Result result;
    result.kind = kind;
    result.file = name;
    result.seed = seed;
    result.describe = image.describe;
    result.expected = expectedOutput(image.photo);
    if (!options.keep.empty()) {
        tessoran_test::writeFileBytes(path + ".expected", result.expected);
    }
    // Both programs on the same file one after the other, taking turns at
    // going first, so that the machine's load weighs on both alike.
    Timed ours;
    Timed peer;
    if (index % 2 == 0) {
        ours = timedRun({options.program, path});
        peer = timedRun(peerCommand(options, path));
    } else {
        peer = timedRun(peerCommand(options, path));
        ours = timedRun({options.program, path});
    }
    if (peer.outcome.exitStatus == 127 && peer.outcome.out.empty()) {
        throw std::runtime_error("cannot run " + options.zxing);
    }
    if (ours.outcome.exitStatus == 127 && ours.outcome.out.empty()) {
        throw std::runtime_error("cannot run " + options.program);
    }
    result.ours = judge(ours.outcome, result.expected);
    result.peer = judge(peer.outcome, image.photo.data);
    result.oursMilliseconds = ours.milliseconds;
    result.peerMilliseconds = peer.milliseconds;
    const Timed library = timedLibraryCall(path);
    result.library = judge(library.outcome, result.expected);
    result.libraryMilliseconds = library.milliseconds;
    if (options.keep.empty()) {
        std::filesystem::remove(path);
    }
    return result;
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Tally {
    int images = 0;
    int counts[3][3] = {};  // [ours, peer, library][verdict]
    std::vector<double> times[3];

    void add(const Result& result) {
        ++images;
        ++counts[0][static_cast<int>(result.ours)];
        ++counts[1][static_cast<int>(result.peer)];
        ++counts[2][static_cast<int>(result.library)];
        times[0].push_back(result.oursMilliseconds);
        times[1].push_back(result.peerMilliseconds);
        times[2].push_back(result.libraryMilliseconds);
    }
};

void printTallyRow(const std::string& label, const Tally& tally) {
    std::printf("%-20s %6d |", label.c_str(), tally.images);
    for (int who = 0; who < 2; ++who) {
        std::printf(" %6d %7d %6d %9.1f |", tally.counts[who][0], tally.counts[who][1],
                    tally.counts[who][2], median(tally.times[who]));
    }
    std::printf("\n");
}

void printLibraryRow(const std::string& label, const Tally& tally) {
    const double library = median(tally.times[2]);
    const double program = median(tally.times[0]);
    std::printf("%-20s %6d | %6d %7d %6d %9.1f | %10.1f %10.1f\n", label.c_str(), tally.images,
                tally.counts[2][0], tally.counts[2][1], tally.counts[2][2], library, program,
                program - library);
}

// The library's calls beside the program's whole runs on the same pictures:
// the difference is the process's start and the image's loading.
void printLibraryTable(const Options& options, const std::vector<Result>& results) {
    std::printf(
        "\nThe library on the decoded pixels (one call in this process) beside the "
        "program's whole run:\n\n");
    std::printf("%-20s %6s | %-31s | %-21s\n", "", "", "library call", "tessoran run");
    std::printf("%-20s %6s | %6s %7s %6s %9s | %10s %10s\n", "class", "images", "exact", "misread",
                "failed", "median ms", "median ms", "difference");
    Tally all;
    for (const CaptureClass kind : options.classes) {
        Tally tally;
        for (const Result& result : results) {
            if (result.kind == kind) {
                tally.add(result);
                all.add(result);
            }
        }
        printLibraryRow(tableName(kind), tally);
    }
    printLibraryRow("all", all);
}

void printTable(const Options& options, const std::vector<Result>& results) {
    std::printf("Capture benchmark: %d images per class, seed %llu\n\n", options.count,
                static_cast<unsigned long long>(options.seed));
    std::printf("%-20s %6s | %-31s | %-31s |\n", "", "", "tessoran", "ZXingReader");
    std::printf("%-20s %6s |", "class", "images");
    for (int who = 0; who < 2; ++who) {
        std::printf(" %6s %7s %6s %9s |", "exact", "misread", "failed", "median ms");
    }
    std::printf("\n");
    Tally all;
    for (const CaptureClass kind : options.classes) {
        Tally tally;
        for (const Result& result : results) {
            if (result.kind == kind) {
                tally.add(result);
                all.add(result);
            }
        }
        printTallyRow(tableName(kind), tally);
    }
    printTallyRow("all", all);
    std::printf("\nOur misreads:");
    int misreads = 0;
    for (const Result& result : results) {
        if (result.ours == Verdict::Misread) {
            std::printf("%s %s", misreads++ == 0 ? "" : ",", result.file.c_str());
        }
    }
    std::printf("%s\n", misreads == 0 ? " none" : "");
}

void writeManifest(const std::string& directory, const std::vector<Result>& results) {
    std::ofstream manifest(directory + "/manifest.tsv");
    manifest << "file\tclass\tseed\tours\tZXingReader\tours ms\tZXingReader ms\texpected size "
                "line\tsettings\n";
    for (const Result& result : results) {
        manifest << result.file << '\t' << shortName(result.kind) << '\t' << result.seed << '\t'
                 << verdictName(result.ours) << '\t' << verdictName(result.peer) << '\t'
                 << result.oursMilliseconds << '\t' << result.peerMilliseconds << '\t'
                 << result.expected.substr(0, result.expected.find('\n')) << '\t' << result.describe
                 << '\n';
    }
}

// Each program runs this many times on each image, taking turns, so that
// neither alone meets a cold file cache or a busy moment of the machine.
constexpr int kHostileRuns = 5;

void timeHostileImages(const Options& options, const std::string& directory) {
    std::printf(
        "\nImages with no symbol (median of %d runs of each program, taking turns; the "
        "most memory of them):\n",
        kHostileRuns);
    std::printf("%-30s %12s %14s %16s %18s\n", "image", "tessoran ms", "tessoran MiB",
                "ZXingReader ms", "ZXingReader MiB");
    for (const HostileImage& image : writeHostileImages(directory, options.seed)) {
        std::vector<double> oursTimes;
        std::vector<double> peerTimes;
        Timed ours;
        Timed peer;
        for (int i = 0; i < kHostileRuns; ++i) {
            for (auto [command, times, kept] :
                 {std::tuple{std::vector<std::string>{options.program, image.path}, &oursTimes,
                             &ours},
                  std::tuple{peerCommand(options, image.path), &peerTimes, &peer}}) {
                Timed run = timedRun(command);
                times->push_back(run.milliseconds);
                if (run.outcome.peakMemoryKiB >= kept->outcome.peakMemoryKiB) {
                    *kept = std::move(run);
                }
            }
        }
        ours.milliseconds = median(oursTimes);
        peer.milliseconds = median(peerTimes);
        const auto status = [](const Timed& run) {
            return run.outcome.timedOut ? std::string(" (killed)")
                   : run.outcome.exitStatus != 0
                       ? " (status " + std::to_string(run.outcome.exitStatus) + ")"
                       : std::string();
        };
        std::printf("%-30s %12.0f %14.0f %16.0f %18.0f%s%s\n", image.description.c_str(),
                    ours.milliseconds, static_cast<double>(ours.outcome.peakMemoryKiB) / 1024.0,
                    peer.milliseconds, static_cast<double>(peer.outcome.peakMemoryKiB) / 1024.0,
                    status(ours).c_str(), status(peer).c_str());
        if (options.keep.empty()) {
            std::filesystem::remove(image.path);
        }
    }
}

int renderOne(const std::vector<std::string>& arguments) {
    if (arguments.size() != 4) {
        usage("--render needs CLASS SEED OUT");
    }
    const std::optional<CaptureClass> kind = captureClassNamed(arguments[1]);
    if (!kind) {
        usage("no class \"" + arguments[1] + "\"");
    }
    const CaptureImage image = makeCaptureImage(*kind, parseNumber(arguments[2], "--render"));
    writeCaptureImage(image, arguments[3]);
    tessoran_test::writeFileBytes(arguments[3] + ".expected", expectedOutput(image.photo));
    std::printf("%s: %s, %s\nexpected output in %s.expected\n", arguments[3].c_str(),
                image.jpegQuality > 0 ? "JPEG" : "PNG", image.describe.c_str(),
                arguments[3].c_str());
    return 0;
}

int runBenchmark(const Options& options) {
    std::optional<tessoran_test::TemporaryDirectory> temporary;
    std::string directory = options.keep;
    if (directory.empty()) {
        temporary.emplace();
        directory = temporary->path();
    } else {
        std::filesystem::create_directories(directory);
    }
    struct Job {
        CaptureClass kind;
        int index;
    };
    std::vector<Job> jobs;
    for (const CaptureClass kind : options.classes) {
        for (int index = 0; index < options.count; ++index) {
            jobs.push_back({kind, index});
        }
    }
    std::vector<Result> results(jobs.size());
    std::atomic<std::size_t> next{0};
    std::mutex failure;
    std::string problem;
    const auto work = [&]() {
        for (std::size_t j; (j = next++) < jobs.size();) {
            try {
                results[j] = measure(options, directory, jobs[j].kind, jobs[j].index);
            } catch (const std::exception& error) {
                const std::lock_guard<std::mutex> lock(failure);
                problem = error.what();
                next = jobs.size();
            }
        }
    };
    std::vector<std::thread> workers;
    for (int w = 1; w < options.jobs; ++w) {
        workers.emplace_back(work);
    }
    work();
    for (std::thread& worker : workers) {
        worker.join();
    }
    if (!problem.empty()) {
        std::cerr << "capture_benchmark: " << problem << "\n";
        return 1;
    }
    printTable(options, results);
    printLibraryTable(options, results);
    if (!options.keep.empty()) {
        writeManifest(directory, results);
        std::printf("Images, their expected outputs (NAME.expected) and manifest.tsv are in %s\n",
                    directory.c_str());
    }
    if (options.hostile) {
        timeHostileImages(options, directory);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    try {
        if (!arguments.empty() && arguments[0] == "--render") {
            return renderOne(arguments);
        }
        return runBenchmark(parseOptions(arguments));
    } catch (const std::exception& error) {
        std::cerr << "capture_benchmark: " << error.what() << "\n";
        return 1;
    }
}
