// Every input that ever made a fuzzer fail, fed again to its reader: in the normal build for the
// outcome, in the sanitizer build for memory and undefined behaviour.
#include "FuzzTargets.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

TEST(FuzzRegressions, EveryInputThatEverFailedNowEndsCleanly)
{
    const QDir root(QStringLiteral(TAVLO_FUZZ_REGRESSIONS));
    int inputs = 0;
    for (const QString& target : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const TFuzzTargets& group = ImageFuzzTargets().contains(target) ? ImageFuzzTargets() : TextFuzzTargets();
        ASSERT_TRUE(group.contains(target)) << "no fuzz target " << target.toStdString();
        const QDir folder(root.filePath(target));
        for (const QString& name : folder.entryList(QDir::Files)) {
            SCOPED_TRACE((target + "/" + name).toStdString());
            QFile file(folder.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            EXPECT_NO_THROW(RunFuzzTarget(group, target, reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())));
            ++inputs;
        }
    }
    EXPECT_GT(inputs, 0);
}
