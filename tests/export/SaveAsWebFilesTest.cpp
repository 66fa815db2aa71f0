// Save As at the final step: the two files for web shops follow the picture types, a name typed
// without an extension takes theirs, and each reaches its own writer with the path chosen.
#include "app/SaveFlow.h"

#include "common/TestBitmaps.h"
#include "common/WhenModal.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(SaveAsWebFiles, TheModelAndTheWebpTurntableReachTheirWriters)
{
    QTemporaryDir dir;
    QStringList log;
    TSaveFlowHooks h;
    h.Capture = [](bool) { return Filled(30, 20, Color32(1, 2, 3)); };
    h.DefaultName = [](int) { return QStringLiteral("My Book"); };
    h.Write = [&](const TBitmap32&, const QString& path) { log << "picture " + path; };
    h.WriteTurntable = [&](const QString& path) {
        log << "gif " + path;
        return true;
    };
    h.WriteWebpTurntable = [&](const QString& path) {
        log << "webp " + path;
        return true;
    };
    h.WriteModel = [&](const QString& path) { log << "model " + path; };
    TSaveFlow flow(nullptr, h);

    QStringList offered;
    // Chooses the filter and types a name without an extension, as a user does.
    auto answer = [&](const char* filter, const QString& name) {
        WhenModal<QFileDialog>([&offered, filter, name](QFileDialog* dialog) {
            offered = dialog->nameFilters();
            dialog->selectNameFilter(QString::fromLatin1(filter));
            emit dialog->filterSelected(QString::fromLatin1(filter));
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
            static_cast<QDialog*>(dialog)->accept();
        });
    };
    answer(ModelFilter, dir.filePath("shop"));
    EXPECT_EQ(flow.SaveImageAs(4), TSaveResult::Written);
    answer(WebpTurntableFilter, dir.filePath("turn"));
    EXPECT_EQ(flow.SaveImageAs(4), TSaveResult::Written);
    EXPECT_EQ(log, (QStringList{"model " + dir.filePath("shop.glb"), "webp " + dir.filePath("turn.webp")}));
    const QStringList finalTypes = SaveNameFilters() + QStringList{"Animated GIF (turntable) (*.gif)",
                                                                   "Animated WebP (turntable) (*.webp)",
                                                                   "3D model (GLB) (*.glb)"};
    EXPECT_EQ(offered, finalTypes);

    // A face step offers the picture types alone.
    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        offered = dialog->nameFilters();
        static_cast<QDialog*>(dialog)->reject();
    });
    EXPECT_EQ(flow.SaveImageAs(1), TSaveResult::Cancelled);
    EXPECT_EQ(offered, SaveNameFilters());
}
