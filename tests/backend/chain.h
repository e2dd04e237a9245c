// The backend tests' screen: a fresh headless platform with the program's
// window, the 640 x 480 x 8 mode and the flipping chain.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "backend/backend.h"
#include "backend/headless/headless.h"

inline intptr_t DefaultProc(BkWindow* w, uint32_t m, uintptr_t wp, intptr_t lp) {
    return WindowDefaultProc(w, m, wp, lp);
}

struct Chain : ::testing::Test {
    BkWindow* window = nullptr;
    BkDisplay* display = nullptr;
    BkSurface* primary = nullptr;
    BkSurface* back = nullptr;

    void SetUp() override {
        HeadlessReset();
        window = WindowCreate("zemVR", DefaultProc, 640, 480);
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(DisplayCreate(&display), BK_OK);
        ASSERT_EQ(DisplaySetCooperativeLevel(display, window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), BK_OK);
        ASSERT_EQ(DisplaySetMode(display, 640, 480, 8), BK_OK);
        SurfaceDesc desc = Desc();
        ASSERT_EQ(DisplayCreateSurface(display, &desc, &primary), BK_OK);
        ASSERT_EQ(SurfaceGetAttached(primary, DDSCAPS_BACKBUFFER, &back), BK_OK);
    }
    void TearDown() override { HeadlessReset(); }

    // What start-up asks for: a primary surface with one back buffer.
    static SurfaceDesc Desc() {
        SurfaceDesc desc = {};
        desc.size = sizeof desc;
        desc.flags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        desc.caps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_SYSTEMMEMORY;
        desc.backBufferCount = 1;
        return desc;
    }

    // Fills the back buffer with one value through a lock.
    void Fill(uint8_t value) {
        SurfaceDesc d = {};
        d.size = sizeof d;
        ASSERT_EQ(SurfaceLock(back, &d), BK_OK);
        for (int y = 0; y < d.height; y++) std::memset((uint8_t*)d.surface + y * d.pitch, value, d.width);
        SurfaceUnlock(back, d.surface);
    }
};
