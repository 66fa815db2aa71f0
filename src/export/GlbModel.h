#pragma once
// The photo scene's cover as a binary glTF 2.0 model (GLB): one mesh with a primitive per part
// (positions, normals, texture coordinates), the parts' photo materials as glTF's metallic-
// roughness materials and the scene's textures embedded as PNG pictures.

#include "render/scene/PhotoScene.h"

#include <QByteArray>

struct TGlbPlacement {
    double Scale = 1;              // scene units to metres
    TSceneVec Offset{0, 0, 0};     // added to every position before scaling
};

// Where the scene's mesh goes in the model: the lowest point at y = 0, the bounding box centred
// over the origin on the floor, `height` metres for `sceneHeight` scene units.
TGlbPlacement StandOnFloor(const TSceneMesh& mesh, double sceneHeight, double height);

// The whole file. Texture coordinates run down the pictures as glTF's do: each picture is stored
// with the scene texture's last row first, so the atlas is stored exactly as it is composed.
// Throws std::runtime_error when the mesh is empty or the writer fails.
QByteArray EncodeGlb(const TPhotoScene& scene, const TGlbPlacement& placement);
