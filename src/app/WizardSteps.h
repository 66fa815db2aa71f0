#pragma once
// The step arithmetic of the wizard: which steps apply, where Next and Back go, what the prompt says.

#include <QString>

constexpr int StepCount = 5;      // 0 start page, 1..3 faces, 4 final page
constexpr int ThreeSidedBox = 1;  // the only type with a top face step
constexpr int HelpTextBase = 120; // help text of step s is resource 120 + s

// Step 3 (the top face) applies only to the three-sided box; every other step always applies.
bool StepApplies(int step, bool threeSidedBox);
// One step forward or back from `from`, repeated while the step does not apply.
int NextValidStep(int from, bool forward, bool threeSidedBox);
// The bold prompt of the step followed by ".  Step n of 5.".
QString StepPrompt(int step);
// The help text shown for the step (resources 120..124).
QString StepHelpText(int step);
// Face shown by face step s (1..3), or -1.
inline int FaceOfStep(int step) { return step >= 1 && step <= 3 ? step - 1 : -1; }
