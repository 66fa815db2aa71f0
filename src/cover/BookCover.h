#pragma once
// The cover document: an entry of the template list (a stored template, the blank entry or the
// "Edit Templates..." entry) and the cover the wizard works on, with its three face images.

#include "cover/BookType.h"
#include "cover/ImageInfo.h"

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

class ITemplateStore;

// Registry value name of a face: "FrontImage", "SideImage", "TopImage"; empty for other indexes.
QString FaceKey(int index);
// Registry value name of the cover type a template may carry beside its faces ("BookType"),
// stored as the type's name. Earlier versions read only the face values and ignore it.
QString BookTypeKey();

class TBookCover {
public:
    static constexpr uint16_t KindNone = 0;          // the blank entry
    static constexpr uint16_t KindTemplate = 0x400;  // a stored template
    static constexpr uint16_t KindEditEntry = 0x4000; // the "Edit Templates..." entry
    static constexpr int DefaultFaceWidth = 250;
    static constexpr int DefaultFaceHeight = 300;

    uint16_t Kind = KindNone;
    TBookType BookType = btTwoSidedBox;
    int32_t DefaultWidth = DefaultFaceWidth;
    int32_t DefaultHeight = DefaultFaceHeight;
    bool Deleted = false; // deleted in the templates dialog
    QString Name;
    std::array<TImageInfo, 3> Faces{TImageInfo(0), TImageInfo(1), TImageInfo(2)}; // front, side, top
    // The back cover's picture, drawn by the paged types instead of the front mirrored. It is the
    // work's own (a split print cover, a picture loaded in the front step), never a template's.
    TImageInfo Back{3};
    // The cover type stored with the template, selected when the template is chosen; none keeps
    // the type the user has.
    std::optional<TBookType> StoredType;

    // Reset(0); a non-empty name loads the template's face files from store (which may be null
    // for a document that is never stored; it must outlive the document otherwise).
    TBookCover(uint16_t kind, const QString& name, ITemplateStore* store = nullptr);

    // Book type, default sizes 250 x 300, and "Noname" for an empty name.
    void Reset(TBookType bookType);
    // Loads each face from the file named by the template's value FaceKey(i) (missing values and
    // missing files leave the face empty, without a message), and StoredType from BookTypeKey()
    // (a missing, unknown or unreadable value reads as none).
    void LoadFaces(const QString& name);
    // Writes the faces' file names and StoredType, when set, under the template's name when
    // CanStore(); a type the template was loaded with and no longer has is removed. Removes the
    // template instead when it is a stored template marked Deleted; other entries touch nothing.
    void SaveFaces();
    // A non-empty name renames the document; then front, side and top are loaded from the paths
    // in this order, each missing file reported.
    void SetFaceFiles(const QString& name, const QString& frontPath, const QString& sidePath, const QString& topPath);

    TImageInfo* Face(int index);
    const TImageInfo* Face(int index) const;

    bool IsEditEntry() const { return Kind == KindEditEntry; }
    bool CanStore() const { return !IsEditEntry() && Kind != KindNone && !Deleted; }
    // Front and side both have an original image (the top is optional); not deleted.
    bool IsComplete() const;

    // Decodes face index's working bytes into target (its draw mode kept); a face that decodes to
    // nothing empties target. Nothing happens when target is null or the index is not a face.
    void LoadFaceInto(TBitmap32* target, int index) const;
    // The face's original decoded into a new bitmap; null when there is no such face or its
    // original does not decode.
    std::unique_ptr<TBitmap32> FaceAsBitmap(int index) const;

    ITemplateStore* Store() const { return FStore; }

private:
    ITemplateStore* FStore = nullptr;
    // The type read by LoadFaces: a value the user cleared since is removed from the store, while
    // a value this version cannot read (perhaps a later version's type) is left alone.
    std::optional<TBookType> FLoadedType;
};
