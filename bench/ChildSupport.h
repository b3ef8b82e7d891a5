#pragma once

// What the benchmark's child processes share: ending with a message, counting paints, reading
// the figures a child printed and keeping Qt's chatter off the output.

#include <QObject>
#include <QtGlobal>

#include <string>

class QEvent;

// Prints the reason and ends the child without running destructors (the document may be huge).
[[noreturn]] void Fail(const char* what);

// The figure printed as "name value" by a child, the occurrence-th time it appears; -1 when it
// is missing.
double Field(const std::string& output, const std::string& name, int occurrence = 0);

// A message handler that lets only critical and fatal messages through.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message);

// The number of runs a child was asked for: its third argument, at least 1.
int RunsArgument(int argc, char** argv);

inline const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

// Counts the paint events of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;

    // Runs the event loop until the watched widget has painted once more than it had when
    // before was read; ends the child with the message when a minute passes without a paint.
    void WaitPast(int before, const char* failure) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
