#pragma once
// "Import Print Cover...": a printer's wrap-around cover (PDF or picture) chosen, its trim, page
// count and paper set while the cuts are drawn over it, and the Tavlo it makes: a Book Cover, or
// a Thin Book for a thin spine, with the front and spine cut out at print resolution.

#include "printcover/CoverPicture.h"
#include "project/Project.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class TCoverCutView;

class TPrintCoverDlg : public QDialog {
    Q_OBJECT
public:
    // The faces are cut at this resolution, as `tavlo split-cover` does by default.
    static constexpr double ImportDpi = 300;

    explicit TPrintCoverDlg(QWidget* parent = nullptr);

    // Reads the cover file (the Browse button's choice); false, with the reason shown, when it
    // cannot be read.
    bool SetFile(const QString& path);
    // The cover the controls describe now; none while the custom trim is no size.
    std::optional<TCoverMeasures> Measures() const;
    // Shown under the preview: the type and sizes, or why the cover cannot be cut.
    QString Status() const;
    // The Tavlo made by the last accept (empty before).
    const TProject& Result() const { return FResult; }

    QComboBox* cmbTrim = nullptr;
    QLineEdit* txtCustomTrim = nullptr;
    QSpinBox* spnPages = nullptr;
    QComboBox* cmbPaper = nullptr;
    TCoverCutView* View = nullptr;
    QDialogButtonBox* Buttons = nullptr;

    void accept() override;

private:
    void Browse();
    void Update();
    TProject MakeProject(const TCoverMeasures& measures);

    QLineEdit* txtFile = nullptr;
    QLabel* lblStatus = nullptr;
    QString FPath;
    std::optional<TCoverPicture> FPreview; // a PDF drawn small, a picture as it is
    QImage FShown;                         // FPreview at most PreviewWidth wide, for the view
    TProject FResult;
};
