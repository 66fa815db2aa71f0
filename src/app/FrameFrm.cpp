#include "app/FrameFrm.h"

#include "app/AboutDlg.h"
#include "app/FinalPage.h"
#include "app/ProjectFlow.h"
#include "app/RecentProjects.h"
#include "app/RecoveryFlow.h"
#include "app/SaveFlow.h"
#include "app/StartPage.h"
#include "app/TurntableSave.h"
#include "app/TurntableWebpSave.h"
#include "export/CoverGlb.h"
#include "app/WizardSteps.h"
#include "editor/LayerCommands.h"
#include "editor/TextLayerTools.h"
#include "cover/BookCover.h"
#include "cover/MissingFile.h"
#include "document/TavloDocument.h"
#include "imageio/ImageWriter.h"
#include "imageio/LastFolder.h"
#include "render/D3DWin.h"
#include "render/Transfrm.h"
#include "app/ProgramFiles.h"
#include "templates/SampleTemplates.h"
#include "ui/HTMLabel.h"
#include "ui/MsgBox.h"
#include "ui/StringUtils.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QAbstractSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QTextEdit>
#include <QUndoGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// Both type combos list the cover types in the order of their numbers, each after one blank.
void FillTypeCombo(QComboBox* combo)
{
    for (int i = 0; i < BookTypeCount; ++i)
        combo->addItem(QLatin1Char(' ') + BookTypeName(TBookType(i)), i);
}

} // namespace

TExperChild::TExperChild(QWidget* parent) : QMainWindow(parent) { FormCreate(); }

TExperChild::~TExperChild() { FormDestroy(); }

void TExperChild::FormCreate()
{
    FStep = 0;
    FDocument = new TTavloDocument(this);
    FFaceZoom = 1.0;
    FEditGlyph = QImage();
    // A face file that has gone missing is reported in the information box.
    SetMissingFileReporter([](const QString& message) { ShowInfo(message); });
    FImageList = {QImage(QStringLiteral(":/images/imagelist/0.png"))};

    PrepareWindow();
    show();
    PrepareTools();
    GoToStep(0);
    SetUpStartPage();
    SetMainFontWindow(this);
}

void TExperChild::SetUpProjectFlow()
{
    TProjectFlowHost host;
    host.ConfirmDiscard = [this] { return ConfirmDiscard(); };
    host.Step = [this] { return FStep; };
    host.ClearFaceEditor = [this] { ClearFaceEditor(); };
    host.GoToStep = [this](int step) { GoToStep(step); };
    FProjectFlow = new TProjectFlow(this, pnlPrompt, pagePrompts, *FDocument, std::move(host));
    // In the prompt bar, left of where Save As appears on the last step.
    FProjectFlow->btnProject->setGeometry(btnStore->x() - 10 - 100, btnStore->y(), 100, btnStore->height());
    FProjectFlow->btnProject->show(); // made after the window was shown
    lblPrompt->setFixedWidth(std::max(100, FProjectFlow->btnProject->x() - lblPrompt->x() - 10));
    FRecovery = new TRecoveryFlow(*FDocument, [this] { return FStep; },
                                  [this](const TProject& project, const TDocumentOrigin& origin) {
                                      FProjectFlow->ShowProject(project, origin.ProjectPath);
                                  },
                                  this);
    // The title names the project and marks unsaved work, whatever changed it.
    connect(FDocument, &TTavloDocument::OriginChanged, this, &TExperChild::UpdateTitle);
    connect(FDocument, &TTavloDocument::ModifiedChanged, this, &QWidget::setWindowModified);
    UpdateTitle();
}

void TExperChild::UpdateTitle()
{
    setWindowTitle(FProjectFlow->Title(QStringLiteral(" Velsor's ") + QString::fromLatin1(ProductName)));
    setWindowModified(FDocument->Modified());
}

bool TExperChild::Modified() const { return FDocument->Modified(); }

TBookCover* TExperChild::Cover() const { return &FDocument->Cover(); }

TImageViewInfo* TExperChild::FaceView(int face) const { return &FDocument->FaceRecord(face); }

bool TExperChild::OpenProjectFile(const QString& path) { return FProjectFlow->OpenProjectFile(path); }

void TExperChild::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (pnlChart2D)
        LayoutPage1();
}

void TExperChild::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // The user changed the colour scheme: the edit glyph's background follows the list's colour.
    if (event->type() == QEvent::PaletteChange && lbxCollection)
        FDrawPainter.Recolor(FEditGlyph, lbxCollection->palette().color(QPalette::Base));
}

void TExperChild::PrepareTools()
{
    FillTypeCombo(cmbStartType);
    FillTypeCombo(cmbFinalType);
    cmbStartType->setCurrentIndex(0);
    cmbFinalType->setCurrentIndex(0);
    FFinalPage = new TFinalPage(pnlChart2D, cmbFinalType, *FDocument);
    // A type chosen off the final step is composed when the final step is entered.
    connect(FFinalPage, &TFinalPage::ComposeRequested, this, [this](TBookType type) {
        if (FStep == 4)
            ComposeFinal(type);
    });
    FSaveFlow = std::make_unique<TSaveFlow>(this, TSaveFlowHooks{
        [this] { GoToStep(NextValidStep(true)); },
        [this] { GoToStep(NextValidStep(false)); },
        [this](bool finalPicture) { return CaptureImage(finalPicture); },
        [this](int mode) { return DefaultImageName(mode); },
        [this](const TBitmap32& picture, const QString& path) { WriteCapturedImage(picture, path); },
        [this](const QString& path) {
            const std::optional<TPhotoRequest> photo = FFinalPage->SavedPhoto();
            return FGLReady && FFinalView
                && SaveTurntable(this, *FFinalView, TurntableFrames, FFinalPage->ExportSize(),
                                 FFinalPage->Transparent(), path, photo ? &*photo : nullptr);
        },
        [this] { return FFinalPage->SavedPhoto().has_value(); },
        [this] {
            FCapturedTransparent = FFinalPage->Transparent();
            return FFinalPage->TracePicture(this);
        },
        [this](const QString& path) {
            if (FFinalPage->SavedPhoto())
                throw std::runtime_error("A turntable at Photo quality is written as an animated GIF.");
            return FGLReady && FFinalView
                && SaveTurntableWebp(this, *FFinalView, TurntableFrames, FFinalPage->ExportSize(),
                                     FFinalPage->Transparent(), path);
        },
        [this](const QString& path) {
            SaveCoverGlb(FDocument->Settings(), FDocument->FaceRecord(0).Bitmap, FDocument->FaceRecord(1).Bitmap,
                         FDocument->FaceRecord(2).Bitmap, path, FDocument->BackPicture());
        },
    });
    SetButtonKind(TButtonKind::bkNext);

    // The program folder keeps its case: upper-casing a path breaks it on Linux.
    FProgramFolder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    FTemplateStore.Open(FProgramFolder);
    FTemplatesFolder = TemplatesFolderFor(FProgramFolder);
    // A first start gets the samples, so there is something to look at before any artwork exists.
    const QString data = ProgramDataFolder();
    AddSampleTemplatesOnce(FTemplateStore, data.isEmpty() ? QString() : data + QStringLiteral("/samples"));
    // Every file dialog starts in the templates folder until the user picks a file elsewhere.
    SetLastFolder(FTemplatesFolder);

    connect(btnNext, &QPushButton::clicked, this, &TExperChild::btnNextClick);
    connect(btnPrev, &QPushButton::clicked, this, &TExperChild::btnPrevClick);
    connect(btnStore, &QPushButton::clicked, this, [this] { SaveImageAs(4); });
    connect(btnAbout, &QPushButton::clicked, this, [this] { ShowAbout(this); });
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this, [this] { ShowAbout(this); });
    connect(lblStart, &THTMLabel::AnchorClick, this, [this] { btnNextClick(); });
    connect(lblImage, &THTMLabel::AnchorClick, this, [this] { SaveImageAs(4); });
    connect(qApp, &QGuiApplication::applicationStateChanged, this, &TExperChild::OnApplicationStateChanged);

    // The face editor: its toolbar and view in pnlChart2D, filling the face records.
    TFaceEditorContext faceEditor;
    faceEditor.Document = FDocument;
    faceEditor.ShowNotice = [this](const QString& notice) { ShowPromptNotice(notice); };
    faceEditor.FaceImageChanged = [this](bool image) {
        if (FStep >= 1 && FStep <= 3)
            btnNext->setEnabled(image);
    };
    FLayerCommands = new TLayerCommands(pnlChart2D, faceEditor);
    TTextLayerTools::Install(*FLayerCommands); // text layers and the layer clipboard
    FLayerCommands->Hooks.SaveFace = [this] { SaveImageAs(FStep); };
    SetUpProjectFlow();
    // The window sees every key first (its own keys, not those of modal dialogs).
    qApp->installEventFilter(this);
}

void TExperChild::SetUpStartPage()
{
    btnNext->setEnabled(false);
    FEditGlyph = TStartPage::MakeEditGlyph();
    FDrawPainter.Recolor(FEditGlyph, lbxCollection->palette().color(QPalette::Base));

    TStartPageHost host;
    host.ConfirmDiscard = [this] { return ConfirmDiscard(); };
    host.ClearFaceEditor = [this] { ClearFaceEditor(); };
    host.SetNextEnabled = [this](bool on) { btnNext->setEnabled(on); };
    host.Next = [this] { btnNextClick(); };
    host.FlatDrawing = FlatPreviewDrawing([](const QString& message) { ShowWarning(message); });
    FStartPage = new TStartPage({pagePrompts, lblStart, lblTemplates, lblBookType, lbxCollection, cmbStartType,
                                 pnlAboutExp, imgPicture},
                                FTemplates, *FDocument, FTemplateStore, std::move(host), this);
    FStartPage->SetEditGlyph(&FEditGlyph);
    FStartPage->Layout();
    FProjectFlow->Recent()->Layout(lbxCollection);
    if (!FTemplateStore.Problem().isEmpty())
        ShowInfo(FTemplateStore.Problem());

    QCoreApplication::processEvents();
    const int initial = FStartPage->FillTemplateList();
    CreateViews();
    FStartPage->SetPreviewView(FGLReady ? FPreviewView : nullptr, FGLReady ? FPreviewView : nullptr);
    FStartPage->Start(initial);
    SetUpFinalPage();
}

void TExperChild::CreateViews()
{
    bool ok = false;
    FPreviewView = new TD3DWin(pnlAboutExp, ok);
    FGLReady = ok;
    FPreviewView->setVisible(ok);
    FPreviewView->setEnabled(ok);
    imgPicture->setVisible(!ok);
    if (!ok) {
        ShowInfo(QStringLiteral("The 3D view cannot be shown: OpenGL could not be set up on this display. "
                                "Templates can still be managed, but a Tavlo cannot be made."));
        return;
    }
    FPreviewView->setToolTip(imgPicture->toolTip());
}

void TExperChild::SetUpFinalPage()
{
    // The final view exists only when the preview view showed that OpenGL works.
    if (FGLReady && !FFinalView) {
        bool ok = false;
        FFinalView = new TD3DWin(pnlChart2D, ok);
        FFinalView->hide();
    }
    FFinalPage->SetView(FFinalView, pnlAboutExp);
    FFinalPage->ShowOnStep(FStep == 4);
}

bool TExperChild::StepApplies(int step) const { return ::StepApplies(step, FDocument->Type() == btThreeSidedBox); }

int TExperChild::NextValidStep(bool forward) const
{
    const bool threeSided = StepApplies(3);
    return ::NextValidStep(FStep, forward, threeSided);
}

void TExperChild::GoToStep(int step)
{
    step = qBound(0, step, StepCount - 1);
    // 1. Leave the current step.
    if (const int face = FaceOfStep(FStep); face >= 0)
        LeaveFaceStep(face);

    // 2. Prompt and help text.
    lblPrompt->setText(StepPrompt(step));
    QFont promptFont = lblPrompt->font();
    promptFont.setBold(true);
    lblPrompt->setFont(promptFont);
    if (step > 0)
        lblImage->SetHtml(StepHelpText(step));
    FitPromptTexts();

    // 3, 4. The new step's page.
    FStep = step;
    PageControl->setCurrentIndex(step == 0 ? 0 : 1);
    PageControl->setFocus();

    // 5. Enter the new step; undo and redo act on what it shows.
    FDocument->SetActiveFace(FaceOfStep(step));
    if (step != 0) {
        if (const int face = FaceOfStep(step); face >= 0)
            EnterFaceStep(face);
        else
            EnterFinalStep();
    }

    // 6. Buttons.
    btnPrev->setVisible(true);
    btnPrev->setEnabled(step != 0);
    btnNext->setVisible(true);
    btnNext->setEnabled(step != 0 || FGLReady);
    btnStore->setVisible(step == 4);
    btnStore->setEnabled(step == 4);
    btnAbout->setVisible(step == 0);
    SetButtonKind(step == 4 ? TButtonKind::bkClose : TButtonKind::bkNext);

    // 7. Tools.
    FFinalPage->ShowOnStep(step == 4);
    if (step != 0) {
        if (step != 4)
            btnNext->setEnabled(FaceViewHasImage());
        UpdateLayerTools();
    }
    // 8. Back on the start page: its preview again.
    if (step == 0 && FStartPage)
        FStartPage->RedrawPreview(false);
    emit StepChanged(step);
}

void TExperChild::btnNextClick()
{
    if (!btnNext->isEnabled())
        return;
    if (FStep == StepCount - 1)
        close();
    else
        GoToStep(NextValidStep(true));
}

void TExperChild::btnPrevClick() { GoToStep(NextValidStep(false)); }

bool TExperChild::ConfirmDiscard()
{
    if (!FDocument->Modified())
        return true;
    switch (AskSaveChanges(FDocument->DisplayName(), QStringLiteral("Tavlo"))) {
    case mrNo:
        // Still counted as unsaved: a replacement that does not happen (a cancelled file dialog,
        // a damaged project) must leave the work as it was.
        return true;
    case mrYes:
        // Go on only when the work really was written: the project it came from, else the picture.
        return FProjectFlow->ProjectPath().isEmpty() ? SaveImageAs(FStep) : FProjectFlow->SaveProject();
    default:
        return false;
    }
}

void TExperChild::closeEvent(QCloseEvent* event)
{
    if (!ConfirmDiscard()) {
        event->ignore();
        return;
    }
    FRecovery->Shutdown(); // the user was asked: nothing is left to recover
    event->accept();
}

void TExperChild::StartUp(const QStringList& arguments)
{
    FRecovery->OfferRecovery();
    if (!arguments.isEmpty())
        OpenProjectFile(arguments.first());
}

void TExperChild::ShowPromptNotice(const QString& notice)
{
    lblPrompt->setText(notice);
    // A few seconds later the step's own prompt comes back, unless something else replaced it.
    QTimer::singleShot(PromptNoticeMs, this, [this, notice] {
        if (lblPrompt->text() == notice)
            lblPrompt->setText(StepPrompt(FStep));
    });
}

void TExperChild::OnApplicationStateChanged(Qt::ApplicationState state)
{
    // Paste depends on what the clipboard holds now.
    if (state == Qt::ApplicationActive && FStep >= 1 && FStep <= 3)
        UpdateLayerTools();
}

void TExperChild::FormDestroy()
{
    if (FDestroyed)
        return;
    FDestroyed = true;
    qApp->removeEventFilter(this);
    // Scratch files of earlier versions are not left behind in the program folder.
    for (const char* name : {"optim.res", "output.msg"})
        QFile::remove(FProgramFolder + QString::fromLatin1(name));
    // The templates go back to the store: live ones their image paths, deleted ones their key.
    delete FStartPage;
    FStartPage = nullptr;
    QString failure;
    for (const auto& cover : FTemplates) {
        try {
            cover->SaveFaces();
        } catch (const std::exception& e) {
            // One template that cannot be written must not cost the others theirs.
            if (failure.isEmpty())
                failure = QString::fromUtf8(e.what());
        }
    }
    try {
        FTemplateStore.Close();
    } catch (const std::exception& e) {
        if (failure.isEmpty())
            failure = QString::fromUtf8(e.what());
    }
    if (!failure.isEmpty())
        ShowInfo(WithFullStop(failure));
    SetMainFontWindow(nullptr);
    SetMissingFileReporter({});
}

// The face editor does the work of the face steps.
void TExperChild::LeaveFaceStep(int face) { FLayerCommands->LeaveFaceStep(face); }
void TExperChild::EnterFaceStep(int face)
{
    // The Top step of a type that needs a top shows the one the final page drew.
    if (face == 2)
        FDocument->FillGeneratedTop();
    FLayerCommands->EnterFaceStep(face);
    FLayerCommands->imgView->setFocus(); // Delete and the clipboard keys act on the face at once
}
// Choosing another template: the face view's layer selection, layers and image go.
void TExperChild::ClearFaceEditor() { FLayerCommands->ClearFaceView(); }
void TExperChild::UpdateLayerTools()
{
    FLayerCommands->ShowFaceTools(FStep >= 1 && FStep <= 3, FGLReady);
    FLayerCommands->UpdateLayerTools();
}
bool TExperChild::FaceViewHasImage() const { return FLayerCommands->HasFaceImage(); }
// Save As of a face step: the face view's image and visible layers at scale 1, the selection
// frame left out and restored afterwards.
void TExperChild::FlattenFace(TBitmap32& target, bool keepSelection)
{
    FLayerCommands->FlattenFace(target, keepSelection);
}
void TExperChild::EnterFinalStep() { ComposeFinal(FDocument->Type()); }

void TExperChild::ComposeFinal(TBookType bookType)
{
    FFinalPage->ComposeFinal(bookType, FDocument->FaceRecord(0), FDocument->FaceRecord(1), FDocument->FaceRecord(2));
}

QString TExperChild::DefaultImageName(int mode) const
{
    return ::DefaultImageName(mode, std::optional<QString>(FDocument->Cover().Name));
}

TBitmap32 TExperChild::CaptureImage(bool finalPicture)
{
    FCapturedTransparent = false;
    if (finalPicture && FGLReady && FFinalView) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        struct TRestore {
            ~TRestore() { QApplication::restoreOverrideCursor(); }
        } restore;
        FCapturedTransparent = FFinalPage->Transparent();
        return CaptureFinalView(*FFinalView, FFinalPage->ExportSize().width(), FCapturedTransparent);
    }
    // The face as edited, at full size, without the selection frame.
    TBitmap32 work;
    FlattenFace(work, true);
    return work;
}

void TExperChild::WriteCapturedImage(const TBitmap32& picture, const QString& path)
{
    if (FCapturedTransparent && FFinalView)
        WriteTransparentImageFile(picture, path, FFinalView->FBackColor);
    else
        WriteImageFile(picture, path);
}

bool TExperChild::SaveImageAs(int mode)
{
    // The document counts as saved only when the file was written.
    const bool written = FSaveFlow->SaveImageAs(mode) == TSaveResult::Written;
    if (written)
        FDocument->MarkSaved(); // undoing from here makes the work modified again
    return written;
}
