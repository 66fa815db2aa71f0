// Interim: the metafile player is being written in this folder. Until it lands every metafile is
// refused with the reader's own message, so callers already handle the kind correctly.
#include "imageio/metafile/TMetafile.h"

#include <QPainter>
#include <stdexcept>

struct TMetafile::TData {};

TMetafile::TMetafile() = default;
TMetafile::~TMetafile() = default;

void TMetafile::Load(const QByteArray&) { throw std::runtime_error("Metafile is not valid"); }
bool TMetafile::Empty() const { return true; }
QSize TMetafile::Size() const { return {}; }
void TMetafile::Draw(QPainter&, const QRectF&) const {}
