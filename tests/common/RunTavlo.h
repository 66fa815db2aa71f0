#pragma once
// Runs the command-line program (TAVLO_CLI, defined by the test target) as a user would; and
// the striped face pictures its tests feed it, so a wrong mapping would show.
#include <QImage>
#include <QProcess>

struct TRun {
    int Exit = -1;
    QString Out, Err;
};

inline TRun RunTavlo(const QStringList& args, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(TAVLO_CLI, args);
    p.waitForFinished(300000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// A w x h picture of colour c with a light line every `every` rows.
inline QImage Striped(int w, int h, QColor c, int every)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(c);
    for (int y = 0; y < h; y += every)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(250, 240, 200));
    return image;
}
