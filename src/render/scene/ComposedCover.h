#pragma once
// A cover as composition hands it to a view (the atlas, the faces' sizes and the type's view
// settings), kept as data so a renderer without OpenGL can build its scene from it.

#include "cover/BookType.h"
#include "cover/ICoverView.h"
#include "raster/TBitmap32.h"

class TComposedCover : public ICoverView {
public:
    void SetRingBinding(bool on) override { Ring = on; }
    void SetIsCD(bool on) override { IsCD = on; }
    void SetPagedBook(bool on) override { Paged = on; }
    void SetAngleX(float radians) override { AngleX = radians; }
    void SetAngleY(float radians) override { AngleY = radians; }
    float GetAngleX() const override { return AngleX; }
    float GetAngleY() const override { return AngleY; }
    void SetPageInset(float value) override;
    void ShowCover(const TBitmap32* atlas, int frontWidth, int frontHeight, int sideWidth) override;

    bool Ring = false, IsCD = false, Paged = false;
    float AngleX = 0, AngleY = 0; // radians
    float PageInset = 1.0f;
    TBitmap32 Atlas;
    int FrontWidth = 0, FrontHeight = 0, SideWidth = 0;
    bool BackRegion = false; // the atlas holds the back cover beside the front
};

// Composes the faces for type (they are reshaped in place, as Compose does); back (may be null)
// is the paged types' back cover. Throws std::runtime_error with a message for the user when a
// face is empty.
TComposedCover ComposeCover(TBookType type, TBitmap32& front, TBitmap32& side, TBitmap32* top,
                            const TBitmap32* back = nullptr);
