#pragma once
// Saving the cover as a 3D model for web shops' viewers: binary glTF 2.0 (.glb) in metres, y up,
// standing on the floor at y = 0 with its front facing +z (where glTF viewers look from), the
// composed atlas embedded and the photo's materials.

#include "cover/BookType.h"
#include "raster/TBitmap32.h"
#include "render/scene/CoverScene.h"

#include <QByteArray>
#include <QString>

struct TFinalSettings;

// The height of the cover's front in metres: a CD jewel case is 0.125 m high, every other cover
// is taken as a 0.24 m book or box. The other sides follow the faces' proportions.
double FrontHeightMetres(TBookType type);

// The model of a composed cover: its type's parts, the disc out of its case by the settings' CD
// position, the laminate's gloss from look. The camera, light, angles and sizes of the settings
// do not matter: a viewer turns the model itself.
QByteArray CoverGlb(const TComposedCover& cover, const TCoverRenderSettings& settings, const TPhotoLook& look);

// Composes the faces for settings.Type (top may be empty) and writes the model to path through
// QSaveFile. Throws std::runtime_error with a message for the user when a face is empty or the
// file cannot be written; an existing file then stays as it was.
void SaveCoverGlb(TBitmap32 front, TBitmap32 side, TBitmap32 top, const TCoverRenderSettings& settings,
                  const TPhotoLook& look, const QString& path);
// The same from a Tavlo's final settings (type, CD position, gloss), as Save As writes it, with
// the book's back cover when it has one (empty: none).
void SaveCoverGlb(const TFinalSettings& settings, const TBitmap32& front, const TBitmap32& side, const TBitmap32& top,
                  const QString& path, const TBitmap32& back = TBitmap32());
