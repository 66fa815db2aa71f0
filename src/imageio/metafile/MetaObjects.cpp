#include "imageio/metafile/MetaObjects.h"

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
