#pragma once
// A private settings folder per test, so the store reads and writes a file of the test's own.

#include "templates/TemplateStore.h"
#include "common/TestFiles.h"

#include <QtCore>
#include <functional>
#include <gtest/gtest.h>

class StoreFixture : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, FDir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, FDir.path());
    }

    QString SettingsFile() const { return FDir.path() + "/Velsor/Tavlo Generator.conf"; }

    void WriteSettingsFile(const QByteArray& content) const
    {
        QDir().mkpath(FDir.path() + "/Velsor");
        WriteFile(SettingsFile(), content);
    }
    void WriteSettingsText(const QString& content) const { WriteSettingsFile(content.toUtf8()); }

    QByteArray ReadSettingsFile() const
    {
        QFile file(SettingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // A store as the program opens it at start-up.
    std::unique_ptr<TTemplateStore> OpenStore() const
    {
        auto store = std::make_unique<TTemplateStore>();
        store->Open(FDir.path() + "/");
        return store;
    }

    // One run of the program: `session` works on the store, which is then closed (the exit write);
    // the answer is the store the next start opens.
    std::unique_ptr<TTemplateStore> AfterSession(const std::function<void(TTemplateStore&)>& session) const
    {
        auto store = OpenStore();
        session(*store);
        store->Close();
        return OpenStore();
    }

    QTemporaryDir FDir;
};
