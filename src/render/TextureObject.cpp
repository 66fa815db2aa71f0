#include "render/TextureObject.h"

#include "cover/BookType.h"
#include "raster/TBitmap32.h"
#include "render/GLHeaders.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
inline int RoundEven(double v) { return int(std::nearbyint(v)); } // default mode: ties to even
} // namespace

std::vector<uint8_t> MakeDiscTexels()
{
    const int n = TTextureObject::DiscSize;
    const double pi = std::numbers::pi;
    std::vector<uint8_t> texels(size_t(n) * n * 4);
    uint8_t* p = texels.data();
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < n; ++c, p += 4) {
            const int u = c - 256, v = r - 256;
            const double a = u == 0 ? 0.0 : std::atan(double(v) / double(u));
            p[0] = uint8_t(223 + RoundEven(32 * std::sin(4 * a)));
            p[1] = uint8_t(223 + RoundEven(32 * std::sin(4 * a + pi / 8)));
            p[2] = uint8_t(223 + RoundEven(32 * std::sin(4 * a + pi / 4)));
            int alpha = 50 + RoundEven(100 * (1 - std::cos(8 * a)));
            const int d2 = u * u + v * v;
            // The patterned rings; everything else on the disc is faint, the hole and outside clear.
            if (!((d2 >= 3600 && d2 <= 3969) || (d2 >= 5329 && d2 <= 62500)))
                alpha = 30;
            if (d2 < 900 || d2 >= 64010)
                alpha = 0;
            p[3] = uint8_t(alpha);
        }
    }
    return texels;
}

std::vector<uint8_t> MakeRingTexels()
{
    const int n = TTextureObject::RingSize;
    std::vector<uint8_t> texels(size_t(n) * n * 4);
    uint8_t* p = texels.data();
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c, p += 4) {
            const bool ring = c < 5 || r >= 16;
            p[0] = ring ? 5 : 255;
            p[1] = ring ? 5 : 255;
            p[2] = ring ? 20 : 255;
            p[3] = ring ? 230 : 0;
        }
    return texels;
}

std::vector<uint8_t> AtlasTexels(const TBitmap32& atlas, int maxSide, int& width, int& height)
{
    const TBitmap32* source = &atlas;
    TBitmap32 scaled;
    width = atlas.Width();
    height = atlas.Height();
    if (maxSide > 0 && (width > maxSide || height > maxSide)) {
        const double f = double(maxSide) / std::max(width, height);
        width = std::clamp(int(width * f), 1, maxSide);
        height = std::clamp(int(height * f), 1, maxSide);
        scaled.Assign(atlas.ConstImageView().scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        source = &scaled;
    }
    std::vector<uint8_t> texels(size_t(width) * height * 4);
    uint8_t* p = texels.data();
    for (int y = height - 1; y >= 0; --y) {
        const TColor32* row = source->ScanLine(y);
        for (int x = 0; x < width; ++x, p += 4) {
            p[0] = uint8_t(RedOf(row[x]));
            p[1] = uint8_t(GreenOf(row[x]));
            p[2] = uint8_t(BlueOf(row[x]));
            p[3] = uint8_t(AlphaOf(row[x]));
        }
    }
    return texels;
}

TTextureObject::TTextureObject(void* context, TTextureKind kind, const TBitmap32* bitmap, int frontWidth,
                               int frontHeight, int sideWidth)
{
    if (context)
        FContext = context;
    switch (kind) {
    case TTextureKind::Disc: {
        auto texels = MakeDiscTexels();
        Upload(DiscSize, DiscSize, texels.data(), false);
        for (size_t i = 0; i < texels.size(); i += 4) {
            std::fill_n(&texels[i], 3, uint8_t(255));
            texels[i + 3] = texels[i + 3] ? 255 : 0;
        }
        const unsigned disc = FName;
        FName = 0;
        Upload(DiscSize, DiscSize, texels.data(), false);
        FMaskName = FName;
        FName = disc;
        break;
    }
    case TTextureKind::Ring: {
        const auto texels = MakeRingTexels();
        Upload(RingSize, RingSize, texels.data(), true);
        break;
    }
    default:
        LoadBitmap(bitmap, frontWidth, frontHeight, sideWidth);
    }
}

TTextureObject::~TTextureObject()
{
    for (unsigned name : {FName, FMaskName})
        if (name)
            glDeleteTextures(1, &name);
}

void PaintUnderDisc(const TTextureObject& disc, unsigned list, float red, float green, float blue)
{
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_TEXTURE_BIT);
    // The colour premultiplied by the mask's coverage, the mask's coverage as alpha.
    const float colour[4] = {red, green, blue, 1.0f};
    glBindTexture(GL_TEXTURE_2D, disc.MaskName());
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, colour);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_MODULATE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_CONSTANT);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB, GL_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_REPLACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
    // "Under": what is drawn stays in front, the colour fills what it leaves clear.
    glEnable(GL_BLEND);
    glBlendFuncSeparate(GL_ONE_MINUS_DST_ALPHA, GL_ONE, GL_ONE_MINUS_DST_ALPHA, GL_ONE);
    glDepthMask(GL_FALSE); // the disc itself comes next at the same depth
    glCallList(list);
    glPopAttrib();
}

void TTextureObject::LoadBitmap(const TBitmap32* bitmap, int frontWidth, int frontHeight, int sideWidth)
{
    if (!bitmap || bitmap->Empty() || frontWidth <= 0)
        return;
    const TBoxProportions box = BoxProportionsFor(frontWidth, frontHeight, sideWidth);
    FNaturalX = FSizeX = box.X;
    FNaturalY = FSizeY = box.Y;
    FNaturalZ = FSizeZ = box.Z;
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    int w = 0, h = 0;
    const auto texels = AtlasTexels(*bitmap, maxSide, w, h);
    Upload(w, h, texels.data(), false);
    FLoaded = true;
}

void TTextureObject::Upload(int width, int height, const uint8_t* rgba, bool repeat)
{
    if (FName && glIsTexture(FName))
        glDeleteTextures(1, &FName);
    glGenTextures(1, &FName);
    glBindTexture(GL_TEXTURE_2D, FName);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    if (repeat) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 4, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}
