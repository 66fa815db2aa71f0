#include "cover/BookCover.h"

#include "cover/ITemplateStore.h"

#include <stdexcept>

QString FaceKey(int index)
{
    switch (index) {
    case 0:
        return QStringLiteral("FrontImage");
    case 1:
        return QStringLiteral("SideImage");
    case 2:
        return QStringLiteral("TopImage");
    default:
        return {};
    }
}

QString BookTypeKey() { return QStringLiteral("BookType"); }

namespace {
std::optional<TBookType> ReadStoredType(ITemplateStore& store, const QString& name)
{
    try {
        return BookTypeFromText(store.ReadValue(name, BookTypeKey()));
    } catch (const std::exception&) {
        return std::nullopt; // a value of another kind: the template simply has no type
    }
}
} // namespace

TBookCover::TBookCover(uint16_t kind, const QString& name, ITemplateStore* store)
    : Kind(kind), Name(name), FStore(store)
{
    Reset(btTwoSidedBox);
    if (!name.isEmpty())
        LoadFaces(name);
}

void TBookCover::Reset(TBookType bookType)
{
    BookType = bookType;
    DefaultWidth = DefaultFaceWidth;
    DefaultHeight = DefaultFaceHeight;
    if (Name.isEmpty())
        Name = QStringLiteral("Noname");
}

void TBookCover::LoadFaces(const QString& name)
{
    if (!FStore)
        return;
    for (int i = 0; i < int(Faces.size()); ++i)
        Faces[size_t(i)].LoadFromFile(FStore->ReadValue(name, FaceKey(i)), false);
    StoredType = FLoadedType = ReadStoredType(*FStore, name);
}

void TBookCover::SaveFaces()
{
    if (!FStore)
        return;
    if (CanStore()) {
        for (int i = 0; i < int(Faces.size()); ++i)
            FStore->WriteValue(Name, FaceKey(i), Faces[size_t(i)].FileName);
        if (StoredType && !BookTypeName(*StoredType).isEmpty())
            FStore->WriteValue(Name, BookTypeKey(), BookTypeName(*StoredType));
        else if (FLoadedType)
            FStore->DeleteValue(Name, BookTypeKey());
        FLoadedType = StoredType;
    } else if (Kind == KindTemplate && Deleted) {
        FStore->DeleteTemplate(Name);
    }
}

void TBookCover::SetFaceFiles(const QString& name, const QString& frontPath, const QString& sidePath,
                              const QString& topPath)
{
    if (!name.isEmpty())
        Name = name;
    Faces[0].LoadFromFile(frontPath, true);
    Faces[1].LoadFromFile(sidePath, true);
    Faces[2].LoadFromFile(topPath, true);
}

TImageInfo* TBookCover::Face(int index)
{
    return index >= 0 && index < int(Faces.size()) ? &Faces[size_t(index)] : nullptr;
}

const TImageInfo* TBookCover::Face(int index) const
{
    return index >= 0 && index < int(Faces.size()) ? &Faces[size_t(index)] : nullptr;
}

bool TBookCover::IsComplete() const
{
    return !Deleted && Faces[0].HasImage() && Faces[1].HasImage();
}

void TBookCover::LoadFaceInto(TBitmap32* target, int index) const
{
    const TImageInfo* face = Face(index);
    if (!target || !face)
        return;
    const TDrawMode mode = target->DrawMode();
    if (auto picture = face->GetGraphic(false))
        *target = std::move(*picture);
    else
        target->MakeEmpty();
    target->SetDrawMode(mode);
}

std::unique_ptr<TBitmap32> TBookCover::FaceAsBitmap(int index) const
{
    const TImageInfo* face = Face(index);
    return face ? face->GetGraphic(true) : nullptr;
}
