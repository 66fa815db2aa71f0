#pragma once
// TExperChild: the one window of the program, hosting the five-step wizard. It owns the state
// that lives as long as the program and forwards the wizard's operations to the classes that own
// each concern (start page, face editor, final page, save flow).

#include "cover/BookType.h"
#include "cover/ImageViewInfo.h"
#include "raster/TBitmap32.h"
#include "ui/DrawPainter.h"
#include "cover/BookCover.h"
#include "templates/TemplateStore.h"
#include "ui/ListEx.h"

#include <QImage>
#include <QMainWindow>
#include <QVector>
#include <memory>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QStackedWidget;
class THTMLabel;
class TBookCover;
class TD3DWin;
class TFinalPage;
class TStartPage;
class TSaveFlow;
class TLayerCommands;
class TProjectFlow;
class TRecoveryFlow;
class TTavloDocument;

enum class TButtonKind { bkNext, bkClose };

class TExperChild : public QMainWindow {
    Q_OBJECT
public:
    explicit TExperChild(QWidget* parent = nullptr);
    ~TExperChild() override;

    // What a start of the program does once the window is up: offers work a crashed run left
    // unsaved, then opens the project named in arguments (if any).
    void StartUp(const QStringList& arguments);

    // The step machine.
    void GoToStep(int step);
    int NextValidStep(bool forward) const;
    bool StepApplies(int step) const;
    int Step() const { return FStep; }

    // Asks to save unsaved changes; true when the caller may go on. "No" drops nothing by
    // itself: the work goes only when the caller's replacement happens.
    bool ConfirmDiscard();
    // The document has unsaved changes (shown as "*" in the title).
    bool Modified() const;
    TTavloDocument* Document() const { return FDocument; }
    // Opens a project file (after asking about unsaved changes); a damaged file changes nothing.
    bool OpenProjectFile(const QString& path);
    TProjectFlow* ProjectFlow() const { return FProjectFlow; }

    // Save As of the picture of step `mode` (0 saves the front face); true when a file was written.
    bool SaveImageAs(int mode);
    QString DefaultImageName(int mode) const;
    // Composes the face records for the type into the final view.
    void ComposeFinal(TBookType bookType);
    TFinalPage* FinalPage() const { return FFinalPage; }
    TStartPage* StartPage() const { return FStartPage; }
    TD3DWin* PreviewView() const { return FPreviewView; }
    TBookCover* Cover() const;
    TD3DWin* FinalView() const { return FFinalView; }

    TButtonKind ButtonKind() const { return FButtonKind; }
    void SetButtonKind(TButtonKind kind);
    bool GLReady() const { return FGLReady; }
    const QVector<QImage>& ImageList() const { return FImageList; }
    // The face editor of steps 1 to 3 and the face records (front, side, top) it fills.
    TLayerCommands* LayerCommands() const { return FLayerCommands; }
    TImageViewInfo* FaceView(int face) const;

    // Controls, named as in the window's control tree.
    QWidget* pnlPrompt = nullptr;
    QLabel* lblPrompt = nullptr;
    QPushButton* btnPrev = nullptr;
    QPushButton* btnNext = nullptr;
    QPushButton* btnStore = nullptr;
    QPushButton* btnAbout = nullptr;
    QWidget* pnlWork = nullptr;
    QStackedWidget* PageControl = nullptr;
    // Page 0 "Prompts": the start page.
    QWidget* pagePrompts = nullptr;
    THTMLabel* lblStart = nullptr;
    THTMLabel* lblTemplates = nullptr;
    THTMLabel* lblBookType = nullptr;
    QListWidget* lbxCollection = nullptr;
    QComboBox* cmbStartType = nullptr;
    QWidget* pnlAboutExp = nullptr;
    QLabel* imgPicture = nullptr;
    // Page 1 "EditVarGroup": the face editor and the final page.
    QWidget* pageEditVarGroup = nullptr;
    THTMLabel* lblImage = nullptr;
    QWidget* pnlChart2D = nullptr;
    QComboBox* cmbFinalType = nullptr;

signals:
    void StepChanged(int step);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    void PrepareWindow();
    void PlaceNavigationButtons();
    void SetUpProjectFlow();
    void UpdateTitle();
    void PrepareTools();
    void SetUpStartPage();
    void LayoutPage1();
    bool HandleKey(class QKeyEvent* event);
    // Ctrl+Z and Ctrl+Shift+Z (Ctrl+Y) off the face steps: the document's settings.
    bool HandleSettingsUndoKey(class QKeyEvent* event);
    // The layer keys go to the face view: on a face step, unless another control has the focus.
    bool FaceViewHasKeys() const;
    // Shows notice in the prompt bar for PromptNoticeMs, then the step's prompt again.
    void ShowPromptNotice(const QString& notice);
    static constexpr int PromptNoticeMs = 4000;

    void btnNextClick();
    void btnPrevClick();
    void OnApplicationStateChanged(Qt::ApplicationState state);

    // Forwarding points: the face editor, the final page and the save flow take over here.
    void LeaveFaceStep(int face);
    void EnterFaceStep(int face);
    void EnterFinalStep();
    void UpdateLayerTools();
    bool FaceViewHasImage() const;
    void FlattenFace(TBitmap32& target, bool keepSelection);
    void SetUpFinalPage();
    void CreateViews();
    void ClearFaceEditor();
    TBitmap32 CaptureImage(bool finalPicture);
    // The prompt bar and the help text grow to show every line of the step's texts.
    void FitPromptTexts();
    // Writes what CaptureImage took: a transparent final picture as its format allows.
    void WriteCapturedImage(const TBitmap32& picture, const QString& path);
    void DeleteLayer();
    void AddImageLayerFromFile();
    void CopySelected();
    void CutSelected();
    void PasteLayer();

    TTavloDocument* FDocument = nullptr; // the work: child of the window
    int FFixedItems = 4;
    int FStep = 0;
    bool FGLReady = false;
    double FFaceZoom = 1.0;
    TButtonKind FButtonKind = TButtonKind::bkNext;
    QImage FEditGlyph;
    TDrawPainter FDrawPainter;
    QVector<QImage> FImageList;
    QString FProgramFolder;
    QString FTemplatesFolder;
    TTemplateStore FTemplateStore;
    TListEx<TBookCover> FTemplates{50};    // the template list's cover documents
    TStartPage* FStartPage = nullptr;
    TD3DWin* FPreviewView = nullptr; // child of pnlAboutExp
    TD3DWin* FFinalView = nullptr; // child of pnlChart2D
    TFinalPage* FFinalPage = nullptr;
    std::unique_ptr<TSaveFlow> FSaveFlow;
    bool FCapturedTransparent = false; // the last capture was a final picture with a clear background
    TLayerCommands* FLayerCommands = nullptr; // owned by pnlChart2D
    TProjectFlow* FProjectFlow = nullptr; // child of the window
    TRecoveryFlow* FRecovery = nullptr;   // child of the window: the work kept against a crash
    bool FDestroyed = false;
};

// The window's bounds from the screen: left 0, top 0, width = screen width - 2 x (icon width - 5),
// height = screen height - 6 x caption height + 1.
QRect MainWindowBounds(QSize screen, int iconWidth, int captionHeight);
