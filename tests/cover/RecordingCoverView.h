#pragma once
// An ICoverView that records what composition asked of it, for tests.

#include "cover/ICoverView.h"
#include "raster/TBitmap32.h"

#include <optional>

class TRecordingCoverView : public ICoverView {
public:
    bool RingBinding = false, IsCD = false, PagedBook = false;
    float AngleX = -1, AngleY = -1, PageInset = -1;
    int ShowCount = 0;
    std::optional<TBitmap32> Atlas; // copy of the last atlas shown
    int FrontWidth = -1, FrontHeight = -1, SideWidth = -1;

    void SetRingBinding(bool on) override { RingBinding = on; }
    void SetIsCD(bool on) override { IsCD = on; }
    void SetPagedBook(bool on) override { PagedBook = on; }
    void SetAngleX(float radians) override { AngleX = radians; }
    void SetAngleY(float radians) override { AngleY = radians; }
    float GetAngleX() const override { return AngleX; }
    float GetAngleY() const override { return AngleY; }
    void SetPageInset(float value) override { PageInset = value; }
    void ShowCover(const TBitmap32* atlas, int frontWidth, int frontHeight, int sideWidth) override
    {
        ++ShowCount;
        if (atlas)
            Atlas = *atlas;
        FrontWidth = frontWidth;
        FrontHeight = frontHeight;
        SideWidth = sideWidth;
    }
};
