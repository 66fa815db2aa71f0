#pragma once
// What composition needs of a 3D view: the view settings of a book type and the atlas to show.
// TD3DWin (the widget) and the headless renderer implement it; tests use a recording fake.

class TBitmap32;

class ICoverView {
public:
    virtual ~ICoverView() = default;

    virtual void SetRingBinding(bool on) = 0;    // book type 5
    virtual void SetIsCD(bool on) = 0;           // book type 4
    virtual void SetPagedBook(bool on) = 0;      // paged book types
    virtual void SetAngleX(float radians) = 0;
    virtual void SetAngleY(float radians) = 0;
    virtual float GetAngleX() const = 0;         // radians
    virtual float GetAngleY() const = 0;
    virtual void SetPageInset(float value) = 0;  // stored only when 0 < value < 100

    // Loads the atlas (when not null) with the sizes of its front and side regions, then draws at
    // once. A null atlas with zero sizes only redraws.
    virtual void ShowCover(const TBitmap32* atlas, int frontWidth, int frontHeight, int sideWidth) = 0;
};

// A view that only wants the composed atlas (the command-line tools, benchmarks): the view
// settings of the book type are ignored.
class TAtlasSink : public ICoverView {
public:
    void SetRingBinding(bool) override {}
    void SetIsCD(bool) override {}
    void SetPagedBook(bool) override {}
    void SetAngleX(float) override {}
    void SetAngleY(float) override {}
    float GetAngleX() const override { return 0; }
    float GetAngleY() const override { return 0; }
    void SetPageInset(float) override {}
};
