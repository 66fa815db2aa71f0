#pragma once
// The Tavlo being made, as one model without widgets: the cover type, the three faces (base
// picture and layers), the final page's settings and where the work came from. Pages show it and
// change it through its commands, each one a step of its history; the project file, the recovery
// file and the command-line renderer read and write the same model (as a TProject).

#include "cover/BookCover.h"
#include "cover/ImageViewInfo.h"
#include "document/SettingKey.h"
#include "project/Project.h"

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QUndoGroup;
class QUndoStack;

// Where the work came from: a stored template (by name) or a project file; both empty for the
// blank entry.
struct TDocumentOrigin {
    QString TemplateName;
    QString ProjectPath;
};

// The work at one moment, cheap to take on the UI thread: the faces' encoded pictures are shared
// with the document, only the layers are copied. Turning it into a project decodes the pictures,
// which may run on any thread.
struct TDocumentSnapshot {
    TBookCover Cover{TBookCover::KindNone, QString()};
    std::array<std::vector<TProjectLayer>, 3> Layers;
    TFinalSettings Settings;
    int Step = 0;
    QJsonObject UnknownKeys; // what the project file held that this version does not know

    TProject ToProject() const;
};

class TTavloDocument : public QObject {
    Q_OBJECT
public:
    // Makes a layer of the right class in collection for a project's layer: the face editor
    // makes text layers that can be edited again; without one every layer is a plain picture.
    using TLayerFactory = std::function<TBitmapLayer*(TLayerCollection&, const TProjectLayer&)>;
    // The face editor holds the layers of the face it shows; it writes them here when asked.
    using TShownFaceLayers = std::function<bool(int face, std::vector<TProjectLayer>& layers)>;

    explicit TTavloDocument(QObject* parent = nullptr);
    ~TTavloDocument() override;

    // ---- the model
    TBookCover& Cover() { return *FCover; }
    const TBookCover& Cover() const { return *FCover; }
    TImageViewInfo& FaceRecord(int face) { return *FRecords[std::size_t(face)]; }
    const TFinalSettings& Settings() const { return FSettings; }
    TBookType Type() const { return FSettings.Type; }
    // The angles in degrees the view shows: the stored ones, else the type's own.
    int AngleX() const;
    int AngleY() const;
    const TDocumentOrigin& Origin() const { return FOrigin; }
    // The name the work goes by: the project's file name, else the cover's name.
    QString DisplayName() const;

    // ---- commands: each is one undoable step
    // A setting of the final page. Changes of the same key made with the same gesture (a slider
    // drag, a cover drag, a run of wheel notches) merge into one step; gesture 0 never merges.
    void ChangeSettings(const TFinalSettings& next, TSettingKey key, int gesture = 0);
    // Another cover type: the type's own angles again, and no shadow where the type has none.
    void SetType(TBookType type);
    // A fresh gesture number for ChangeSettings.
    int NewGesture() { return ++FLastGesture; }
    // The back cover's picture (read from fileName, kept for information); an empty picture
    // removes it, and the paged types draw the front mirrored again. A step of the front face's
    // history, where it is loaded and removed.
    void SetBack(const TBitmap32& picture, const QString& fileName);
    // The back cover's picture; empty when there is none.
    TBitmap32 BackPicture() const;
    bool HasBack() const { return FCover->Back.HasImage(); }

    // ---- replacing the whole work: not undoable, the history starts afresh and clean
    // A copy of the template entry's faces (reverted to their originals), so edits never reach
    // the entry; type: the template's own type, else the one chosen now.
    void ReplaceWithTemplate(const TBookCover& entry, TBookType type);
    // The project's faces, layers and settings; path becomes the origin (empty for recovered work).
    void ReplaceWithProject(const TProject& project, const QString& path);
    // The work as a project. step: the wizard step it is saved from.
    TProject ToProject(int step) const { return Snapshot(step).ToProject(); }
    TDocumentSnapshot Snapshot(int step) const;
    void SetLayerFactory(TLayerFactory factory) { FLayerFactory = std::move(factory); }
    void SetShownFaceLayers(TShownFaceLayers source) { FShownFaceLayers = std::move(source); }
    // What the final view measured (its size and the saved picture's height): kept for the
    // project file, not a change of the work.
    void SetMeasuredSizes(int viewWidth, int viewHeight, int exportWidth, int exportHeight);
    // A type that needs a top and has none gets the one composition would draw, so the Top step
    // shows what the final page showed. Not a step of the history: the picture stays the same.
    bool FillGeneratedTop();

    // ---- history and the modified state
    QUndoGroup* History() const { return FGroup; }
    QUndoStack* FaceStack(int face) const { return FFaceStacks[std::size_t(face)]; }
    QUndoStack* SettingsStack() const { return FSettingsStack; }
    // Undo and redo act on the face shown (0..2), else (-1) on the settings.
    void SetActiveFace(int face);
    // Unsaved changes: a history away from its clean point, or work recovered after a crash.
    bool Modified() const;
    // A save succeeded: the present state is the saved one; projectPath (when given) becomes the origin.
    void MarkSaved(const QString& projectPath = QString());
    // Recovered work counts as unsaved until it is saved.
    void MarkRecovered();

signals:
    void SettingsChanged(const TFinalSettings& before, const TFinalSettings& after);
    void TypeChanged(TBookType type);
    // The whole work was replaced (a template chosen, a project opened).
    void Replaced();
    void ModifiedChanged(bool modified);
    // Anything at all changed: the recovery file is due.
    void Changed();
    void OriginChanged();
    // The back cover's picture was loaded, removed, or came back by undo or redo.
    void BackChanged();

private:
    void ApplySettings(const TFinalSettings& settings);
    void ResetHistory();
    void EmitModifiedIfChanged();
    friend class TBackCommand;

    std::unique_ptr<TBookCover> FCover;
    std::array<std::unique_ptr<TImageViewInfo>, 3> FRecords;
    TFinalSettings FSettings;
    QJsonObject FUnknownKeys; // of the project opened, written back by the next save
    TDocumentOrigin FOrigin;
    QUndoGroup* FGroup;
    std::array<QUndoStack*, 3> FFaceStacks{};
    QUndoStack* FSettingsStack;
    bool FRecovered = false;
    bool FLastModified = false;
    int FLastGesture = 0;
    TLayerFactory FLayerFactory;
    TShownFaceLayers FShownFaceLayers;
};

// Appends the picture layers of layers (bottom to top) as a project holds them; the selection
// frame is left out.
void WriteLayers(const TLayerCollection& layers, std::vector<TProjectLayer>& out);

// A new document's settings for a type: the defaults of the final page.
TFinalSettings DefaultSettings(TBookType type);
