#pragma once

#include "XmlLexer.h"

#include <functional>
#include <vector>

// The lexer's state at the start of any line of a text, worked out on demand: a line's colours
// depend on every line before it (a comment or a value may span lines), so the state is kept at
// a checkpoint every CheckpointLines lines and the lines from the nearest one are lexed again.
// Checkpoints are added as far as the text has been asked for, never further.
class XmlLineStates {
public:
    static constexpr qsizetype CheckpointLines = 256;
    // The text of a line, without its line break; asked only for lines that exist.
    using LineSource = std::function<QStringView(qsizetype line)>;

    explicit XmlLineStates(LineSource lines);

    // The text changed: everything worked out from the old one is dropped.
    void Clear();
    XmlLexer::State StateAt(qsizetype line);
    // The spans of the first length characters of line (all of it when length is negative).
    std::vector<XmlLexer::Span> Spans(qsizetype line, qsizetype length = -1);
    qsizetype CheckpointCount() const { return static_cast<qsizetype>(checkpoints.size()); }

private:
    // Records end, the state after line, as a checkpoint when it is the next one; returns it.
    XmlLexer::State Passed(qsizetype line, XmlLexer::State end);

    LineSource lines;
    // [k] is the state at the start of line k * CheckpointLines.
    std::vector<XmlLexer::State> checkpoints;
    // The last line asked for and its state, so that painting lines in order lexes each once.
    qsizetype recentLine = 0;
    XmlLexer::State recentState = XmlLexer::State::Text;
};
