// Loads, saves and reloads every file named on the command line or, without arguments, on
// standard input (one path a line), and prints the files that did not come back unchanged.

#include "RoundTrip.h"

#include <QCoreApplication>
#include <QMap>
#include <QRegularExpression>
#include <QTextStream>

#include <array>

namespace {

constexpr std::array outcomeNames { "kept", "refused", "save-failed", "not-reopened", "changed",
    "string-values", "unstable" };

QStringList Paths(const QStringList& arguments)
{
    if (!arguments.isEmpty())
        return arguments;
    QStringList paths;
    QTextStream in(stdin);
    for (QString line; in.readLineInto(&line);) {
        if (!line.isEmpty())
            paths << line;
    }
    return paths;
}

// A refusal's first line with the numbers taken out, so refusals of one kind count together.
QString RefusalKind(const QString& reason)
{
    static const QRegularExpression numbers(QStringLiteral("\\d+"));
    return reason.section(u'\n', 0, 0).left(120).replace(numbers, QStringLiteral("#"));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    RoundTrip roundTrip;
    if (!roundTrip.IsValid()) {
        out << "no scratch folder\n";
        return 2;
    }
    const QStringList paths = Paths(app.arguments().mid(1));
    std::array<int, outcomeNames.size()> counts {};
    QMap<QString, int> refusals;
    for (const QString& path : paths) {
        const RoundTrip::Result result = roundTrip.Check(path);
        ++counts[size_t(result.outcome)];
        if (result.outcome == RoundTrip::Outcome::Refused) {
            ++refusals[RefusalKind(result.reason)];
            out << "refused " << path << ": " << result.reason.section(u'\n', 0, 0) << '\n';
        } else if (result.outcome != RoundTrip::Outcome::Kept)
            out << outcomeNames[size_t(result.outcome)] << ' ' << path << "\n    "
                << QString(result.reason).replace(u'\n', QStringLiteral("\n    ")) << '\n';
        out.flush();
    }
    out << "refusals by reason:\n";
    for (auto it = refusals.cbegin(); it != refusals.cend(); ++it)
        out << "  " << it.value() << "  " << it.key() << '\n';
    out << "files " << paths.size();
    for (size_t i = 0; i < outcomeNames.size(); ++i)
        out << ' ' << outcomeNames[i] << ' ' << counts[i];
    out << '\n';
    const bool allKept = counts[0] + counts[1] == paths.size();
    return allKept ? 0 : 1;
}
