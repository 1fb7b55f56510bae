// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "platform/GdiPlus.h"

namespace ostrel2::tessoran {

// The image library from start-up to shut-down.
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

}  // namespace ostrel2::tessoran
