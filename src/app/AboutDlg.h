#pragma once
// The About box: what this program is, its version, its licence and the libraries it runs on.

#include <QDialog>

class TAboutFrm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutFrm(QWidget* parent = nullptr);

    // "Qt 6.4.2", "libjpeg-turbo 2.1.5", and the OpenGL driver's version string ("Mesa 22.3.6")
    // when one can be asked, for the libraries list.
    static QStringList LibraryLines();
};

// Shows the About box modally.
void ShowAbout(QWidget* parent);
