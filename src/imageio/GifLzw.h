#pragma once
// The variable-length LZW coding of GIF image data (codes of 3 to 12 bits, clear and end codes).

#include <QtGlobal>
#include <functional>
#include <vector>

// Decodes the joined data sub-blocks into exactly count indices. Answers false when the stream is
// damaged (a code beyond the table, a bad first code, a minimum code size outside 1..11) or ends
// before count indices; indices past count are ignored. With out null it only checks that the
// stream holds count indices, at no cost in memory.
bool LzwDecode(const uchar* data, qsizetype size, int minCodeSize, uchar* out, qsizetype count);

// Encodes indices (each below 2^minCodeSize) starting with a clear code, clearing again whenever
// the table is full, and ending with the end code. The result still has to be cut into sub-blocks.
std::vector<uchar> LzwEncode(const uchar* indices, qsizetype count, int minCodeSize);

// The same code handed to sink in pieces of at most LzwPieceBytes as it is made, so that coding a
// large frame never holds its whole code.
constexpr qsizetype LzwPieceBytes = 65536;
// What the coder holds meanwhile: its piece and its table of strings.
constexpr qsizetype LzwCoderBytes = LzwPieceBytes + 8192 * 6;
void LzwEncode(const uchar* indices, qsizetype count, int minCodeSize,
               const std::function<void(const uchar* piece, qsizetype size)>& sink);
