#include "XmlLineStates.h"

#include <algorithm>

XmlLineStates::XmlLineStates(LineSource lines)
    : lines(std::move(lines))
{
    Clear();
}

void XmlLineStates::Clear()
{
    checkpoints.assign(1, XmlLexer::State::Text);
    recentLine = 0;
    recentState = XmlLexer::State::Text;
}

XmlLexer::State XmlLineStates::StateAt(qsizetype line)
{
    const qsizetype nearest = std::min(line / CheckpointLines, CheckpointCount() - 1);
    qsizetype from = nearest * CheckpointLines;
    XmlLexer::State state = checkpoints[nearest];
    if (recentLine <= line && recentLine > from) {
        from = recentLine;
        state = recentState;
    }
    for (qsizetype at = from; at < line; ++at)
        state = Passed(at, XmlLexer::Lex(lines(at), state, nullptr));
    recentLine = line;
    recentState = state;
    return state;
}

XmlLexer::State XmlLineStates::Passed(qsizetype line, XmlLexer::State end)
{
    const qsizetype next = line + 1;
    if (next % CheckpointLines == 0 && next / CheckpointLines == CheckpointCount())
        checkpoints.push_back(end);
    return end;
}

std::vector<XmlLexer::Span> XmlLineStates::Spans(qsizetype line, qsizetype length)
{
    std::vector<XmlLexer::Span> spans;
    QStringView text = lines(line);
    if (length >= 0 && length < text.size())
        text.truncate(length);
    const XmlLexer::State end = XmlLexer::Lex(text, StateAt(line), &spans);
    if (text.size() == lines(line).size()) {
        recentLine = line + 1;
        recentState = Passed(line, end);
    }
    return spans;
}
