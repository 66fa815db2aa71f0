#pragma once
// The graphics objects a metafile creates (pens, brushes, fonts, palettes) and its object table.

#include <QColor>
#include <QImage>
#include <QString>
#include <cstdint>
#include <variant>
#include <vector>

struct TMetaPen {
    int Style = 0;        // PS_SOLID, PS_DASH, ... PS_NULL in the low nibble, caps and joins above
    double Width = 0;     // logical units; 0 is one device pixel
    QColor Color = Qt::black;
};

struct TMetaBrush {
    enum TKind { Solid = 0, Null = 1, Hatched = 2, Pattern = 3 };
    TKind Kind = Solid;
    QColor Color = Qt::white;
    int Hatch = 0;        // HS_HORIZONTAL ... HS_DIAGCROSS
    QImage Image;         // pattern brushes
};

struct TMetaFont {
    int Height = 0;       // logical units; negative is the character height, positive the cell height
    int Width = 0;
    int Escapement = 0;   // tenths of a degree, counter-clockwise
    int Weight = 400;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    int CharSet = 0;
    QString Face;
};

struct TMetaPalette {
    std::vector<uint32_t> Entries; // 0xAARRGGBB, opaque
};
struct TMetaRegion {};

class TMetaStream;
// A LOGPALETTE (version, entry count, red/green/blue/flags entries); entries past 256 are ignored.
TMetaPalette ReadLogPalette(TMetaStream& d);

using TMetaObject = std::variant<std::monostate, TMetaPen, TMetaBrush, TMetaFont, TMetaPalette, TMetaRegion>;

// Slots of created objects. Indices from the file are checked here; a bad index yields nothing.
class TMetaObjectTable {
public:
    // The table never grows beyond this, whatever the file declares.
    static constexpr size_t MaxObjects = 65535;

    explicit TMetaObjectTable(size_t declared = 0);

    // WMF: the object takes the lowest free slot; false when the table is full.
    bool Add(TMetaObject object);
    // EMF: the object takes the slot the record names.
    bool Put(size_t index, TMetaObject object);
    void Delete(size_t index);
    const TMetaObject* Get(size_t index) const;

private:
    std::vector<TMetaObject> FSlots;
    size_t FFirstFree = 0; // no free slot below this one, so adding stays cheap however many objects come
};
