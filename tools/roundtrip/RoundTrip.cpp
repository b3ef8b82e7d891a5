#include "RoundTrip.h"

#include "DomOutline.h"
#include "TrelvoDoc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// The first line that differs, shortened, with line breaks shown.
QString FirstDifference(const QStringList& before, const QStringList& after)
{
    qsizetype i = 0;
    while (i < before.size() && i < after.size() && before[i] == after[i])
        ++i;
    const auto shown
        = [](QString line) { return line.left(200).replace(u'\n', QStringLiteral("\\n")); };
    return QStringLiteral("was: %1\nnow: %2").arg(shown(before.value(i)), shown(after.value(i)));
}

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

RoundTrip::RoundTrip() { Prompts::SetInstance(&prompts); }

QString RoundTrip::LastMessage() const
{
    return prompts.Calls().empty() ? QString() : prompts.Calls().back().text;
}

// The refusal of a load, a save's failure and the no-root warning are all OK-only messages.
void RoundTrip::ExpectMessages()
{
    prompts.Clear();
    for (int i = 0; i < 4; ++i)
        prompts.AnswerMessage(Prompts::Button::Ok);
}

RoundTrip::Result RoundTrip::Check(const QString& path)
{
    // Each step gets a folder of its own under the file's own name, so relative references
    // resolve alike (to nothing) in the original copy and both saves.
    const QString name = QFileInfo(path).fileName();
    QStringList steps;
    for (const QString& step :
        { QStringLiteral("in"), QStringLiteral("out1"), QStringLiteral("out2") }) {
        QDir(scratch.filePath(step)).removeRecursively();
        QDir(scratch.path()).mkpath(step);
        steps << scratch.filePath(step + u'/' + name);
    }
    const QString& copy = steps[0];
    const QString& first = steps[1];
    const QString& second = steps[2];
    if (!QFile::copy(path, copy))
        return { Outcome::Refused, QStringLiteral("unreadable") };

    ExpectMessages();
    TrelvoDoc original;
    if (!original.OnOpenDocument(copy))
        return { Outcome::Refused, LastMessage().replace(copy, QStringLiteral("%1")) };
    if (!original.OnSaveDocument(first))
        return { Outcome::SaveFailed, LastMessage() };

    TrelvoDoc reopened;
    if (!reopened.OnOpenDocument(first))
        return { Outcome::NotReopened, LastMessage() };
    const QStringList before = DomOutline::Structure(original.dom);
    const QStringList after = DomOutline::Structure(reopened.dom);
    if (before != after)
        return { Outcome::Changed, FirstDifference(before, after) };

    // The string values are compared with a reload that keeps every whitespace node: the
    // program's own reload would hide whitespace the save added inside mixed content.
    DomDocument whole = DomDocument::Create();
    whole.setPreserveWhiteSpace(true);
    if (Failed(whole.load(first)))
        return { Outcome::NotReopened, whole.parseError().reason };
    const QStringList mixed = DomOutline::MixedStringValues(original.dom);
    const QStringList saved = DomOutline::StringValuesAt(whole, mixed);
    if (mixed != saved)
        return { Outcome::StringValues, FirstDifference(mixed, saved) };

    if (!reopened.OnSaveDocument(second))
        return { Outcome::Unstable, QStringLiteral("second save failed: ") + LastMessage() };
    if (Contents(first) != Contents(second))
        return { Outcome::Unstable, QStringLiteral("second save writes other bytes") };
    return {};
}
