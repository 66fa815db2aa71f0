#pragma once
// The face editor of wizard steps 1 to 3: the face view, its toolbar and layer menu, and the layer
// commands (select, place, add, load, delete, rotate, reorder, clear, zoom, flatten, and moving
// a face's layers in and out of its face record when its step is left and entered).
// The main window owns one and forwards its operations of the same names to it.

#include "editor/FaceEditTarget.h"
#include "editor/FaceHistory.h"
#include "editor/ImgView32.h"
#include "editor/LayerToolbar.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>

class QAction;
class QMenu;
class TBookCover;
class TImageInfo;
class TImageViewInfo;
class TTavloDocument;
class TRubberbandLayer;

// What the face editor needs of the window around it.
struct TFaceEditorContext {
    TTavloDocument* Document = nullptr;         // the faces, their records and their history
    std::function<void(bool)> FaceImageChanged; // whether the face has an image (Next)
    std::function<void(const QString&)> ShowNotice;      // a short message in the prompt bar
};

// Text layers and the clipboard plug in here; tools whose hook is unset stay disabled.
struct TLayerHooks {
    std::function<void(TBitmapLayer* layer)> EditText; // null: a new text layer
    std::function<bool(const TCustomLayer* layer)> IsTextLayer;
    std::function<void(TBitmapLayer& layer, int direction)> Rotated; // after a quarter turn
    // After a drag resized layer: a layer drawn from text draws itself again at the new size,
    // keeping its former pixels and text in before (for undo).
    std::function<void(TBitmapLayer& layer, TLayerState& before)> Resized;
    std::function<void()> Cut, Copy, Paste;
    std::function<bool()> CanPaste;
    std::function<void()> SaveFace; // Save As of the flattened face
    // The picture open dialog: mode 1 face image ("Select Image"), 8 new layer ("New Layer").
    // Answers the chosen path, empty when cancelled.
    std::function<QString(int mode)> ChoosePictureFile;
};

class TLayerCommands : public QObject, public IFaceEditTarget {
    Q_OBJECT
public:
    // Builds the toolbar and the face view as children of container (pnlChart2D) and keeps them
    // laid out in it: toolbar on top, view below.
    TLayerCommands(QWidget* container, TFaceEditorContext context);
    ~TLayerCommands() override;

    TLayerHooks Hooks;

    TImgView32* imgView;
    TLayerToolbar* pnlTools;
    QMenu* popLayer;
    QAction* miCut;
    QAction* miCopy;
    QAction* miPaste;
    QAction* miDeleteLayer;
    QAction* miBringToFront;
    QAction* miSendToBack;
    QAction* miEdit;
    QAction* miUndo;
    QAction* miRedo;

    TBitmapLayer* SelectedLayer() const { return FSelectedLayer; }
    TRubberbandLayer* Rubberband() const { return FRubberband; }
    int Face() const { return FFace; }
    double FaceZoom() const { return FFaceZoom; }
    bool HasFaceImage() const { return !imgView->Bitmap().Empty(); }

    // Steps 1 to 3 show the toolbar and the view; the final page hides them (the view stays
    // when there is no OpenGL, to show the flat picture).
    void ShowFaceTools(bool faceStep, bool glReady);

    void SelectLayer(TBitmapLayer* layer) override;
    void PlaceLayer(TBitmapLayer* layer, bool center);
    // Makes a layer made elsewhere (a project being opened) one of the editor's: scaled with the
    // face and selectable by a click.
    void AdoptLayer(TBitmapLayer& layer);
    TBitmapLayer* AddImageLayer(const TBitmap32* bitmap);
    void AddImageLayerFromFile();
    void LoadFaceImage();
    // Dropped pictures: with no face picture yet the first becomes it, the others (or all)
    // become layers centred on controlPos. Every file is read first, so one the loader refuses
    // stops the drop with its message and nothing changes. One step in the history.
    void DropPictures(const QStringList& files, const QImage& picture, QPoint controlPos);
    bool EnsureFaceImage();
    void EditText(TBitmapLayer* layer);
    // Deletes the selected layer and says in the prompt bar how to get it back.
    void DeleteLayer();
    // Deletes the selected layer without a word (cut).
    void RemoveSelectedLayer();
    void RotateLayer(int direction);
    void ClearFace();
    // Forgets the selection and empties the view (image and layers) without touching the cover
    // document: another template is being applied.
    void ClearFaceView();
    void BringToFront();
    void BringForward();
    void SendBackward();
    void SendToBack();
    void MarkModified(bool refreshTools);
    void UpdateLayerTools();
    void FlattenFace(TBitmap32& target, bool keepSelection);

    // The undo history of the faces; undo and redo act on the face shown.
    TFaceHistory& History() { return FHistory; }
    void Undo();
    void Redo();
    // For the history's steps.
    void SwapFaceImage(TFaceImageState& state) override;
    void TakeLayer(TBitmapLayer* layer, TLayerCollection& keeper) override;
    void PutLayer(TBitmapLayer* layer, int index) override;
    void LayerChanged(TBitmapLayer* layer) override;
    void TurnLayer(TBitmapLayer* layer, int direction) override;
    TLayerCollection& FaceLayers() override { return imgView->Layers(); }
    void LeaveFaceStep(int face);
    void EnterFaceStep(int face);

    // Zoom gauge: scale of a position, and the label text of a scale.
    static double ScaleOfPosition(int position);
    static QString ZoomText(double scale);
    // Makes the context menu fit a press at controlPos (items shown only inside the image).
    void PreparePopup(QPoint controlPos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenu();
    void Wire();
    void LayOut();
    void LayerPressed(TCustomLayer& layer);
    // A drag of the frame ended with layer moved or resized from `from`.
    void LayerDragged(TBitmapLayer* layer, const TFloatRect& from);
    void gbrScaleBarChange(int position);
    void imgViewDblClick();
    void UpdateSizeLabel();
    // The face picture becomes picture (moved in); updateDocument then changes the cover
    // document's working picture. Recorded as one step; a throw leaves everything as it was.
    void ReplaceFaceImage(TBitmap32&& picture, const std::function<void(TImageInfo&)>& updateDocument);
    TImageInfo* FaceInfo() const;
    void Reorder(int to);
    // A new layer centred on centre (face-image coordinates), placed, selected and recorded.
    void PlaceNewLayer(TBitmapLayer* layer, QPointF centre);
    int SelectedIndex() const;
    bool CanBringForward() const;
    bool CanSendBackward() const;

    QWidget* FContainer;
    TFaceEditorContext FContext;
    QPointer<QObject> FDocumentAlive; // the window may destroy the document first
    TFaceHistory FHistory;
    TBitmapLayer* FSelectedLayer = nullptr;
    TRubberbandLayer* FRubberband = nullptr;
    int FFace = -1;
    double FFaceZoom = 1.0;
    std::optional<QPoint> FZoomAnchor;
    TBitmapLayer* FPressChild = nullptr; // the layer under the frame when a press began
    TFloatRect FPressLocation;
};
