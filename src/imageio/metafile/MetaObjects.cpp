#include "imageio/metafile/MetaObjects.h"

#include "imageio/metafile/MetaStream.h"

#include <algorithm>

TMetaObjectTable::TMetaObjectTable(size_t declared) : FSlots(std::min(declared, MaxObjects)) {}

bool TMetaObjectTable::Add(TMetaObject object)
{
    while (FFirstFree < FSlots.size() && !std::holds_alternative<std::monostate>(FSlots[FFirstFree]))
        ++FFirstFree;
    if (FFirstFree < FSlots.size()) {
        FSlots[FFirstFree++] = std::move(object);
        return true;
    }
    // Writers often declare too few objects; grow rather than lose the object.
    if (FSlots.size() >= MaxObjects)
        return false;
    FSlots.push_back(std::move(object));
    FFirstFree = FSlots.size();
    return true;
}

bool TMetaObjectTable::Put(size_t index, TMetaObject object)
{
    if (index >= MaxObjects)
        return false;
    if (index >= FSlots.size())
        FSlots.resize(index + 1);
    FSlots[index] = std::move(object);
    return true;
}

void TMetaObjectTable::Delete(size_t index)
{
    if (index < FSlots.size()) {
        FSlots[index] = std::monostate{};
        FFirstFree = std::min(FFirstFree, index);
    }
}

const TMetaObject* TMetaObjectTable::Get(size_t index) const
{
    if (index >= FSlots.size() || std::holds_alternative<std::monostate>(FSlots[index]))
        return nullptr;
    return &FSlots[index];
}

TMetaPalette ReadLogPalette(TMetaStream& d)
{
    TMetaPalette palette;
    d.Skip(2); // version
    const size_t count = d.U16();
    for (size_t i = 0; i < count && i < 256 && d.Remaining() >= 4; ++i) {
        const uint32_t red = d.U8(), green = d.U8(), blue = d.U8();
        d.Skip(1); // flags
        palette.Entries.push_back(0xFF000000u | red << 16 | green << 8 | blue);
    }
    return palette;
}
