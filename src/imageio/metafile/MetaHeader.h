#pragma once
// What the header of a metafile tells: its format, natural size and where its records start.

#include <QByteArray>
#include <QRectF>
#include <QSize>
#include <cstddef>

enum class TMetaFormat { Wmf, Emf };

struct TMetaHeader {
    TMetaFormat Format = TMetaFormat::Wmf;
    QSize Size;               // natural size in pixels at 96 pixels per inch
    size_t FirstRecord = 0;   // byte offset of the first record after the header
    int Handles = 0;          // object table size the header declares
    // WMF: the logical rectangle the picture occupies (from the placeable header or the window
    // the records set); it is mapped onto the target.
    QRectF Window;
    // EMF: the picture frame in reference-device pixels, mapped onto the target, and the
    // reference device's pixels per millimetre (for the metric mapping modes).
    QRectF Frame;
    QSizeF DevicePerMm;
};

// Each answers false when the bytes are not a metafile of its format (or not a readable one).
bool ReadWmfHeader(const QByteArray& bytes, TMetaHeader& header);
bool ReadEmfHeader(const QByteArray& bytes, TMetaHeader& header);
