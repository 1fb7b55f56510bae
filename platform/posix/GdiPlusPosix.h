// SPDX-License-Identifier: Apache-2.0
#pragma once

// The part of GDI+ that the program uses, for platforms without it: start-up
// and shut-down, bitmaps loaded from a file, their size and pixel colours, and
// the library's allocator. Names, signatures and behaviour follow GDI+ so that
// the calling code needs no change between platforms; paths are byte strings.

#include <cstddef>
#include <cstdint>

#include "platform/posix/DecodedImage.h"

using ULONG_PTR = std::uintptr_t;

namespace Gdiplus {

using ARGB = std::uint32_t;
using UINT = unsigned int;
using UINT32 = std::uint32_t;
using INT = int;
using BOOL = int;

enum Status {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
};

using DebugEventProc = void (*)(int level, char* message);

using PixelFormat = INT;
// 32 bits a pixel: blue, green, red and alpha bytes, one ARGB word in the
// byte order of a little-endian machine.
inline constexpr PixelFormat PixelFormat32bppARGB = 0x26200A;

enum ImageLockMode {
    ImageLockModeRead = 1,
    ImageLockModeWrite = 2,
    ImageLockModeUserInputBuf = 4,
};

struct Rect {
    Rect() = default;
    Rect(INT x, INT y, INT width, INT height) : X(x), Y(y), Width(width), Height(height) {}
    INT X = 0;
    INT Y = 0;
    INT Width = 0;
    INT Height = 0;
};

// The pixels of a locked part of a bitmap: `Stride` bytes from one row's
// first pixel to the next row's.
struct BitmapData {
    UINT Width = 0;
    UINT Height = 0;
    INT Stride = 0;
    ::Gdiplus::PixelFormat PixelFormat = 0;
    void* Scan0 = nullptr;
    ULONG_PTR Reserved = 0;
};

struct GdiplusStartupInput {
    UINT32 GdiplusVersion = 1;
    DebugEventProc DebugEventCallback = nullptr;
    BOOL SuppressBackgroundThread = 0;
    BOOL SuppressExternalCodecs = 0;
};

struct GdiplusStartupOutput;

Status GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input,
                      GdiplusStartupOutput* output);
void GdiplusShutdown(ULONG_PTR token);

namespace DllExports {

void* GdipAlloc(std::size_t size);
void GdipFree(void* pointer);
// Loads and decodes the image file at `filename`, read once to its end (a
// FIFO or a pipe will do). The format is told by the file's leading bytes,
// not its name. A missing, unreadable, truncated or damaged file, one that is
// no image, or one whose decode would pass the decode budget is a failure and
// yields no handle.
Status GdipCreateBitmapFromFile(const char* filename, GpBitmap** bitmap);
Status GdipGetImageHeight(GpImage* image, UINT* height);
Status GdipGetImageWidth(GpImage* image, UINT* width);
// Inline: the decoder reads every pixel through it several times.
inline Status GdipBitmapGetPixel(GpBitmap* bitmap, INT x, INT y, ARGB* color) {
    if (bitmap == nullptr || color == nullptr || x < 0 || y < 0 || x >= bitmap->width ||
        y >= bitmap->height) {
        return InvalidParameter;
    }
    *color = bitmap->pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(bitmap->width) +
                            static_cast<std::size_t>(x)];
    return Ok;
}
Status GdipDisposeImage(GpImage* image);

}  // namespace DllExports

// Objects of the library live in memory from its own allocator. Allocation
// failure yields a null pointer, as in GDI+.
class GdiplusBase {
  public:
    static void* operator new(std::size_t size) noexcept { return DllExports::GdipAlloc(size); }
    static void operator delete(void* pointer) noexcept { DllExports::GdipFree(pointer); }
    static void* operator new[](std::size_t size) noexcept { return DllExports::GdipAlloc(size); }
    static void operator delete[](void* pointer) noexcept { DllExports::GdipFree(pointer); }
};

class Color {
  public:
    // A new colour is opaque black, as in GDI+.
    Color() = default;
    explicit Color(ARGB argb) : Argb(argb) {}

    ARGB GetValue() const { return Argb; }
    void SetValue(ARGB argb) { Argb = argb; }
    std::uint8_t GetA() const { return static_cast<std::uint8_t>(Argb >> 24); }
    std::uint8_t GetR() const { return static_cast<std::uint8_t>(Argb >> 16); }
    std::uint8_t GetG() const { return static_cast<std::uint8_t>(Argb >> 8); }
    std::uint8_t GetB() const { return static_cast<std::uint8_t>(Argb); }

  private:
    ARGB Argb = 0xFF000000u;
};

class Image : public GdiplusBase {
  public:
    virtual ~Image() { DllExports::GdipDisposeImage(nativeImage); }
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // 0 when the size cannot be read; the failure becomes the last status.
    UINT GetWidth();
    UINT GetHeight();
    // The status of the last failing call, then Ok again.
    Status GetLastStatus() const {
        const Status status = lastResult;
        lastResult = Ok;
        return status;
    }

  protected:
    Image() = default;
    Status SetStatus(Status status) const {
        if (status != Ok) {
            lastResult = status;
        }
        return status;
    }

    GpImage* nativeImage = nullptr;
    mutable Status lastResult = Ok;
};

class Bitmap : public Image {
  public:
    explicit Bitmap(const char* filename, BOOL useEmbeddedColorManagement = 0);

    // Reads the pixels of `rect` in place: only reading, in 32-bit ARGB, is
    // offered, which is how the pixels are held.
    Status LockBits(const Rect* rect, UINT flags, PixelFormat format, BitmapData* locked);
    Status UnlockBits(BitmapData* locked);

    // The colour at column x, row y; on failure the colour is left as it was.
    Status GetPixel(INT x, INT y, Color* color) {
        ARGB argb = 0;
        const Status status = SetStatus(
            DllExports::GdipBitmapGetPixel(static_cast<GpBitmap*>(nativeImage), x, y, &argb));
        if (status == Ok) {
            color->SetValue(argb);
        }
        return status;
    }
};

}  // namespace Gdiplus
