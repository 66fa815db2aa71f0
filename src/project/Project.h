#pragma once
// Everything needed to pick up a Tavlo where it was left: the cover's name and type, each face's
// base picture with its layers in order, and the final page's settings. Plain data: the window,
// the command-line tool and the file format all meet here.

#include "cover/BookType.h"
#include "raster/Layers.h"
#include "raster/TBitmap32.h"
#include "raster/TextParams.h"

#include <QJsonObject>
#include <QString>
#include <array>
#include <optional>
#include <vector>

struct TProjectLayer {
    TBitmap32 Bitmap; // the layer's pixels with its draw mode
    TFloatRect Location; // in base-picture pixels
    bool Visible = true;
    std::optional<TTextParams> Text; // set for text layers: what redraws them
};

struct TProjectFace {
    TBitmap32 Base; // the base picture; empty when the face has none
    QString FileName; // the file the base picture first came from (shown, never required)
    std::vector<TProjectLayer> Layers; // bottom to top

    // The base picture with the visible layers painted over it, as leaving the face's step does.
    TBitmap32 Flattened() const;
};

// How the saved picture is made: the 3D view's own drawing, or traced light for a photograph.
enum class TRenderQuality { Standard, Photo };

// The final page's controls. Angles absent stand for the type's own default angles.
struct TFinalSettings {
    TBookType Type = btTwoSidedBox;
    std::optional<int> AngleX, AngleY; // degrees, 0..360
    int LightElevation = 72;           // 0..100
    int LightAzimuth = 10;             // 0..100
    bool Shadow = true;
    int ShadowStrength = 50;           // 0..100
    double Zoom = 1.0;                 // the zoom asked of the view
    TColor32 Background = Color32(255, 255, 255);
    bool TransparentBackground = false;
    int CDPosition = 50;               // 0..100
    int ExportWidth = 800, ExportHeight = 600; // the size the saved picture is rendered at
    // The final view's size in pixels: the picture is framed within a view of this shape.
    // 0 x 0 in files from before it was stored (the export size then gives the shape).
    int ViewWidth = 0, ViewHeight = 0;
    bool ExportWidthChosen = false;    // the user typed the width instead of following the view
    bool Smooth = false;               // the saved picture is smoothed
    TRenderQuality Quality = TRenderQuality::Standard;
    int Reflection = 30;               // 0..100: the photo floor's reflection
    int Gloss = 50;                    // 0..100: matte print to glossy laminate in the photo
    int Samples = 0;                   // per pixel of the photo, 1..65536; 0: the renderer's default

    bool operator==(const TFinalSettings&) const = default;
};

struct TProject {
    QString Name = QStringLiteral("Noname");
    int Step = 0; // the wizard step the project was saved from
    std::array<TProjectFace, 3> Faces; // front, side, top
    // The back cover's picture, drawn by the paged types instead of the front mirrored; an empty
    // Base when there is none. It has no layers.
    TProjectFace Back;
    TFinalSettings Final;
    // What a file of this format version holds that this program does not know, written back
    // as it was: the manifest's unknown keys, with those of "final" under "final" and those of
    // each face under "faces" (a list of three objects).
    QJsonObject UnknownKeys;
};
