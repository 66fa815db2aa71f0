#include "app/AboutDlg.h"

#include "TavloVersion.h"
#include "app/ProgramFiles.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <cstdio>
#include <jpeglib.h>

namespace {
// The driver's own version string, e.g. "4.5 (Compatibility Profile) Mesa 22.3.6".
QString OpenGLVersion()
{
    QOpenGLContext context;
    if (!context.create())
        return {};
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!context.makeCurrent(&surface))
        return {};
    const auto* text = context.functions()->glGetString(GL_VERSION);
    const QString version = text ? QString::fromLatin1(reinterpret_cast<const char*>(text)) : QString();
    context.doneCurrent();
    return version;
}
} // namespace

QStringList TAboutFrm::LibraryLines()
{
    QStringList lines;
    lines << QStringLiteral("Qt %1 (LGPL-3.0)").arg(QString::fromLatin1(qVersion()));
#ifdef LIBJPEG_TURBO_VERSION_NUMBER
    lines << QStringLiteral("libjpeg-turbo %1.%2.%3 (IJG and BSD licences)")
                 .arg(LIBJPEG_TURBO_VERSION_NUMBER / 1000000)
                 .arg(LIBJPEG_TURBO_VERSION_NUMBER / 1000 % 1000)
                 .arg(LIBJPEG_TURBO_VERSION_NUMBER % 1000);
#else
    lines << QStringLiteral("libjpeg %1").arg(JPEG_LIB_VERSION);
#endif
    const QString gl = OpenGLVersion();
    const qsizetype mesa = gl.indexOf(QStringLiteral("Mesa"));
    lines << (mesa >= 0 ? gl.mid(mesa) + QStringLiteral(" (MIT), OpenGL ") + gl.left(gl.indexOf(QLatin1Char(' ')))
              : gl.isEmpty() ? QStringLiteral("OpenGL: not available on this display")
                             : QStringLiteral("OpenGL ") + gl);
    return lines;
}

TAboutFrm::TAboutFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName("AboutFrm");
    setWindowTitle(QStringLiteral("About Tavlo Generator"));

    auto* icon = new QLabel(this);
    const QString iconFile = ProgramIconFile(128);
    const QPixmap picture(iconFile);
    if (!picture.isNull())
        icon->setPixmap(picture.scaled(96, 96, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    icon->setAlignment(Qt::AlignTop);

    auto* title = new QLabel(QStringLiteral("<span style='font-size:16pt; font-weight:bold'>Tavlo Generator</span>"
                                            "<br>Version " TAVLO_VERSION),
                             this);
    title->setObjectName("lblVersion");
    title->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* what = new QLabel(QStringLiteral("Turns flat artwork into a lit 3D picture of a box, book or CD case."
                                           "<br>Copyright \u00a9 2026 Velsor. Released under the MIT licence."),
                            this);
    what->setWordWrap(true);
    auto* libraries = new QLabel(QStringLiteral("<b>Built on</b><br>") + LibraryLines().join(QStringLiteral("<br>")), this);
    libraries->setObjectName("lblLibraries");
    libraries->setTextInteractionFlags(Qt::TextSelectableByMouse);

    QFile licenceFile(QStringLiteral(":/LICENSE"));
    licenceFile.open(QIODevice::ReadOnly);
    auto* licence = new QPlainTextEdit(QString::fromUtf8(licenceFile.readAll()), this);
    licence->setObjectName("memLicence");
    licence->setReadOnly(true);
    licence->setLineWrapMode(QPlainTextEdit::NoWrap); // the text keeps its own line breaks
    licence->setMinimumHeight(140);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* text = new QVBoxLayout;
    text->addWidget(title);
    text->addWidget(what);
    text->addWidget(libraries);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(licence, 1);
    layout->addWidget(buttons);
    resize(620, 480);
}

void ShowAbout(QWidget* parent)
{
    TAboutFrm dialog(parent);
    dialog.exec();
}
