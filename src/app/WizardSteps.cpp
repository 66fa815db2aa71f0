#include "app/WizardSteps.h"

#include <QFile>

namespace {
const char* const Prompts[StepCount] = {
    "Select a Tavlo Template or start a new Tavlo",
    "Select the Book/Box Front Cover Image",
    "Select the Book/Box Spine Image",
    "Select the Book/Box Top Image",
    "Save the Tavlo Image",
};
} // namespace

bool StepApplies(int step, bool threeSidedBox) { return step != 3 || threeSidedBox; }

int NextValidStep(int from, bool forward, bool threeSidedBox)
{
    int step = from;
    do
        step += forward ? 1 : -1;
    while (step > 0 && step < StepCount - 1 && !StepApplies(step, threeSidedBox));
    return qBound(0, step, StepCount - 1);
}

QString StepPrompt(int step)
{
    if (step < 0 || step >= StepCount)
        return {};
    return QString::fromLatin1(Prompts[step]) + QStringLiteral(".  Step %1 of %2.").arg(step + 1).arg(StepCount);
}

QString StepHelpText(int step)
{
    QFile file(QStringLiteral(":/help/%1").arg(HelpTextBase + step));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll());
}
