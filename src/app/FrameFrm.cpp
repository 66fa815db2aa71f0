#include "app/FrameFrm.h"

#include "app/AboutDlg.h"
#include "app/FinalPage.h"
#include "app/ProjectFlow.h"
#include "app/RecentProjects.h"
#include "app/RecoveryFlow.h"
#include "app/SaveFlow.h"
#include "app/StartPage.h"
#include "app/TurntableSave.h"
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

QIcon GlyphIcon(const QString& resource, int images)
{
    // A glyph bitmap holds `images` pictures side by side: normal first, then disabled.
    const QPixmap all(resource);
    if (all.isNull())
        return {};
    const int w = all.width() / std::max(1, images);
    QIcon icon(all.copy(0, 0, w, all.height()));
    if (images > 1)
        icon.addPixmap(all.copy(w, 0, w, all.height()), QIcon::Disabled);
    return icon;
}
} // namespace

QRect MainWindowBounds(QSize screen, int iconWidth, int captionHeight)
{
    return QRect(0, 0, screen.width() - 2 * (iconWidth - 5), screen.height() - 6 * captionHeight + 1);
}

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

void TExperChild::PrepareWindow()
{
    setWindowTitle(QStringLiteral(" Velsor's ") + QString::fromLatin1(ProductName));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    font.setBold(true);
    setFont(font);

    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    pnlPrompt = new QWidget(central);
    pnlPrompt->setObjectName("pnlPrompt");
    pnlPrompt->setFixedHeight(36);
    layout->addWidget(pnlPrompt);
    lblPrompt = new QLabel(pnlPrompt);
    lblPrompt->setObjectName("lblPrompt");
    lblPrompt->setTextFormat(Qt::PlainText);
    lblPrompt->setWordWrap(true); // a long prompt wraps and the bar grows (FitPromptTexts)
    lblPrompt->setGeometry(10, 0, 600, 36);
    btnPrev = new QPushButton(QStringLiteral("Back"), pnlPrompt);
    btnPrev->setObjectName("btnPrev");
    btnPrev->setIcon(QIcon(QStringLiteral(":/images/back.png")));
    btnNext = new QPushButton(pnlPrompt);
    btnNext->setObjectName("btnNext");
    btnStore = new QPushButton(QStringLiteral(" Save &As..."), pnlPrompt);
    btnStore->setObjectName("btnStore");
    for (QPushButton* b : {btnPrev, btnNext, btnStore})
        b->setGeometry(0, 5, 90, 26);
    btnStore->setGeometry(0, 5, 110, 26);
    // The About box is reached from the start page, where Save As is not shown.
    btnAbout = new QPushButton(QStringLiteral("&About..."), pnlPrompt);
    btnAbout->setObjectName("btnAbout");
    btnAbout->setToolTip(QStringLiteral("Version, licence and libraries of Tavlo Generator (F1)"));
    btnAbout->setGeometry(0, 5, 110, 26);

    pnlWork = new QWidget(central);
    pnlWork->setObjectName("pnlWork");
    layout->addWidget(pnlWork, 1);
    auto* workLayout = new QVBoxLayout(pnlWork);
    workLayout->setContentsMargins(0, 0, 0, 0);
    PageControl = new QStackedWidget(pnlWork);
    PageControl->setObjectName("PageControl");
    workLayout->addWidget(PageControl);
    QFont notebookFont(QStringLiteral("Tahoma"));
    notebookFont.setPixelSize(12);
    PageControl->setFont(notebookFont);

    pagePrompts = new QWidget;
    pagePrompts->setObjectName("Prompts");
    PageControl->addWidget(pagePrompts);
    pageEditVarGroup = new QWidget;
    pageEditVarGroup->setObjectName("EditVarGroup");
    PageControl->addWidget(pageEditVarGroup);
    PageControl->setCurrentIndex(0);

    // Page 0: the start page's controls; the start page lays them out and fills them.
    lblStart = new THTMLabel(pagePrompts);
    lblStart->setObjectName("lblStart");
    lblStart->SetBorderWidth(15);
    lblStart->SetImageList(FImageList);
    lblStart->SetHtml(StepHelpText(0));
    lblTemplates = new THTMLabel(pagePrompts);
    lblTemplates->setObjectName("lblTemplates");
    lblTemplates->SetHtml(QStringLiteral("<B>Templates</b><hr>"));
    lbxCollection = new QListWidget(pagePrompts);
    lbxCollection->setObjectName("lbxCollection");
    lblBookType = new THTMLabel(pagePrompts);
    lblBookType->setObjectName("lblBookType");
    lblBookType->SetHtml(QStringLiteral("<B>Tavlo Type</b><hr><br>What type of Tavlo would you like to create?"));
    cmbStartType = new QComboBox(pagePrompts);
    cmbStartType->setObjectName("cmbStartType");
    pnlAboutExp = new QWidget(pagePrompts);
    pnlAboutExp->setObjectName("pnlAboutExp");
    imgPicture = new QLabel(pnlAboutExp);
    imgPicture->setObjectName("imgPicture");
    imgPicture->setAlignment(Qt::AlignCenter);

    // Page 1: the help label over the face editor / final page panel.
    lblImage = new THTMLabel(pageEditVarGroup);
    lblImage->setObjectName("lblImage");
    lblImage->SetBorderWidth(10);
    lblImage->SetImageList(FImageList);
    pnlChart2D = new QWidget(pageEditVarGroup);
    pnlChart2D->setObjectName("pnlChart2D");
    cmbFinalType = new QComboBox(pnlChart2D);
    cmbFinalType->setObjectName("cmbFinalType");
    cmbFinalType->hide();

    // Bounds from the screen; the window is not resizable.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->availableGeometry().size() : QSize(1280, 1024);
    const int iconWidth = style()->pixelMetric(QStyle::PM_LargeIconSize);
    const int captionHeight = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const QRect bounds = MainWindowBounds(screenSize, iconWidth, captionHeight);
    setFixedSize(bounds.size());
    move(screen ? screen->availableGeometry().topLeft() + QPoint((screenSize.width() - bounds.width()) / 2, 0)
                : bounds.topLeft());

    PlaceNavigationButtons();
    LayoutPage1();
}

void TExperChild::PlaceNavigationButtons()
{
    for (QPushButton* b : {btnPrev, btnNext, btnStore}) {
        b->setDefault(false);
        b->setAutoDefault(false);
    }
    const int w = btnNext->width() * 6 / 5;
    const int nextLeft = std::max(width() - w - 5, btnNext->x());
    btnNext->move(nextLeft, btnNext->y());
    btnPrev->move(nextLeft - w + 5, btnPrev->y());
    const int gap = btnNext->x() - (btnPrev->x() + btnPrev->width());
    btnStore->move(btnPrev->x() - (gap + 10) - btnStore->width(), btnStore->y());
    btnAbout->setAutoDefault(false);
    btnAbout->move(btnStore->pos());
    lblPrompt->setFixedWidth(std::max(100, btnStore->x() - lblPrompt->x() - 10));
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

void TExperChild::LayoutPage1()
{
    // The notebook sizes its pages only when the shown window is laid out, so page 1 follows
    // its own size (see eventFilter) rather than the window's. The help text gets the height
    // its lines need at the current font size, 42 pixels at least.
    const QSize page = pageEditVarGroup->size();
    const int help = std::max(42, lblImage->heightForWidth(page.width()));
    lblImage->setGeometry(0, -1, page.width(), help);
    pnlChart2D->setGeometry(0, help - 1, page.width(), std::max(0, page.height() - help + 1));
}

void TExperChild::FitPromptTexts()
{
    const int prompt = std::max(36, lblPrompt->heightForWidth(lblPrompt->width()));
    lblPrompt->setFixedHeight(prompt);
    pnlPrompt->setFixedHeight(prompt);
    LayoutPage1();
}

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
            return FGLReady && FFinalView
                && SaveTurntable(this, *FFinalView, TurntableFrames, FFinalPage->ExportSize(),
                                 FFinalPage->Transparent(), path);
        },
    });
    SetButtonKind(TButtonKind::bkNext);
    FButtonKind = TButtonKind::bkNext;
    btnNext->setText(QStringLiteral("Next"));
    btnNext->setIcon(GlyphIcon(QStringLiteral(":/images/11.png"), 2));

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

void TExperChild::SetButtonKind(TButtonKind kind)
{
    if (kind == FButtonKind && !btnNext->text().isEmpty())
        return;
    FButtonKind = kind;
    if (kind == TButtonKind::bkNext) {
        btnNext->setText(QStringLiteral("Next"));
        btnNext->setIcon(GlyphIcon(QStringLiteral(":/images/11.png"), 2));
    } else {
        btnNext->setText(QStringLiteral("Close"));
        btnNext->setIcon(GlyphIcon(QStringLiteral(":/images/13.png"), 1));
    }
    btnNext->update();
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

bool TExperChild::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == pageEditVarGroup && event->type() == QEvent::Resize)
        LayoutPage1();
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()
        && static_cast<QWidget*>(watched)->window() == this && !QApplication::activeModalWidget())
        return HandleKey(static_cast<QKeyEvent*>(event));
    return QMainWindow::eventFilter(watched, event);
}

bool TExperChild::FaceViewHasKeys() const
{
    if (FStep < 1 || FStep > 3)
        return false;
    // Any other control with the focus (an edit box, a spin box) keeps Delete and the clipboard keys.
    const QWidget* focus = QApplication::focusWidget();
    return !focus || focus == this || focus == FLayerCommands->imgView || FLayerCommands->imgView->isAncestorOf(focus);
}

bool TExperChild::HandleKey(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (event->key() == Qt::Key_Escape) {
        if (!ctrl)
            close();
        return true;
    }
    if (!FaceViewHasKeys())
        return HandleSettingsUndoKey(event);
    switch (event->key()) {
    case Qt::Key_Z:
        if (ctrl) {
            (event->modifiers() & Qt::ShiftModifier) ? FLayerCommands->Redo() : FLayerCommands->Undo();
            return true;
        }
        break;
    case Qt::Key_Y:
        if (ctrl) { FLayerCommands->Redo(); return true; }
        break;
    case Qt::Key_Delete:
        DeleteLayer();
        return true;
    case Qt::Key_O:
        if (ctrl) { AddImageLayerFromFile(); return true; }
        break;
    case Qt::Key_C:
        if (ctrl) { CopySelected(); return true; }
        break;
    case Qt::Key_X:
        if (ctrl) { CutSelected(); return true; }
        break;
    case Qt::Key_V:
        if (ctrl) { PasteLayer(); return true; }
        break;
    default:
        break;
    }
    return false;
}

bool TExperChild::HandleSettingsUndoKey(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (!(mods & Qt::ControlModifier) || (FStep >= 1 && FStep <= 3))
        return false;
    // An edit box keeps its own undo.
    const QWidget* focus = QApplication::focusWidget();
    if (qobject_cast<const QAbstractSpinBox*>(focus) || qobject_cast<const QLineEdit*>(focus)
        || qobject_cast<const QTextEdit*>(focus))
        return false;
    QUndoGroup* history = FDocument->History();
    if (event->key() == Qt::Key_Z && !(mods & Qt::ShiftModifier))
        history->undo();
    else if (event->key() == Qt::Key_Y || (event->key() == Qt::Key_Z && (mods & Qt::ShiftModifier)))
        history->redo();
    else
        return false;
    return true;
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
void TExperChild::DeleteLayer()
{
    if (FStep >= 1 && FStep <= 3)
        FLayerCommands->DeleteLayer();
}
void TExperChild::AddImageLayerFromFile()
{
    if (FStep >= 1 && FStep <= 3)
        FLayerCommands->AddImageLayerFromFile();
}
// The layer clipboard's keys act on the face steps only.
static void RunOnFaceStep(int step, const std::function<void()>& command)
{
    if (step >= 1 && step <= 3 && command)
        command();
}
void TExperChild::CopySelected() { RunOnFaceStep(FStep, FLayerCommands->Hooks.Copy); }
void TExperChild::CutSelected() { RunOnFaceStep(FStep, FLayerCommands->Hooks.Cut); }
void TExperChild::PasteLayer() { RunOnFaceStep(FStep, FLayerCommands->Hooks.Paste); }
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
