#include "document/TavloDocument.h"

#include "cover/FaceShaping.h"
#include "document/SettingsCommand.h"

#include <QFileInfo>
#include <QUndoGroup>
#include <QUndoStack>
#include <cmath>

namespace {

int Degrees(float radians) { return int(std::lround(radians * 180 / M_PI)); }

// The back face as a document holds a picture: a BMP image as both original and working bytes.
TImageInfo BackFace(const TBitmap32& picture, const QString& fileName)
{
    TImageInfo info(3);
    info.StoreBitmap(picture);
    info.OriginalKind = info.CurrentKind;
    info.Original = info.Current;
    info.FileName = picture.Empty() ? QString() : fileName;
    return info;
}

} // namespace

// Loading or removing the back cover: the face it replaced is kept (its bytes are shared) and
// swapped back on undo.
class TBackCommand : public QUndoCommand {
public:
    TBackCommand(TTavloDocument& document, TImageInfo back)
        : QUndoCommand(back.HasImage() ? QStringLiteral("Back Image") : QStringLiteral("Remove Back Image")),
          FDocument(document), FOther(std::move(back))
    {
    }
    void redo() override { Swap(); }
    void undo() override { Swap(); }

private:
    void Swap()
    {
        std::swap(FDocument.FCover->Back, FOther);
        emit FDocument.BackChanged();
    }
    TTavloDocument& FDocument;
    TImageInfo FOther;
};

void WriteLayers(const TLayerCollection& layers, std::vector<TProjectLayer>& out)
{
    for (TCustomLayer* item : layers) {
        const auto* layer = dynamic_cast<const TBitmapLayer*>(item);
        if (!layer) // the selection frame
            continue;
        out.push_back({layer->Bitmap(), layer->Location(), layer->Visible(), std::nullopt});
        // A text layer is a picture layer that also carries what redraws it.
        if (const auto* text = dynamic_cast<const TTextParams*>(layer))
            out.back().Text = *text;
    }
}

TFinalSettings DefaultSettings(TBookType type)
{
    TFinalSettings s;
    s.Type = type;
    s.Shadow = !ClearsShadow(type);
    s.Smooth = true; // every saved picture is smoothed
    return s;
}

TTavloDocument::TTavloDocument(QObject* parent)
    : QObject(parent), FCover(std::make_unique<TBookCover>(TBookCover::KindNone, QString())),
      FSettings(DefaultSettings(btTwoSidedBox)), FGroup(new QUndoGroup(this)), FSettingsStack(new QUndoStack(this))
{
    for (auto& record : FRecords)
        record = std::make_unique<TImageViewInfo>();
    auto watch = [this](QUndoStack* stack) {
        FGroup->addStack(stack);
        connect(stack, &QUndoStack::cleanChanged, this, &TTavloDocument::EmitModifiedIfChanged);
        connect(stack, &QUndoStack::indexChanged, this, &TTavloDocument::Changed);
    };
    for (QUndoStack*& stack : FFaceStacks) {
        stack = new QUndoStack(this);
        watch(stack);
    }
    watch(FSettingsStack);
    FGroup->setActiveStack(FSettingsStack);
}

TTavloDocument::~TTavloDocument()
{
    // The stacks' steps may refer to the records and the cover: they go first.
    for (QUndoStack* stack : FFaceStacks)
        stack->clear();
    FSettingsStack->clear();
}

int TTavloDocument::AngleX() const { return FSettings.AngleX.value_or(Degrees(DefaultAnglesFor(Type()).X)); }

int TTavloDocument::AngleY() const { return FSettings.AngleY.value_or(Degrees(DefaultAnglesFor(Type()).Y)); }

QString TTavloDocument::DisplayName() const
{
    if (!FOrigin.ProjectPath.isEmpty())
        return QFileInfo(FOrigin.ProjectPath).completeBaseName();
    return FCover->Name.isEmpty() ? QStringLiteral("Noname") : FCover->Name;
}

void TTavloDocument::ChangeSettings(const TFinalSettings& next, TSettingKey key, int gesture)
{
    if (next == FSettings)
        return;
    const auto apply = [this](const TFinalSettings& settings) { ApplySettings(settings); };
    FSettingsStack->push(new TSettingsCommand(apply, FSettings, next, key, gesture));
}

void TTavloDocument::SetType(TBookType type)
{
    if (type == FSettings.Type)
        return;
    TFinalSettings next = FSettings;
    next.Type = type;
    next.AngleX.reset();
    next.AngleY.reset();
    next.Shadow = next.Shadow && !ClearsShadow(type);
    ChangeSettings(next, TSettingKey::Type);
}

void TTavloDocument::SetBack(const TBitmap32& picture, const QString& fileName)
{
    if (picture.Empty() && !HasBack())
        return;
    FFaceStacks[0]->push(new TBackCommand(*this, BackFace(picture, fileName)));
}

TBitmap32 TTavloDocument::BackPicture() const
{
    const auto picture = FCover->Back.GetGraphic(false);
    return picture ? std::move(*picture) : TBitmap32();
}

void TTavloDocument::ApplySettings(const TFinalSettings& settings)
{
    const TFinalSettings before = FSettings;
    FSettings = settings;
    emit SettingsChanged(before, FSettings);
    if (before.Type != FSettings.Type)
        emit TypeChanged(FSettings.Type);
}

void TTavloDocument::SetMeasuredSizes(int viewWidth, int viewHeight, int exportWidth, int exportHeight)
{
    FSettings.ViewWidth = viewWidth;
    FSettings.ViewHeight = viewHeight;
    FSettings.ExportWidth = exportWidth;
    FSettings.ExportHeight = exportHeight;
}

void TTavloDocument::ResetHistory()
{
    for (QUndoStack* stack : FFaceStacks)
        stack->clear();
    FSettingsStack->clear();
    FRecovered = false;
    EmitModifiedIfChanged();
}

void TTavloDocument::ReplaceWithTemplate(const TBookCover& entry, TBookType type)
{
    ResetHistory(); // the old steps refer to what is replaced
    *FCover = entry;
    FCover->Kind = TBookCover::KindNone; // never written back as a template
    for (TImageInfo& face : FCover->Faces)
        face.Revert();
    for (auto& record : FRecords)
        record->Clear();
    FSettings = DefaultSettings(type);
    FUnknownKeys = QJsonObject();
    FOrigin = {entry.Name, QString()};
    emit Replaced();
    emit TypeChanged(type);
    emit OriginChanged();
    emit Changed();
}

void TTavloDocument::ReplaceWithProject(const TProject& project, const QString& path)
{
    ResetHistory();
    *FCover = TBookCover(TBookCover::KindNone, project.Name);
    for (int f = 0; f < 3; ++f) {
        const TProjectFace& face = project.Faces[std::size_t(f)];
        TImageInfo& info = FCover->Faces[std::size_t(f)];
        info.StoreBitmap(face.Base);
        info.OriginalKind = info.CurrentKind;
        info.Original = info.Current;
        info.FileName = face.FileName;
        TImageViewInfo& record = *FRecords[std::size_t(f)];
        record.Clear();
        for (const TProjectLayer& l : face.Layers) {
            TBitmapLayer* layer = FLayerFactory ? FLayerFactory(record.Layers, l) : record.Layers.Add<TBitmapLayer>();
            layer->Bitmap() = l.Bitmap;
            layer->SetScaled(true);
            layer->SetLocation(l.Location);
            layer->SetVisible(l.Visible);
        }
        record.Bitmap = face.Flattened();
    }
    FCover->Back = BackFace(project.Back.Base, project.Back.FileName);
    FSettings = project.Final;
    FUnknownKeys = project.UnknownKeys;
    FOrigin = {QString(), path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath()};
    emit Replaced();
    emit TypeChanged(FSettings.Type);
    emit OriginChanged();
    emit BackChanged();
    emit Changed();
}

TDocumentSnapshot TTavloDocument::Snapshot(int step) const
{
    TDocumentSnapshot s;
    s.Cover = *FCover;
    for (int f = 0; f < 3; ++f)
        if (!FShownFaceLayers || !FShownFaceLayers(f, s.Layers[std::size_t(f)]))
            WriteLayers(FRecords[std::size_t(f)]->Layers, s.Layers[std::size_t(f)]);
    s.Settings = FSettings;
    s.UnknownKeys = FUnknownKeys;
    s.Step = step;
    return s;
}

TProject TDocumentSnapshot::ToProject() const
{
    TProject p;
    p.Step = Step;
    p.Name = Cover.Name.isEmpty() ? QStringLiteral("Noname") : Cover.Name;
    for (int f = 0; f < 3; ++f) {
        TProjectFace& face = p.Faces[std::size_t(f)];
        Cover.LoadFaceInto(&face.Base, f);
        face.FileName = Cover.Faces[std::size_t(f)].FileName;
        face.Layers = Layers[std::size_t(f)];
    }
    if (const auto back = Cover.Back.GetGraphic(false)) {
        p.Back.Base = std::move(*back);
        p.Back.FileName = Cover.Back.FileName;
    }
    p.Final = Settings;
    p.UnknownKeys = UnknownKeys;
    return p;
}

bool TTavloDocument::FillGeneratedTop()
{
    if (Type() != btThreeSidedBox || FCover->Faces[2].HasImage() || !FRecords[2]->Bitmap.Empty())
        return false;
    TBitmap32 top;
    FitTopFace(top, FRecords[0]->Bitmap, FRecords[1]->Bitmap);
    if (top.Empty())
        return false;
    TImageInfo& info = FCover->Faces[2];
    info.StoreBitmap(top);
    info.OriginalKind = info.CurrentKind;
    info.Original = info.Current;
    FRecords[2]->Bitmap = top;
    return true;
}

void TTavloDocument::SetActiveFace(int face)
{
    FGroup->setActiveStack(face >= 0 && face < 3 ? FFaceStacks[std::size_t(face)] : FSettingsStack);
}

bool TTavloDocument::Modified() const
{
    if (FRecovered || !FSettingsStack->isClean())
        return true;
    for (const QUndoStack* stack : FFaceStacks)
        if (!stack->isClean())
            return true;
    return false;
}

void TTavloDocument::MarkSaved(const QString& projectPath)
{
    for (QUndoStack* stack : FFaceStacks)
        stack->setClean();
    FSettingsStack->setClean();
    FRecovered = false;
    if (!projectPath.isEmpty() && QFileInfo(projectPath).absoluteFilePath() != FOrigin.ProjectPath) {
        FOrigin.ProjectPath = QFileInfo(projectPath).absoluteFilePath();
        emit OriginChanged();
    }
    EmitModifiedIfChanged();
}

void TTavloDocument::MarkRecovered()
{
    FRecovered = true;
    EmitModifiedIfChanged();
}

void TTavloDocument::EmitModifiedIfChanged()
{
    const bool now = Modified();
    if (now == FLastModified)
        return;
    FLastModified = now;
    emit ModifiedChanged(now);
}
