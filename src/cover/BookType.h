#pragma once
// The eight book types and every per-type decision: names, paged or not, page inset, default view
// angles, side reshaping, extras, the final page's rules and the box proportions.
// Indexes outside 0..7 are tolerated everywhere: they behave like a plain two-sided box without
// reshaping, pages or extras, and have no name.

#include <QString>
#include <cstdint>
#include <optional>

enum TBookType : uint8_t {
    btTwoSidedBox = 0,
    btThreeSidedBox = 1,
    btBookCover = 2,
    btElectronicMagazine = 3,
    btCDCover = 4,
    btSpecialReport = 5,
    btThinBook = 6,
    btWideBox = 7,
};

constexpr int BookTypeCount = 8;

// "Two Sided Box", "Three Sided Box", ...; empty for an index outside 0..7.
QString BookTypeName(TBookType type);
// Accepts a type's name (ASCII case and surrounding blanks ignored) or its index "0".."7".
std::optional<TBookType> BookTypeFromText(const QString& text);

// Paged types draw two covers with a block of pages between them: 2, 3, 5 and 6.
bool IsPagedType(TBookType type);
// 0.3 for types 3 and 5, 0.8 for type 6, 1.0 otherwise. The renderer makes the page-block scale
// 1 - 0.04 x inset from it.
float PageInsetFor(TBookType type);

struct TViewAngles {
    float X = 0; // radians about the horizontal screen axis
    float Y = 0; // radians about the vertical axis
};
// The view angles set when a cover of this type is composed (index 0's for unknown types).
TViewAngles DefaultAnglesFor(TBookType type);

// How the side (spine) face is reshaped before composition: a fixed width in pixels, and for the
// special report also the front's height. No value: the side keeps its size (types 0, 2, and 4,
// whose faces MakeCDCaseFaces builds).
struct TSideShape {
    int Width = 0;
    bool FrontHeight = false; // take the front face's height instead of keeping its own
};
std::optional<TSideShape> SideShapeFor(TBookType type);

bool HasRingBinding(TBookType type); // type 5
bool IsCDCase(TBookType type);       // type 4: draws a disc and builds its own faces
// Final page: orientation buttons only for types 0 and 7; choosing 3, 4, 5 or 6 clears the shadow
// option; the CD position control only for type 4.
bool OrientationEnabledFor(TBookType type);
bool ClearsShadow(TBookType type);
bool ShowsCDPosition(TBookType type);

// The box the renderer draws, centred at the origin: width X, height Y, depth Z.
struct TBoxProportions {
    float X = 0, Y = 0, Z = 0;
};
// From the reshaped faces' sizes in pixels: X = 1, Y = frontHeight / frontWidth,
// Z = sideWidth / frontWidth. A front without width gives no box (all zero).
TBoxProportions BoxProportionsFor(int frontWidth, int frontHeight, int sideWidth);
// Fits the box to a view window: when windowHeight x X < windowWidth x Y, all three are scaled so
// that Y becomes windowHeight / windowWidth; otherwise the box stays. Degenerate windows or boxes
// are returned unchanged.
TBoxProportions FitBoxToWindow(TBoxProportions box, int windowWidth, int windowHeight);
