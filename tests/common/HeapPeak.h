#pragma once
// The most memory held through operator new (every std::vector, TBitmap32 and Qt object) since a
// point: how tests see that work keeps within a memory bound without reading the process's RSS.
// Link HeapPeak.cpp into the test program: it replaces the global operator new and delete.

#include <cstdint>

class THeapPeak {
public:
    THeapPeak(); // starts counting from what is held now
    // The most bytes held above the start at any moment since.
    int64_t Peak() const;

private:
    int64_t FStart;
};
