#include "TrelvoView.h"

#include "Prompts.h"
#include "TreeViewIds.h"
#include "TrelvoDoc.h"
#include "WaitCursor.h"
#include "dom/DomSchema.h"

#include <QDir>
#include <QStringList>

namespace {

// As many errors as a message box shows without growing past the screen.
constexpr int ShownErrors = 20;

QString ErrorLine(const DomSchema::Error& error)
{
    const QString path = error.node.path();
    if (error.line > 0) {
        return QStringLiteral("Line %1, %2: %3")
            .arg(QString::number(error.line), path, error.reason);
    }
    // An element inserted since the document was loaded has no line.
    return path.isEmpty() ? error.reason : QStringLiteral("%1: %2").arg(path, error.reason);
}

QString Report(const DomSchema::Result& result)
{
    QStringList lines;
    for (const DomSchema::Error& error : result.errors)
        lines << ErrorLine(error);
    if (result.errorCount > long(result.errors.size()))
        lines << QStringLiteral("(%1 errors in all)").arg(result.errorCount);
    return lines.join(u'\n');
}

} // namespace

void TrelvoView::AddSchemaCommand()
{
    AddCommand(ID_VALIDATE_SCHEMA, [this] { OnValidateSchema(); });
    AddUpdateCommand(ID_VALIDATE_SCHEMA, [this](CommandState& state) {
        const TrelvoDoc* doc = Doc();
        state.enabled = doc && doc->HasRootElement();
    });
}

void TrelvoView::OnValidateSchema()
{
    TrelvoDoc* doc = Doc();
    if (!doc || !doc->HasRootElement())
        return;
    Prompts& prompts = Prompts::Instance();
    const QString path = prompts.GetOpenFileName(QStringLiteral("Locate the XML Schema"),
        QStringLiteral("XML Schemas (*.xsd);;All files (*)"), QString());
    if (path.isEmpty())
        return;
    DomSchema::Result result;
    {
        WaitCursor wait;
        result = DomSchema::Validate(doc->dom, path, ShownErrors);
    }
    const QString caption = QStringLiteral("Validate Schema");
    if (result.status == DomInvalidArgument) {
        prompts.MessageBox(QStringLiteral("The schema %1 cannot be used.\n\n%2")
                               .arg(QDir::toNativeSeparators(path), result.schemaError),
            caption, Prompts::Buttons::Ok, Prompts::Icon::Warning);
        return;
    }
    if (result.status == DomOk) {
        prompts.MessageBox(QStringLiteral("The document is valid."), caption, Prompts::Buttons::Ok,
            Prompts::Icon::Information);
        return;
    }
    // The first element in error is selected behind the box, so the user sees where to look.
    if (!result.errors.empty() && result.errors.front().node)
        SelectNode(result.errors.front().node);
    prompts.MessageBox(Report(result), caption, Prompts::Buttons::Ok, Prompts::Icon::Information);
}
