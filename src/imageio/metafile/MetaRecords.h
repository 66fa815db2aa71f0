#pragma once
// Walking the records of a WMF or EMF: each record's size is checked against what is left of
// the file before the record is handed out.

#include "imageio/metafile/MetaStream.h"

enum class TRecordStep { Record, End, Damaged };

struct TWmfRecord {
    uint16_t Function = 0;
    TMetaStream Params;   // the parameters after the 6-byte record header
};

struct TEmfRecord {
    uint32_t Type = 0;
    TMetaStream Data;     // the whole record, type and size included (offsets count from its start)
};

// The EOF record ends the walk; so does the end of the file for EMF, whose writers sometimes
// leave the EOF record out.
inline TRecordStep NextWmfRecord(TMetaStream& file, TWmfRecord& record)
{
    if (file.Remaining() < 6)
        return file.Remaining() == 0 ? TRecordStep::End : TRecordStep::Damaged;
    const size_t start = file.Pos();
    const uint32_t words = file.U32();
    record.Function = file.U16();
    if (words < 3 || uint64_t(words) * 2 - 6 > file.Remaining()) {
        file.Seek(start);
        return TRecordStep::Damaged;
    }
    record.Params = file.Sub(size_t(words) * 2 - 6);
    return record.Function == 0 ? TRecordStep::End : TRecordStep::Record;
}

inline TRecordStep NextEmfRecord(TMetaStream& file, TEmfRecord& record)
{
    if (file.Remaining() == 0)
        return TRecordStep::End;
    if (file.Remaining() < 8)
        return TRecordStep::Damaged;
    const size_t start = file.Pos();
    record.Type = file.U32();
    const uint32_t size = file.U32();
    file.Seek(start);
    if (size < 8 || size % 4 != 0 || size > file.Remaining())
        return TRecordStep::Damaged;
    record.Data = file.Sub(size);
    return record.Type == 14 ? TRecordStep::End : TRecordStep::Record;
}
