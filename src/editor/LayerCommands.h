#pragma once
// The face editor of wizard steps 1 to 3: the face view, its toolbar and layer menu, and the layer
// commands (select, place, add, load, delete, rotate, reorder, clear, zoom, flatten, and moving
// a face's layers in and out of its face record when its step is left and entered).
// The main window owns one and forwards its operations of the same names to it.

#include "editor/ImgView32.h"
#include "editor/LayerToolbar.h"

#include <QObject>
#include <functional>
#include <optional>

class QAction;
class QMenu;
class TBookCover;
class TImageViewInfo;
class TRubberbandLayer;

// What the face editor needs of the window around it.
struct TFaceEditorContext {
    std::function<TBookCover*()> Cover;                  // the applied cover document, or null
    std::function<TImageViewInfo*(int face)> FaceRecord; // the window's face records
    std::function<void()> SetModified;                   // the window's FModified := true
    std::function<void(bool)> FaceImageChanged;          // whether the face has an image (Next)
};

// Text layers and the clipboard plug in here; tools whose hook is unset stay disabled.
struct TLayerHooks {
    std::function<void(TBitmapLayer* layer)> EditText; // null: a new text layer
    std::function<bool(const TCustomLayer* layer)> IsTextLayer;
    std::function<void(TBitmapLayer& layer, int direction)> Rotated; // after a quarter turn
    std::function<void()> Cut, Copy, Paste;
    std::function<bool()> CanPaste;
    std::function<void()> SaveFace; // Save As of the flattened face
    // The picture open dialog: mode 1 face image ("Select Image"), 8 new layer ("New Layer").
    // Answers the chosen path, empty when cancelled.
    std::function<QString(int mode)> ChoosePictureFile;
};

class TLayerCommands : public QObject {
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

    TBitmapLayer* SelectedLayer() const { return FSelectedLayer; }
    TRubberbandLayer* Rubberband() const { return FRubberband; }
    int Face() const { return FFace; }
    double FaceZoom() const { return FFaceZoom; }
    bool HasFaceImage() const { return !imgView->Bitmap().Empty(); }

    // Steps 1 to 3 show the toolbar and the view; the final page hides them (the view stays
    // when there is no OpenGL, to show the flat picture).
    void ShowFaceTools(bool faceStep, bool glReady);

    void SelectLayer(TBitmapLayer* layer);
    void PlaceLayer(TBitmapLayer* layer, bool center);
    TBitmapLayer* AddImageLayer(const TBitmap32* bitmap);
    void AddImageLayerFromFile();
    void LoadFaceImage();
    bool EnsureFaceImage();
    void EditText(TBitmapLayer* layer);
    void DeleteLayer();
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
    void gbrScaleBarChange(int position);
    void imgViewDblClick();
    void UpdateSizeLabel();
    void SetFaceImage(const TBitmap32& bitmap);
    int SelectedIndex() const;
    bool CanBringForward() const;
    bool CanSendBackward() const;

    QWidget* FContainer;
    TFaceEditorContext FContext;
    TBitmapLayer* FSelectedLayer = nullptr;
    TRubberbandLayer* FRubberband = nullptr;
    int FFace = -1;
    double FFaceZoom = 1.0;
    std::optional<QPoint> FZoomAnchor;
    TFloatRect FPressLocation;
};
