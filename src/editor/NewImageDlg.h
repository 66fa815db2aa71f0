#pragma once
// TNewImageFrm: the small modal dialog that makes a blank face image of a chosen size and
// background colour. The colour confirmed last is remembered for the rest of the run.

#include "editor/UpDown.h"
#include "raster/TBitmap32.h"

#include <QColor>
#include <QDialog>
#include <QSize>

class QColorDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TNewImageFrm : public QDialog {
    Q_OBJECT
public:
    // Face 0 front, 1 spine, 2 top: the caption and default size follow it.
    explicit TNewImageFrm(int face, QWidget* parent = nullptr);

    QColor Background() const { return FBackground; }
    void SetBackground(const QColor& color);
    // The size confirmed with OK.
    QSize ImageSize() const { return FSize; }

    // The remembered background colour (white at start).
    static QColor RememberedColor();
    static void SetRememberedColor(const QColor& color);

    // Controls, named as in the form.
    QGroupBox* PTFrame1;
    QLabel* Label2;
    QLineEdit* txtHeight;
    TUpDown* udHeight;
    QLabel* Label3;
    QLabel* Label1;
    QLineEdit* txtWidth;
    TUpDown* udWidth;
    QLabel* Label4;
    QGroupBox* PTFrame2;
    QFrame* shpBg;
    QPushButton* btnColor;
    QPushButton* btnOK;
    QPushButton* btnCancel;
    QColorDialog* dlgColor = nullptr; // exists while the colour dialog is open

public slots:
    void accept() override;

private:
    void txtChange();
    void btnColorClick();
    void LayOut();

    QColor FBackground;
    QSize FSize;
};

// The default size of a new face image: front 350 x 400, spine 100 x 400, top 350 x 100.
QSize DefaultFaceSize(int face);
// "Front", "Spine", "Top".
QString FaceCaptionName(int face);
// The size typed into the dialog, or a user-facing reason why it cannot be made.
struct TSizeCheck {
    bool Ok = false;
    QSize Size;
    QString Message;
};
TSizeCheck CheckNewImageSize(const QString& widthText, const QString& heightText);

// Runs the dialog for face; on OK fills bitmap with the chosen colour (opaque) at the chosen
// size and answers true. False on Cancel or without a bitmap.
bool NewImageDialog(TBitmap32* bitmap, int face, QWidget* parent = nullptr);
