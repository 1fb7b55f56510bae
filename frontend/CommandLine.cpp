#include "frontend/CommandLine.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "capture/BitmapGrey.h"
#include "capture/CaptureReader.h"
#include "decoding/ITessoranResult.h"
#include "frontend/BarStringInput.h"
#include "frontend/ExitStatus.h"
#include "frontend/InputMode.h"
#include "frontend/MessagePath.h"
#include "frontend/TraceOutput.h"
#include "objects/ObjectReference.h"
#include "pattern/GdiPlusMonoImage.h"
#include "platform/GdiPlus.h"
#include "reader/DecodeDriver.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace ostrel2::tessoran {

namespace {

void printBanner() {
    std::fputs(
        "Velquor Tessoran Version 0.5(beta)\n"
        "Reads one PDF417 symbol from an image file or a V4 bar string.\n"
        "The decoded data goes to standard output, messages to standard error.\n"
        "Provided as is, without warranty of any kind.\n"
        "\n",
        stderr);
}

// GDI+ from start-up to shut-down.
class GdiplusSession {
  public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput startupInput;
        started = Gdiplus::GdiplusStartup(&token, &startupInput, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession() {
        if (started) {
            Gdiplus::GdiplusShutdown(token);
        }
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

    bool isStarted() const { return started; }

  private:
    ULONG_PTR token = 0;
    bool started = false;
};

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using OpenFile = std::unique_ptr<std::FILE, CloseFile>;

OpenFile openForReading(const PathChar* path) {
#ifdef _WIN32
    return OpenFile(_wfopen(path, L"r"));
#else
    return OpenFile(std::fopen(path, "r"));
#endif
}

// Hands `bytes` to standard output; false when the stream failed. What a
// failed write leaves in the stream's buffer is never flushed.
bool writeOutput(std::string_view bytes) {
    return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
}

// Writes a segment's whole text: byte data may hold 0 bytes, which belong to
// the data like any other. The context is whether everything so far was
// written; after a failure nothing more is tried.
std::int32_t printSegment(void* context, std::int32_t /*tag*/, const char* text,
                          std::int32_t length) {
    bool& written = *static_cast<bool*>(context);
    written = written && writeOutput(std::string_view(text, static_cast<std::size_t>(length)));
    return 0;
}

// A picture that the scan-line reader cannot read goes to the capture
// reader. The pattern lets go of the bitmap's pixels first: the library lets
// one reader at a time lock them.
Status decodeImage(ObjectReference<I2DBitPattern>& pattern, Gdiplus::Bitmap* bitmap,
                   capture::CaptureTrace* trace, ITessoranResult** result) {
    const Status status = DecodeBitPattern(pattern.get(), result);
    if (!failed(status) || bitmap == nullptr) {
        return status;
    }
    pattern.reset();
    const std::optional<capture::GreyImage> grey = capture::greyImageOf(*bitmap);
    if (!grey) {
        return status;
    }
    return capture::captureDecode(*grey, trace, result);
}

// Decodes the pattern (and a picture's bitmap, when the pattern shows
// nothing) and writes what it holds, or says that decoding failed. False when
// standard output could not take the result.
bool decodeAndPrint(ObjectReference<I2DBitPattern>& pattern, Gdiplus::Bitmap* bitmap) {
    ITessoranResult* handedOut = nullptr;
    const auto tracePath = bitmap != nullptr ? tracePicturePath() : std::nullopt;
    capture::CaptureTrace trace;
    const Status status = decodeImage(pattern, bitmap, tracePath ? &trace : nullptr, &handedOut);
    if (tracePath) {
        pattern.reset();
        writeTracePicture(tracePath->c_str(), *bitmap, trace);
    }
    if (failed(status)) {
        std::fputs("Decoding failed.\n", stderr);
        return true;
    }
    const ObjectReference<ITessoranResult> result(handedOut);
    char sizeLine[80];
    std::snprintf(sizeLine, sizeof sizeLine, "%d Rows, %d Cols, Error correction %d.\n",
                  result->GetRows(), result->GetColumns(), result->GetECLevel());
    bool written = writeOutput(sizeLine);
    result->EnumSegments(&written, printSegment);
    return written;
}

int run(int argc, PathChar** argv) {
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

    // Released in reverse order: the pattern before the bitmap it reads.
    std::unique_ptr<Gdiplus::Bitmap> bitmap;
    ObjectReference<I2DBitPattern> pattern;
    switch (mode) {
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
            bitmap.reset(new Gdiplus::Bitmap(argument));
            if (bitmap == nullptr || bitmap->GetLastStatus() != Gdiplus::Ok) {
                std::fputs("file does not exist or is invalid.", stderr);
                return kExitInput;
            }
            I2DBitPattern* handedOut = nullptr;
            CreateGdiPlusMonoImage(bitmap.get(), &handedOut);
            pattern.reset(handedOut);
            break;
        }
    }
    return decodeAndPrint(pattern, bitmap.get()) ? kExitOk : kExitOutput;
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
    int status = kExitOk;
    try {
        status = run(argc, argv);
    } catch (const std::bad_alloc&) {
        // Whatever the run held has been released on the way here.
        std::fputs("Out of memory.\n", stderr);
        status = kExitInput;
    }
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
