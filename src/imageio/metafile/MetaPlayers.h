#pragma once
// The two record players: each plays a metafile whose header was read, mapped onto target.
// A damaged record stops playback; what was drawn before it stays.

#include "imageio/metafile/MetaHeader.h"

class QPainter;

void PlayWmf(const QByteArray& bytes, const TMetaHeader& header, QPainter& painter, const QRectF& target);
void PlayEmf(const QByteArray& bytes, const TMetaHeader& header, QPainter& painter, const QRectF& target);
