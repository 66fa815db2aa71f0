#pragma once
// An OpenGL compatibility context without any display or window: EGL on Mesa's surfaceless
// platform. Drawing goes into framebuffer objects.

#include <QString>

class THeadlessContext {
public:
    THeadlessContext();  // never throws; check Ok() and Error()
    ~THeadlessContext();
    THeadlessContext(const THeadlessContext&) = delete;
    THeadlessContext& operator=(const THeadlessContext&) = delete;

    bool Ok() const { return FContext != nullptr; }
    // Why the context could not be made, for the user.
    QString Error() const { return FError; }
    bool MakeCurrent();

private:
    void* FDisplay = nullptr;
    void* FContext = nullptr;
    QString FError;
};
