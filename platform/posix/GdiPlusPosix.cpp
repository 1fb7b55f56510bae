// SPDX-License-Identifier: Apache-2.0
#include "platform/posix/GdiPlusPosix.h"

#include <cstdlib>
#include <new>

#include "platform/posix/DecodedImage.h"
#include "platform/posix/ImageFile.h"

namespace Gdiplus {

Status GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input,
                      GdiplusStartupOutput* output) {
    if (token == nullptr || input == nullptr || output != nullptr || input->GdiplusVersion != 1) {
        return InvalidParameter;
    }
    // Nothing to start: the format libraries need no global set-up.
    *token = 1;
    return Ok;
}

void GdiplusShutdown(ULONG_PTR /*token*/) {}

namespace DllExports {

void* GdipAlloc(std::size_t size) {
    return std::malloc(size);
}

void GdipFree(void* pointer) {
    std::free(pointer);
}

Status GdipCreateBitmapFromFile(const char* filename, GpBitmap** bitmap) {
    if (filename == nullptr || bitmap == nullptr) {
        return InvalidParameter;
    }
    auto* decoded = new (std::nothrow) GpBitmap;
    if (decoded == nullptr) {
        return OutOfMemory;
    }
    if (!ostrel2::tessoran::platform::loadImageFile(filename, *decoded)) {
        delete decoded;
        return InvalidParameter;
    }
    *bitmap = decoded;
    return Ok;
}

Status GdipGetImageHeight(GpImage* image, UINT* height) {
    if (image == nullptr || height == nullptr) {
        return InvalidParameter;
    }
    *height = static_cast<UINT>(image->height);
    return Ok;
}

Status GdipGetImageWidth(GpImage* image, UINT* width) {
    if (image == nullptr || width == nullptr) {
        return InvalidParameter;
    }
    *width = static_cast<UINT>(image->width);
    return Ok;
}

Status GdipDisposeImage(GpImage* image) {
    // Every handle is made as a bitmap by GdipCreateBitmapFromFile.
    delete static_cast<GpBitmap*>(image);
    return Ok;
}

}  // namespace DllExports

UINT Image::GetWidth() {
    UINT width = 0;
    SetStatus(DllExports::GdipGetImageWidth(nativeImage, &width));
    return width;
}

UINT Image::GetHeight() {
    UINT height = 0;
    SetStatus(DllExports::GdipGetImageHeight(nativeImage, &height));
    return height;
}

Status Bitmap::LockBits(const Rect* rect, UINT flags, PixelFormat format, BitmapData* locked) {
    auto* bitmap = static_cast<GpBitmap*>(nativeImage);
    if (bitmap == nullptr || rect == nullptr || locked == nullptr || flags != ImageLockModeRead ||
        format != PixelFormat32bppARGB || rect->X < 0 || rect->Y < 0 || rect->Width <= 0 ||
        rect->Height <= 0 || rect->Width > bitmap->width - rect->X ||
        rect->Height > bitmap->height - rect->Y) {
        return SetStatus(InvalidParameter);
    }
    const auto width = static_cast<std::size_t>(bitmap->width);
    locked->Width = static_cast<UINT>(rect->Width);
    locked->Height = static_cast<UINT>(rect->Height);
    locked->Stride = static_cast<INT>(width * sizeof(ARGB));
    locked->PixelFormat = format;
    locked->Scan0 = bitmap->pixels.data() + static_cast<std::size_t>(rect->Y) * width +
                    static_cast<std::size_t>(rect->X);
    return Ok;
}

Status Bitmap::UnlockBits(BitmapData* locked) {
    if (locked == nullptr) {
        return SetStatus(InvalidParameter);
    }
    locked->Scan0 = nullptr;
    return Ok;
}

Bitmap::Bitmap(const char* filename, BOOL /*useEmbeddedColorManagement*/) {
    GpBitmap* bitmap = nullptr;
    lastResult = DllExports::GdipCreateBitmapFromFile(filename, &bitmap);
    nativeImage = bitmap;
}

}  // namespace Gdiplus
