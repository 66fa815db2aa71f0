// Well-framed records with random contents: every record the players know, with parameters that
// are garbage, must play without fault (the sanitizer build runs this too).
#include "MetaWriter.h"

#include "fuzz/FuzzTargets.h"

#include <gtest/gtest.h>
#include <random>

TEST(MetafileRandomRecords, WmfAndEmfRecordsWithGarbageParameters)
{
    const uint16_t wmfFunctions[] = {
        0x001E, 0x0127, 0x0102, 0x0201, 0x0209, 0x0104, 0x0106, 0x0107, 0x012E, 0x0103, 0x020B, 0x020C, 0x020F,
        0x0410, 0x012D, 0x01F0, 0x02FA, 0x02FC, 0x0142, 0x01F9, 0x02FB, 0x00F7, 0x06FF, 0x0214, 0x0213, 0x0324,
        0x0325, 0x0538, 0x041B, 0x0418, 0x061C, 0x0817, 0x0830, 0x081A, 0x041F, 0x0416, 0x0415, 0x012C, 0x0521,
        0x0A32, 0x041D, 0x0940, 0x0B41, 0x0F43, 0x0626};
    std::mt19937 rng(1234);
    auto randomBytes = [&rng](int size) {
        QByteArray b(size, '\0');
        for (char& c : b) {
            // Mostly small numbers, which reach further into the records than uniform noise.
            const uint32_t r = rng();
            c = char((r & 3) == 0 ? r >> 8 : (r & 3) == 1 ? 0 : (r >> 8) % 8);
        }
        return b;
    };
    for (int file = 0; file < 600; ++file) {
        TWmfWriter wmf(true, QRect(0, 0, 64, 64));
        TEmfWriter emf(QRect(0, 0, 1700, 1700));
        for (int record = 0; record < 30; ++record) {
            // EMF: every type from 2 to 120 but the end record, with up to 160 bytes (offsets into
            // the record often land inside it).
            if (const uint32_t type = 2 + rng() % 119; file % 2 && type != 14)
                emf.Raw(type, randomBytes(int(rng() % 160)));
            else if (file % 2 == 0)
                wmf.Raw(wmfFunctions[rng() % std::size(wmfFunctions)], randomBytes(int(rng() % 64)));
        }
        const QByteArray bytes = file % 2 ? emf.File() : wmf.File();
        RunFuzzTarget(ImageFuzzTargets(), "metafile", reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    }
}
