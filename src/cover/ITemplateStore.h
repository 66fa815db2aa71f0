#pragma once
// What a cover document needs of the template store: string values under a template's key.
// The store itself (TRegistryEx over QSettings) lives in src/templates; tests use an in-memory one.

#include <QString>

class ITemplateStore {
public:
    virtual ~ITemplateStore() = default;
    // Creates the template's key when missing; an absent or empty value reads as defaultValue.
    virtual QString ReadValue(const QString& templateName, const QString& valueName,
                              const QString& defaultValue = QString()) = 0;
    // Throws std::runtime_error("Failed to set data for '<valueName>'") when the write fails.
    virtual void WriteValue(const QString& templateName, const QString& valueName, const QString& value) = 0;
    // Removes one value; a missing key or value is no failure.
    virtual void DeleteValue(const QString& templateName, const QString& valueName) = 0;
    // Failures (missing key) are ignored.
    virtual void DeleteTemplate(const QString& templateName) = 0;
};
