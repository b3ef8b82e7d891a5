#pragma once

#include "ScriptedPrompts.h"

#include <QString>
#include <QTemporaryDir>

// Opens a file, saves it to a scratch folder the way Save does, reopens and saves it again, and
// says what, if anything, was refused, lost or changed on the way.
class RoundTrip {
public:
    enum class Outcome { Kept, Refused, SaveFailed, NotReopened, Changed, StringValues, Unstable };

    struct Result {
        Outcome outcome = Outcome::Kept;
        // Empty when kept: the message shown, or the first line that differs before and after.
        QString reason;
    };

    RoundTrip();

    bool IsValid() const { return scratch.isValid(); }
    Result Check(const QString& path);

private:
    QString LastMessage() const;
    void ExpectMessages();

    ScriptedPrompts prompts;
    QTemporaryDir scratch;
};
