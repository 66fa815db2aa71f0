#pragma once
// An output device that keeps nothing: it counts what arrives and can fail after a number of
// bytes, as a full disk does. Tests of writers that stream see with it when bytes leave.
#include <QIODevice>

class TCountingSink : public QIODevice {
public:
    explicit TCountingSink(qint64 failAfter = -1) : FFailAfter(failAfter) { open(QIODevice::WriteOnly); }
    qint64 Written() const { return FWritten; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 size) override
    {
        if (FFailAfter >= 0 && FWritten + size > FFailAfter) {
            setErrorString("the disk is full");
            return -1;
        }
        FWritten += size;
        return size;
    }

private:
    qint64 FFailAfter;
    qint64 FWritten = 0;
};
