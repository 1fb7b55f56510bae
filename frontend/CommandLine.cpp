#include "frontend/CommandLine.h"

#include <cstdint>
#include <cstdio>

#include "capture/BitmapGrey.h"
#include "capture/CaptureReader.h"
#include "decoding/ITessoranResult.h"
#include "frontend/InputMode.h"
#include "frontend/MessagePath.h"
#include "frontend/TraceOutput.h"
#include "objects/InterfaceIds.h"
#include "pattern/BarStringMonoImage.h"
#include "pattern/GdiPlusMonoImage.h"
#include "platform/GdiPlus.h"
#include "reader/DecodeDriver.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace ostrel2::tessoran {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitInput = 2;

void printBanner() {
    std::fputs(
        "Velquor Tessoran Version 0.5(beta)\n"
        "Reads one PDF417 symbol from an image file or a V4 bar string.\n"
        "The decoded data goes to standard output, messages to standard error.\n"
        "Provided as is, without warranty of any kind.\n"
        "\n",
        stderr);
}

std::FILE* openForReading(const PathChar* path) {
#ifdef _WIN32
    return _wfopen(path, L"r");
#else
    return std::fopen(path, "r");
#endif
}

// Writes a segment's whole text: byte data may hold 0 bytes, which belong to
// the data like any other.
std::int32_t printSegment(void* /*context*/, std::int32_t /*tag*/, const char* text,
                          std::int32_t length) {
    std::fwrite(text, 1, static_cast<std::size_t>(length), stdout);
    return 0;
}

I2DBitPattern* barStringPattern(std::FILE* stream) {
    I2DBitPattern* pattern = nullptr;
    auto* image = new BarStringMonoImage(stream);
    image->QueryInterface(IID_I2DBitPattern, reinterpret_cast<void**>(&pattern));
    return pattern;
}

// The bar string of the file at `path`, or null when the file cannot be
// opened or read: a file that opens but cannot be read (on POSIX systems a
// directory does) would otherwise pass for an empty bar string.
I2DBitPattern* readBarStringFile(const PathChar* path) {
    std::FILE* file = openForReading(path);
    if (file == nullptr) {
        return nullptr;
    }
    I2DBitPattern* pattern = barStringPattern(file);
    const bool unreadable = std::ferror(file) != 0;
    std::fclose(file);
    if (unreadable) {
        pattern->Release();
        return nullptr;
    }
    return pattern;
}

// Ends the pattern's hold on the bitmap's pixels, which the library lets
// only one reader lock at a time.
void releasePattern(I2DBitPattern*& pattern) {
    if (pattern != nullptr) {
        pattern->Release();
        pattern = nullptr;
    }
}

// A picture that the scan-line reader cannot read goes to the capture reader.
Status decodeImage(I2DBitPattern*& pattern, Gdiplus::Bitmap* bitmap, capture::CaptureTrace* trace,
                   ITessoranResult** result) {
    const Status status = DecodeBitPattern(pattern, result);
    if (!failed(status) || bitmap == nullptr) {
        return status;
    }
    releasePattern(pattern);
    const std::optional<capture::GreyImage> grey = capture::greyImageOf(*bitmap);
    if (!grey) {
        return status;
    }
    return capture::captureDecode(*grey, trace, result);
}

void decodeAndPrint(I2DBitPattern*& pattern, Gdiplus::Bitmap* bitmap) {
    ITessoranResult* result = nullptr;
    const auto tracePath = bitmap != nullptr ? tracePicturePath() : std::nullopt;
    capture::CaptureTrace trace;
    const Status status = decodeImage(pattern, bitmap, tracePath ? &trace : nullptr, &result);
    if (tracePath) {
        releasePattern(pattern);
        writeTracePicture(tracePath->c_str(), *bitmap, trace);
    }
    if (failed(status)) {
        std::fputs("Decoding failed.\n", stderr);
        return;
    }
    const std::int32_t rows = result->GetRows();
    const std::int32_t columns = result->GetColumns();
    const std::int32_t level = result->GetECLevel();
    std::printf("%d Rows, %d Cols, Error correction %d.\n", rows, columns, level);
    result->EnumSegments(nullptr, printSegment);
    result->Release();
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
    printBanner();
    if (argc <= 1) {
        std::fprintf(stderr, "%s imagefile|string.txt|-i\n", messagePath(argv[0]).c_str());
        return kExitUsage;
    }
    const PathChar* argument = argv[1];
    const InputMode mode = chooseInputMode(argument);

    ULONG_PTR gdiplusToken = 0;
    Gdiplus::GdiplusStartupInput startupInput;
    if (Gdiplus::GdiplusStartup(&gdiplusToken, &startupInput, nullptr) != Gdiplus::Ok) {
        std::fputs("Failed to start up GDI+. Exit.", stderr);
        return kExitUsage;
    }

    I2DBitPattern* pattern = nullptr;
    Gdiplus::Bitmap* bitmap = nullptr;
    switch (mode) {
        case InputMode::BarStringFile:
            pattern = readBarStringFile(argument);
            if (pattern == nullptr) {
                std::fprintf(stderr, "Unable to open file %s.\n", messagePath(argument).c_str());
                Gdiplus::GdiplusShutdown(gdiplusToken);
                return kExitInput;
            }
            break;
        case InputMode::StandardInput:
            std::fputs("Enter barcode string below (V4 only):\n", stdout);
            pattern = barStringPattern(stdin);
            break;
        case InputMode::ImageFile:
            bitmap = new Gdiplus::Bitmap(argument);
            if (bitmap == nullptr || bitmap->GetLastStatus() != Gdiplus::Ok) {
                delete bitmap;
                std::fputs("file does not exist or is invalid.", stderr);
                Gdiplus::GdiplusShutdown(gdiplusToken);
                return kExitInput;
            }
            CreateGdiPlusMonoImage(bitmap, &pattern);
            break;
    }

    decodeAndPrint(pattern, bitmap);

    releasePattern(pattern);
    delete bitmap;
    Gdiplus::GdiplusShutdown(gdiplusToken);
    return kExitOk;
}

}  // namespace ostrel2::tessoran
