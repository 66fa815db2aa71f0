#pragma once
// Runs the command-line program (TAVLO_CLI, defined by the test target) as a user would; and
// the striped face pictures its tests feed it, so a wrong mapping would show.
#include <QImage>
#include <QProcess>
#include <gtest/gtest.h>

struct TRun {
    int Exit = -1;
    QString Out, Err;
};

// A run that does not end within `deadlineMs` fails the test naming the command line, and is
// killed. By default a picture gets 30 s (the tests' take a few) and a batch of them two minutes.
inline TRun RunTavlo(const QStringList& args, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                     int deadlineMs = 0)
{
    if (deadlineMs <= 0)
        deadlineMs = args.value(0) == QLatin1String("batch") ? 120000 : 30000;
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(TAVLO_CLI, args);
    if (!p.waitForFinished(deadlineMs)) {
        if (p.error() == QProcess::FailedToStart)
            ADD_FAILURE() << "tavlo did not start: " << p.errorString().toStdString();
        else
            ADD_FAILURE() << "tavlo " << args.join(' ').toStdString() << " did not end within " << deadlineMs / 1000
                          << " s; killed";
        p.kill();
        p.waitForFinished(5000);
        return {-1, QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }
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
