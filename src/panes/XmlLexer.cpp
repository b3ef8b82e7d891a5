#include "XmlLexer.h"

namespace {

using State = XmlLexer::State;
using Kind = XmlLexer::Kind;

bool IsSpace(char16_t ch) { return ch == u' ' || ch == u'\t' || ch == u'\r' || ch == u'\n'; }

// Names end at anything that cannot follow a name in markup; the rest is left to the parser.
bool EndsName(char16_t ch)
{
    switch (ch) {
    case u'/':
    case u'>':
    case u'<':
    case u'=':
    case u'"':
    case u'\'':
    case u'?':
    case u'&':
    case u';':
        return true;
    default:
        return IsSpace(ch);
    }
}

// One pass over a line: the position, the state, and where the spans go.
class Cursor {
public:
    Cursor(QStringView line, State state, std::vector<XmlLexer::Span>* spans)
        : line(line)
        , state(state)
        , spans(spans)
    {
    }

    State Run()
    {
        while (at < line.size())
            Step();
        return state;
    }

private:
    void Emit(Kind kind, qsizetype end)
    {
        if (spans && end > at) {
            if (!spans->empty() && spans->back().kind == kind
                && spans->back().start + spans->back().length == at)
                spans->back().length += end - at;
            else
                spans->push_back({ at, end - at, kind });
        }
        at = end;
    }

    bool StartsWith(QStringView prefix) const { return line.sliced(at).startsWith(prefix); }

    // Emits up to and including terminator as kind and returns true, or the rest of the line
    // and false.
    bool EmitThrough(QStringView terminator, Kind kind)
    {
        const qsizetype found = line.indexOf(terminator, at);
        Emit(kind, found < 0 ? line.size() : found + terminator.size());
        return found >= 0;
    }

    qsizetype NameEnd(qsizetype from) const
    {
        while (from < line.size() && !EndsName(line[from].unicode()))
            ++from;
        return from;
    }

    // A reference is coloured only when complete on the line: "&name;", "&#123;" or "&#x7B;".
    qsizetype ReferenceEnd() const
    {
        const qsizetype nameEnd = NameEnd(at + 1);
        return nameEnd > at + 1 && nameEnd < line.size() && line[nameEnd] == u';' ? nameEnd + 1
                                                                                  : -1;
    }

    void Step();
    void StepText();
    void StepTag();
    void StepValue(char16_t quote);
    void StepDoctype();
    void StepSubset();
    void StepDoctypeLiteral(char16_t quote, State after);

    QStringView line;
    State state;
    std::vector<XmlLexer::Span>* spans;
    qsizetype at = 0;
};

void Cursor::Step()
{
    switch (state) {
    case State::Text:
        return StepText();
    case State::Tag:
        return StepTag();
    case State::ValueDouble:
        return StepValue(u'"');
    case State::ValueSingle:
        return StepValue(u'\'');
    case State::Comment:
        if (EmitThrough(u"-->", Kind::Comment))
            state = State::Text;
        return;
    case State::SubsetComment:
        if (EmitThrough(u"-->", Kind::Comment))
            state = State::Subset;
        return;
    case State::CData:
        if (EmitThrough(u"]]>", Kind::CData))
            state = State::Text;
        return;
    case State::Pi:
        if (EmitThrough(u"?>", Kind::ProcessingInstruction))
            state = State::Text;
        return;
    case State::SubsetPi:
        if (EmitThrough(u"?>", Kind::ProcessingInstruction))
            state = State::Subset;
        return;
    case State::Doctype:
        return StepDoctype();
    case State::DoctypeDouble:
        return StepDoctypeLiteral(u'"', State::Doctype);
    case State::DoctypeSingle:
        return StepDoctypeLiteral(u'\'', State::Doctype);
    case State::Subset:
        return StepSubset();
    case State::Decl:
        if (line[at] == u'"' || line[at] == u'\'')
            state = line[at] == u'"' ? State::DeclDouble : State::DeclSingle;
        else if (line[at] == u'>')
            state = State::Subset;
        return Emit(Kind::Doctype, at + 1);
    case State::DeclDouble:
        return StepDoctypeLiteral(u'"', State::Decl);
    case State::DeclSingle:
        return StepDoctypeLiteral(u'\'', State::Decl);
    }
}

void Cursor::StepText()
{
    const char16_t ch = line[at].unicode();
    if (ch == u'&' && spans) {
        const qsizetype end = ReferenceEnd();
        return end < 0 ? void(++at) : Emit(Kind::Reference, end);
    }
    if (ch != u'<') {
        // Plain character data has no span: jump to what may start one, or only change the
        // state when no spans are wanted.
        ++at;
        while (at < line.size() && line[at] != u'<' && (line[at] != u'&' || !spans))
            ++at;
        return;
    }
    if (StartsWith(u"<!--")) {
        state = State::Comment;
        Emit(Kind::Comment, at + 4);
    } else if (StartsWith(u"<![CDATA[")) {
        state = State::CData;
        Emit(Kind::CData, at + 9);
    } else if (StartsWith(u"<?")) {
        state = State::Pi;
        Emit(Kind::ProcessingInstruction, at + 2);
    } else if (StartsWith(u"<!")) {
        state = State::Doctype;
        Emit(Kind::Doctype, at + 2);
    } else {
        state = State::Tag;
        Emit(Kind::Markup, at + (StartsWith(u"</") ? 2 : 1));
        Emit(Kind::ElementName, NameEnd(at));
    }
}

void Cursor::StepTag()
{
    if (!spans) {
        // Only a quote or the tag's end changes the state: the lines before the ones on screen
        // are lexed this way, all of them when the pane is scrolled to the end.
        while (at < line.size() && line[at] != u'"' && line[at] != u'\'' && line[at] != u'>')
            ++at;
        if (at == line.size())
            return;
    }
    const char16_t ch = line[at].unicode();
    if (ch == u'"' || ch == u'\'') {
        state = ch == u'"' ? State::ValueDouble : State::ValueSingle;
        return Emit(Kind::AttributeValue, at + 1);
    }
    if (ch == u'>')
        state = State::Text;
    if (EndsName(ch))
        return Emit(Kind::Markup, at + 1);
    Emit(Kind::AttributeName, NameEnd(at));
}

void Cursor::StepValue(char16_t quote)
{
    const char16_t ch = line[at].unicode();
    if (ch == quote) {
        state = State::Tag;
        return Emit(Kind::AttributeValue, at + 1);
    }
    if (ch == u'&' && spans) {
        const qsizetype end = ReferenceEnd();
        if (end >= 0)
            return Emit(Kind::Reference, end);
    }
    qsizetype end = at + 1;
    while (end < line.size() && line[end] != quote && (line[end] != u'&' || !spans))
        ++end;
    Emit(Kind::AttributeValue, end);
}

void Cursor::StepDoctype()
{
    const char16_t ch = line[at].unicode();
    if (ch == u'"')
        state = State::DoctypeDouble;
    else if (ch == u'\'')
        state = State::DoctypeSingle;
    else if (ch == u'[')
        state = State::Subset;
    else if (ch == u'>')
        state = State::Text;
    Emit(Kind::Doctype, at + 1);
}

void Cursor::StepSubset()
{
    if (StartsWith(u"<!--")) {
        state = State::SubsetComment;
        return Emit(Kind::Comment, at + 4);
    }
    if (StartsWith(u"<?")) {
        state = State::SubsetPi;
        return Emit(Kind::ProcessingInstruction, at + 2);
    }
    if (StartsWith(u"<!"))
        state = State::Decl;
    else if (line[at] == u']')
        state = State::Doctype;
    Emit(Kind::Doctype, at + 1);
}

void Cursor::StepDoctypeLiteral(char16_t quote, State after)
{
    const qsizetype found = line.indexOf(quote, at);
    if (found >= 0)
        state = after;
    Emit(Kind::Doctype, found < 0 ? line.size() : found + 1);
}

} // namespace

XmlLexer::State XmlLexer::Lex(QStringView line, State state, std::vector<Span>* spans)
{
    return Cursor(line, state, spans).Run();
}
