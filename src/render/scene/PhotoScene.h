#pragma once
// The picture as plain data, without OpenGL: camera, the cover's triangles with texture
// coordinates and a material per part, the key light, the sky, the floor and the background.
// Everything is in the floor's frame: the cover already turned about the vertical axis, the floor
// the plane y = FloorY, and the camera tilted about the horizontal axis as the 3D view tilts it.

#include "render/scene/SceneCamera.h"
#include "render/scene/SceneTexture.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

using TSceneVec = std::array<double, 3>;
using TSceneRgb = std::array<float, 3>; // linear light

// The parts of a cover that look different in a photograph.
enum class TScenePart : uint8_t {
    CoverPrint, // the printed cover of a box or book, under a laminate of some gloss
    PageBlock,  // the paper edges between a book's covers
    CaseInsert, // the CD case: its printed insert under clear glossy plastic
    Disc,       // the CD: metal with its print, see-through where the print is clear
    RingMetal,  // the ring binding's metal
};
constexpr int ScenePartCount = 5;

struct TSceneMaterial {
    int Texture = -1;         // index into TPhotoScene::Textures; -1: white
    float Roughness = 0.5f;   // of the specular lobe (GGX alpha = roughness squared)
    float Specular = 0.04f;   // reflectance at normal incidence of the coat (dielectrics)
    bool Metal = false;       // the texture tints the specular lobe; no diffuse part
    bool Cutout = false;      // the texture's alpha is coverage: rays pass where it is clear
    bool AlphaOnly = false;   // the texture gives coverage only; Tint is the colour
    TSceneRgb Tint{1, 1, 1};  // multiplies the texture's colour
};

struct TSceneVertex {
    TSceneVec Pos;
    TSceneVec Normal; // shading normal; the triangle's own normal decides the side
    double S = 0, T = 0;
};

struct TSceneTriangle {
    std::array<uint32_t, 3> V;
    TScenePart Part = TScenePart::CoverPrint;
};

struct TSceneMesh {
    std::vector<TSceneVertex> Vertices;
    std::vector<TSceneTriangle> Triangles;
};

// A rectangle of light facing the cover; its size sets the softness of the shadow.
struct TSceneLight {
    TSceneVec Direction{0, 1, 0}; // towards the light, unit
    TSceneVec Centre{0, 8, 0};
    TSceneVec EdgeU{1, 0, 0}, EdgeV{0, 0, 1}; // the two full edges; corner = Centre - (U + V) / 2
    TSceneRgb Radiance{0, 0, 0};
};

struct TSceneFloor {
    bool Present = false;        // false where the camera looks from below the floor's plane
    double Y = -0.5;
    float ShadowStrength = 0;    // 0: no shadow caught; 1: black where no light reaches
    // The sky is hidden from a floor point only by what lies this close to it: a lit cover
    // farther away gives back about as much light as it takes, and the floor away from the
    // cover stays exactly the background.
    double OcclusionReach = 1;
    float Reflection = 0;        // 0..1 at the line where the cover meets the floor
    double ReflectionFade = 0.5; // height above the floor at which the reflection is gone
    float Blur = 0;              // 0 mirror .. 1 very blurred (GGX roughness)
};

struct TPhotoScene {
    TSceneCamera Camera;
    TSceneMesh Mesh;
    std::array<TSceneMaterial, ScenePartCount> Materials;
    std::vector<std::shared_ptr<const TSceneTexture>> Textures;
    TSceneLight Light;
    TSceneRgb Sky{1, 1, 1};    // radiance of the uniform sky above the floor
    TSceneRgb Ground{0, 0, 0}; // radiance of the floor as the cover sees it (bounce light)
    TSceneFloor Floor;
    uint32_t Background = 0xFFFFFFFFu; // ARGB as TColor32; what a ray that hits nothing shows
    bool Transparent = false;          // alpha 0 around the cover, the floor a shadow catcher
};

// Linear light of an 8-bit sRGB level, and back to the nearest level (exact for every level, so
// a colour that went in comes out unchanged).
float SrgbToLinear(int level);
int LinearToSrgb(float linear);
