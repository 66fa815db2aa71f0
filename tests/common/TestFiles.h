#pragma once
// Files the tests write and read back whole; a file that cannot be written or read fails the test.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

// Writes bytes to path; the path.
inline QString WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size()) << "cannot write " << path.toStdString();
    return path;
}

inline QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << "cannot read " << path.toStdString();
    return f.readAll();
}
