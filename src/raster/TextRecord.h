#pragma once
// The text layer record: a text layer's parameters as "Key=Value" lines followed by its text
// lines, the form in which a text layer travels through the clipboard.

#include "raster/TextParams.h"

#include <QStringList>

inline constexpr char TextLayerClassName[] = "TTextLayer";

// Appends the record of the parameters to lines (lines already there stay in front).
void WriteRecord(const TTextParams& layer, QStringList& lines);

// Fills the parameters from a record. False, with the parameters untouched, when lines is absent
// or holds no record of a text layer. Numbers that are missing or malformed read as -1; ranges
// are not checked here.
bool ReadRecord(TTextParams& layer, const QStringList* lines);


// A whole decimal number with an optional sign, blanks and control characters around it ignored
// (the rule for the record's numbers and the dialog's number fields).
bool ParseWholeNumber(QStringView text, int& value);
