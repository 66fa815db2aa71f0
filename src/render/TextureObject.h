#pragma once
// One OpenGL texture of the 3D view: the cover atlas (which also carries the box proportions the
// mesh reads) or one of the two textures generated in code, the CD disc and the ring binding.

#include <cstdint>
#include <vector>

class TBitmap32;

enum class TTextureKind { Cover = 0, Disc = 1, Ring = 2 };

class TTextureObject {
public:
    static constexpr int DiscSize = 512;
    static constexpr int RingSize = 32;

    // Must be created with the view's context current. Kinds 1 and 2 upload their generated
    // image at once; the cover kind loads `bitmap` (nothing when null).
    TTextureObject(void* context, TTextureKind kind, const TBitmap32* bitmap = nullptr, int frontWidth = 0,
                   int frontHeight = 0, int sideWidth = 0);
    ~TTextureObject();
    TTextureObject(const TTextureObject&) = delete;
    TTextureObject& operator=(const TTextureObject&) = delete;

    // Replaces the texture with `bitmap` (top row first in memory) and sets the box sizes from
    // the pixel sizes. A null bitmap keeps the previous texture and sizes.
    void LoadBitmap(const TBitmap32* bitmap, int frontWidth, int frontHeight, int sideWidth);

    unsigned Name() const { return FName; }
    // The disc kind only: the disc's shape, opaque wherever the disc texture is not clear.
    unsigned MaskName() const { return FMaskName; }
    void* Context() const { return FContext; }
    bool Loaded() const { return FLoaded; }

    // The box sizes as loaded (X = 1, Y = front height / width, Z = side width / front width),
    // before any fit to a window; 0 until a bitmap was loaded.
    float NaturalX() const { return FNaturalX; }
    float NaturalY() const { return FNaturalY; }
    float NaturalZ() const { return FNaturalZ; }

    // The box sizes after the last fit to the window (written by the mesh builder).
    float FSizeX = 0, FSizeY = 0, FSizeZ = 0;

private:
    void Upload(int width, int height, const uint8_t* rgba, bool repeat);

    void* FContext = nullptr;
    unsigned FName = 0;
    unsigned FMaskName = 0;
    bool FLoaded = false;
    float FNaturalX = 0, FNaturalY = 0, FNaturalZ = 0;
};

// Fills the background colour under what is drawn so far, within the shape of the disc `list`
// draws (with disc's mask), into a framebuffer of premultiplied colour and coverage alpha. The disc
// drawn over it afterwards then looks as it does over that colour and is opaque, on a picture
// whose background is transparent. Leaves the GL state as it found it.
void PaintUnderDisc(const TTextureObject& disc, unsigned list, float red, float green, float blue);

// The generated images, RGBA bytes, first row in memory uploaded as texture row t = 0.
std::vector<uint8_t> MakeDiscTexels();
std::vector<uint8_t> MakeRingTexels();
// The atlas as RGBA bytes, bottom row first; scaled down (keeping its aspect) when a side
// exceeds maxSide, so an oversized atlas still uploads. Returns the uploaded size.
std::vector<uint8_t> AtlasTexels(const TBitmap32& atlas, int maxSide, int& width, int& height);
