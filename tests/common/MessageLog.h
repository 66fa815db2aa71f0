#pragma once
// Stands in for the message boxes while alive: records every request and answers with Answer.
#include "ui/MsgBox.h"

#include <vector>

struct TMessageLog {
    std::vector<TMessageRequest> Asked;
    int Answer = mrOk;
    TMessageLog()
    {
        SetMessageHandler([this](const TMessageRequest& r) {
            Asked.push_back(r);
            return Answer;
        });
    }
    ~TMessageLog() { SetMessageHandler(nullptr); }
    QStringList Texts() const
    {
        QStringList texts;
        for (const TMessageRequest& r : Asked)
            texts << r.Text;
        return texts;
    }
};
