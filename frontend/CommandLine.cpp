// SPDX-License-Identifier: Apache-2.0
#include "frontend/CommandLine.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "frontend/BarStringInput.h"
#include "frontend/BatchRun.h"
#include "frontend/ExitStatus.h"
#include "frontend/GdiplusSession.h"
#include "frontend/InputMode.h"
#include "frontend/MessagePath.h"
#include "frontend/OpenFile.h"
#include "frontend/RunGuard.h"
#include "frontend/TraceOutput.h"
#include "generated/Version.h"
#include "objects/ObjectReference.h"
#include "pipeline/SymbolDecoder.h"
#include "platform/GdiPlus.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace ostrel2::tessoran {

namespace {

constexpr std::string_view kHelp =
    "Usage: tessoran imagefile|string.txt|-i\n"
    "Reads one PDF417 symbol and writes its size line and its data to standard output.\n"
    "\n"
    "  imagefile    a PNG, JPEG, GIF, TIFF or BMP picture of the symbol\n"
    "  string.txt   a V4 bar-string file (a name ending in .txt, in any case)\n"
    "  -i           a V4 bar string typed on standard input\n"
    "  -h, --help   this text\n"
    "  --version    the program's version\n"
    "\n"
    "A file named like an option is read by another path to it: tessoran ./--help\n"
    "Exit status: 0 read (decoded, or \"Decoding failed.\"), 1 usage, 2 input not read,\n"
    "3 output not written, 10 invalid bar-string character. See tessoran(1).\n";

// Follows the version on `--version`, so that whoever ships the program can
// see under which terms.
constexpr std::string_view kLicence =
    "Copyright 2026 The Tessoran developers.\n"
    "Licensed under the Apache License, Version 2.0: free software, provided as is,\n"
    "without warranty of any kind. See https://www.apache.org/licenses/LICENSE-2.0\n";

void printBanner() {
    std::fputs(
        "Velquor Tessoran Version 0.5(beta)\n"
        "Reads one PDF417 symbol from an image file or a V4 bar string.\n"
        "The decoded data goes to standard output, messages to standard error.\n"
        "Provided as is, without warranty of any kind.\n"
        "\n",
        stderr);
}

// Hands `bytes` to standard output; false when the stream failed. What a
// failed write leaves in the stream's buffer is never flushed.
bool writeOutput(std::string_view bytes) {
    return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
}

// Writes what decoding came to: the size line and the data, or that decoding
// failed. False when standard output could not take the result.
bool printOutcome(const DecodeOutcome& outcome) {
    if (!outcome.ok()) {
        std::fputs("Decoding failed.\n", stderr);
        return true;
    }
    const DecodedSymbol* symbol = &outcome.value();
    char sizeLine[80];
    std::snprintf(sizeLine, sizeof sizeLine, "%d Rows, %d Cols, Error correction %d.\n",
                  symbol->rows, symbol->columns, symbol->ecLevel);
    return writeOutput(sizeLine) && writeOutput(symbol->data);
}

// Decodes a picture, with a picture of what the readers found when
// TESSORAN_TRACE asks for one.
DecodeOutcome decodePicture(Gdiplus::Bitmap& bitmap) {
    const auto tracePath = tracePicturePath();
    capture::CaptureTrace trace;
    DecodeOutcome outcome = decodeBitmap(bitmap, tracePath ? &trace : nullptr);
    if (tracePath) {
        writeTracePicture(tracePath->c_str(), bitmap, trace);
    }
    return outcome;
}

int run(int argc, PathChar** argv) {
    // The modes for scripts print no banner: it would be noise on every run.
    if (argc > 1) {
        if (const std::optional<BatchMode> batch = batchModeOf(argv[1])) {
            return runBatch(*batch, argc - 2, argv + 2);
        }
    }
    printBanner();
    if (argc <= 1) {
        std::fprintf(stderr, "%s imagefile|string.txt|-i\n", messagePath(argv[0]).c_str());
        return kExitUsage;
    }
    const PathChar* argument = argv[1];
    const InputMode mode = chooseInputMode(argument);

    const GdiplusSession gdiplus;
    if (!gdiplus.isStarted()) {
        std::fputs("Failed to start up GDI+. Exit.", stderr);
        return kExitUsage;
    }

    ObjectReference<I2DBitPattern> pattern;
    switch (mode) {
        case InputMode::Help:
            return writeOutput(kHelp) ? kExitOk : kExitOutput;
        case InputMode::Version:
            return writeOutput("tessoran " + std::string(kVersion) + "\n" + std::string(kLicence))
                       ? kExitOk
                       : kExitOutput;
        case InputMode::BarStringFile: {
            const std::string unreadable = "Unable to open file " + messagePath(argument) + ".\n";
            const OpenFile file = openForReading(argument);
            if (file == nullptr) {
                std::fputs(unreadable.c_str(), stderr);
                return kExitInput;
            }
            // A file that opens but cannot be read (on POSIX systems a
            // directory does) is no empty bar string either.
            BarStringInput input = readBarStringInput(file.get(), unreadable);
            if (input.refusalStatus.has_value()) {
                return *input.refusalStatus;
            }
            pattern = std::move(input.pattern);
            break;
        }
        case InputMode::StandardInput: {
            // Flushed at once: whoever types the bar string sees the prompt
            // first, and output that fails ends the run before any reading.
            if (!writeOutput("Enter barcode string below (V4 only):\n") ||
                std::fflush(stdout) != 0) {
                return kExitOutput;
            }
            BarStringInput input = readBarStringInput(stdin, "Unable to read standard input.\n");
            if (input.refusalStatus.has_value()) {
                return *input.refusalStatus;
            }
            pattern = std::move(input.pattern);
            break;
        }
        case InputMode::ImageFile: {
            const std::unique_ptr<Gdiplus::Bitmap> bitmap(new Gdiplus::Bitmap(argument));
            if (bitmap == nullptr || bitmap->GetLastStatus() != Gdiplus::Ok) {
                std::fputs("file does not exist or is invalid.", stderr);
                return kExitInput;
            }
            return printOutcome(decodePicture(*bitmap)) ? kExitOk : kExitOutput;
        }
    }
    return printOutcome(decodePattern(*pattern)) ? kExitOk : kExitOutput;
}

}  // namespace

int runCommandLine(int argc, PathChar** argv) {
#ifdef _WIN32
    // Decoded data is bytes: standard output must not turn 10 into 13 10.
    // Messages take the same line ends, so both streams read the same on
    // every platform.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    const int status = runGuarded([argc, argv] { return run(argc, argv); });
    // What is still in the stream's buffer goes now; a run whose output did
    // not all arrive has not succeeded, whatever else happened.
    const bool flushed = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    if (status == kExitOutput || !flushed) {
        std::fputs("Unable to write the output.\n", stderr);
        return kExitOutput;
    }
    return status;
}

}  // namespace ostrel2::tessoran
