// SPDX-License-Identifier: Apache-2.0
// Loads an image file through the same image layer as the program and exits:
// the cost of only decoding the file into pixels.

#include <cstdio>

#include "platform/GdiPlus.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: load_image_only imagefile\n", stderr);
        return 1;
    }
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    auto* bitmap = new Gdiplus::Bitmap(argv[1]);
    const bool loaded = bitmap != nullptr && bitmap->GetLastStatus() == Gdiplus::Ok;
    const unsigned width = loaded ? bitmap->GetWidth() : 0;
    delete bitmap;
    Gdiplus::GdiplusShutdown(token);
    return loaded && width > 0 ? 0 : 2;
}
