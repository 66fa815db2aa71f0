#pragma once
// A pair of small arrow buttons bound to a line edit, stepping the whole number in it within a
// range. Unlike a spin box it lets the user type anything, also beyond the range: its position is
// the number shown in the edit (what the user sees is what is used), or the last good one while
// the text is not a number.

#include <QWidget>

class QLineEdit;
class QToolButton;

class TUpDown : public QWidget {
    Q_OBJECT
public:
    explicit TUpDown(QLineEdit* associate, QWidget* parent = nullptr);

    void SetRange(int minimum, int maximum); // the bounds are put in order when given reversed
    int Minimum() const { return FMin; }
    int Maximum() const { return FMax; }
    // Reads the edit first, so a number typed a moment ago counts.
    int Position() const;
    // Sets the position and writes it into the edit.
    void SetPosition(int position);
    void Step(int delta);

    QToolButton* UpButton() const { return FUp; }
    QToolButton* DownButton() const { return FDown; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int Clamp(int v) const;

    QLineEdit* FEdit;
    QToolButton* FUp;
    QToolButton* FDown;
    int FMin = 0;
    int FMax = 100;
    mutable int FPosition = 0;
};
