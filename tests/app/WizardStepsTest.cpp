#include "app/FrameFrm.h"
#include "app/WizardSteps.h"

#include <gtest/gtest.h>

TEST(WizardSteps, TopFaceStepOnlyForTheThreeSidedBox)
{
    // From, forward, three-sided box, the step reached: the book cover goes 0 -> 1 -> 2 -> 4 and
    // back the same way, the three-sided box visits the top, and never beyond the ends.
    for (auto [from, forward, box, to] : {std::tuple{0, true, false, 1}, {2, true, false, 4}, {4, false, false, 2},
                                          {1, false, false, 0}, {2, true, true, 3}, {4, false, true, 3},
                                          {0, false, true, 0}, {4, true, true, 4}})
        EXPECT_EQ(NextValidStep(from, forward, box), to) << from << forward << box;
    EXPECT_FALSE(StepApplies(3, false));
    EXPECT_TRUE(StepApplies(4, false));
    EXPECT_EQ(FaceOfStep(3), 2);
    EXPECT_EQ(FaceOfStep(4), -1);
}

TEST(WizardSteps, PromptsReadAsWritten)
{
    EXPECT_EQ(StepPrompt(0), "Select a Tavlo Template or start a new Tavlo.  Step 1 of 5.");
    EXPECT_EQ(StepPrompt(4), "Save the Tavlo Image.  Step 5 of 5.");
    EXPECT_TRUE(StepPrompt(StepCount).isEmpty());
}
