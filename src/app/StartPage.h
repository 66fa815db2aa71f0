#pragma once
// The start page (wizard step 0): the template list with its fixed entries, the cover type, and
// the preview of the work in that type. Choosing an entry replaces the document with a copy of
// its cover; the "Edit Templates..." entry opens the templates dialog. The page shows the open
// document: its type, its template (none for a project) and its preview.
// The main window owns the controls; this class holds references to what it needs.

#include "cover/Preview.h"
#include "ui/ListEx.h"

#include <QObject>
#include <QImage>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QWidget;
class THTMLabel;
class TBookCover;
class TTavloDocument;
class TTemplateStore;
class ICoverView;

struct TStartPageControls {
    QWidget* Page = nullptr; // page 0 of the notebook
    THTMLabel* lblStart = nullptr;
    THTMLabel* lblTemplates = nullptr;
    THTMLabel* lblBookType = nullptr;
    QListWidget* lbxCollection = nullptr;
    QComboBox* cmbStartType = nullptr;
    QWidget* pnlAboutExp = nullptr;
    QLabel* imgPicture = nullptr;
};

// What the start page asks of the window around it.
struct TStartPageHost {
    std::function<bool()> ConfirmDiscard;     // true: go on and drop unsaved changes
    std::function<void()> ClearFaceEditor;    // the face view's layer selection, layers and image
    std::function<void(bool)> SetNextEnabled; // the Next button
    std::function<void()> Next;               // a double-click on the preview acts as Next
    TFlatDrawing FlatDrawing;                 // the preview without OpenGL
};

class TStartPage : public QObject {
    Q_OBJECT
public:
    static constexpr int FixedItems = 4; // " None Selected", separator, "Edit Templates...", separator
    static constexpr int SeparatorLength = 68;

    // The list's entries hold the cover documents of `templates`; choosing one replaces document.
    TStartPage(const TStartPageControls& controls, TListEx<TBookCover>& templates, TTavloDocument& document,
               TTemplateStore& store, TStartPageHost host, QObject* parent = nullptr);
    ~TStartPage() override;

    // The glyph drawn beside "Edit Templates...", white where the list's colour goes.
    static QImage MakeEditGlyph();
    // The glyph to draw (the window keeps it matching the colour scheme); may change any time.
    void SetEditGlyph(const QImage* glyph);

    // Places the controls on the page.
    void Layout();
    // The fixed entries and one per stored template; answers the initial index: the first
    // complete template, else " None Selected".
    int FillTemplateList();
    // The preview view when OpenGL could be set up (both null otherwise).
    void SetPreviewView(QWidget* widget, ICoverView* view);
    // Selects the initial entry, applying and previewing it.
    void Start(int initialIndex);

    // Redraws the preview of the selected entry in the chosen type; with allowDialog the
    // "Edit Templates..." entry opens the templates dialog. False when that dialog changed nothing.
    bool RedrawPreview(bool allowDialog);
    // Runs the templates dialog and rebuilds the list when anything changed in it (answered).
    bool TemplatesDialogCall();
    // "Import Print Cover...": the dialog, then (after the unsaved-changes question) the work is
    // replaced by the Tavlo it made. Not a step of the history, like choosing a template.
    void ImportPrintCover();

    QPushButton* ImportButton() const { return FImportButton; }
    TBookCover* SelectedCover() const;
    // The entry the document was made from; null when it came from a project.
    TBookCover* AppliedCover() const { return FApplied; }
    TBookCover* CoverAt(int row) const;
    QString PreviewCaption() const;
    bool PreviewShown() const; // a picture (3D or flat) is on show

private:
    void lbxCollectionChange(int row);
    void lbxCollectionDblClick();
    void cmbStartTypeChange(int index);
    void ApplySelected(bool allowDialog);
    // Puts the list on cover's entry (no entry for null) without applying it.
    void SelectCover(const TBookCover* cover);
    // The document was replaced or changed its type: the list, the type and the preview follow.
    void ShowDocument();
    void UpdateNextAndType();
    void AddEntry(const QString& text, TBookCover* cover);
    void DrawPreview(const TBookCover& cover);
    // What the preview shows: a template about to be chosen, else the document with its layers.
    const TBookCover* PreviewCover();
    void ShowNoPreview();
    bool eventFilter(QObject* watched, QEvent* event) override;

    TStartPageControls C;
    TListEx<TBookCover>& FTemplates;
    TTavloDocument& FDocument;
    TBookCover* FApplied = nullptr;
    std::unique_ptr<TBookCover> FWorkPreview; // the document's faces as their steps left them
    bool FApplying = false; // the page itself is replacing the document
    TTemplateStore& FStore;
    TStartPageHost FHost;
    QWidget* FPreviewWidget = nullptr;
    ICoverView* FPreviewView = nullptr;
    class TTemplateListDelegate* FDelegate = nullptr;
    QPushButton* FImportButton = nullptr;
};
