#pragma once
// The picture open dialog: Qt's own file dialog with a preview of the selected picture beside the
// file list (decoded on a worker thread), its filter built from the loader's formats, starting in
// the last folder.

#include <QFileDialog>
#include <functional>

class QLabel;
class QPushButton;

// Wizard modes that open pictures: the face image (its title is "Select Image"); every other mode
// adds a new layer ("New Layer").
constexpr int OpenFaceImageMode = 1;
constexpr int OpenNewLayerMode = 8;

class TPictureOpenDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit TPictureOpenDialog(int mode, QWidget* parent = nullptr);

    // The preview pane's parts.
    QLabel* SizeLabel() const { return lblPicture; }
    QLabel* PreviewArea() const { return pbxPreview; }
    QPushButton* FullSizeButton() const { return btnFullSize; }

    // Qt's name filters for a filter in the "Description|patterns|..." form.
    static QStringList NameFilters(const QString& filter);
    // Whether a preview is still being decoded (off the user-interface thread).
    bool PreviewPending() const;

private:
    void UpdatePreview(const QString& path);
    void ShowPreview(const QImage& picture, const QImage& shown);
    void ShowFullSize();

    QLabel* lblPicture = nullptr;
    QLabel* pbxPreview = nullptr;
    QPushButton* btnFullSize = nullptr;
    QImage FPicture;
    QString FPreviewPath;
};

// Runs the dialog modally, its default extension set to defaultSuffix. Cancelled: answers an empty
// string and changes nothing. Otherwise the chosen file's folder becomes the last folder and the
// answer is the file's path.
QString PickPictureFile(QWidget* parent, int mode, const QString& defaultSuffix = QString());

// Runs the dialog modally. Cancelled: answers false and changes nothing. Otherwise the chosen file's
// folder becomes the last folder, then load(path) runs (its exceptions pass to the caller, the
// last folder has moved already) and the answer is true.
bool OpenPictureFile(QWidget* parent, int mode, const std::function<void(const QString& path)>& load);
