#include "XsltCommands.h"

#include "CommandState.h"
#include "Prompts.h"
#include "TreeViewIds.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"
#include "WaitCursor.h"
#include "dom/FileReplacer.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStringEncoder>
#include <QSysInfo>

namespace {

const QString Caption = QStringLiteral("Apply XSLT");

void Warn(const QString& text)
{
    Prompts::Instance().MessageBox(text, Caption, Prompts::Buttons::Ok, Prompts::Icon::Warning);
}

bool SameFile(const QString& path, const QString& other)
{
    if (other.isEmpty())
        return false;
    const QFileInfo a(path);
    const QFileInfo b(other);
    return a.exists() && b.exists() && a.canonicalFilePath() == b.canonicalFilePath();
}

QString LoadFailure(const DomParseError& error)
{
    QString text = error.reason.trimmed();
    if (error.line > 0)
        text += QStringLiteral("\nLine %1, position %2").arg(error.line).arg(error.linepos);
    return text;
}

// A message box taller than the screen cannot be read: libxslt lists every template of a deep
// recursion.
QString FirstLines(const QString& text)
{
    constexpr int MaxLines = 20;
    const QStringList lines = text.split(u'\n');
    if (lines.size() <= MaxLines)
        return text;
    return lines.mid(0, MaxLines).join(u'\n') + QStringLiteral("\n...");
}

} // namespace

XsltCommands::XsltCommands(TrelvoView& view)
    : view(view)
{
}

std::vector<std::pair<int, std::function<void()>>> XsltCommands::Handlers()
{
    return {
        { ID_FILE_APPLY_XSLT, [this] { OnApplyXslt(); } },
        { ID_FILE_APPLY_LINKED_XSLT, [this] { OnApplyLinkedXslt(); } },
    };
}

std::vector<std::pair<int, std::function<void(CommandState&)>>> XsltCommands::UpdateHandlers()
{
    return {
        { ID_FILE_APPLY_XSLT, [this](CommandState& state) { state.enabled = HasRootElement(); } },
        { ID_FILE_APPLY_LINKED_XSLT,
            [this](CommandState& state) {
                state.enabled = HasRootElement() && !view.Doc()->GetLinkedStylesheet().isEmpty();
            } },
    };
}

bool XsltCommands::HasRootElement() const
{
    const TrelvoDoc* doc = view.Doc();
    return doc && doc->HasRootElement();
}

void XsltCommands::OnApplyXslt()
{
    if (!HasRootElement())
        return;
    QString path = Prompts::Instance().GetOpenFileName(QStringLiteral("Locate the XSLT file"),
        QStringLiteral("XSLT files (*.xsl);;All files (*)"), QString());
    if (path.isEmpty())
        return;
    // A name typed without its extension.
    const QString withExtension = path + QStringLiteral(".xsl");
    if (!QFileInfo::exists(path) && QFileInfo::exists(withExtension))
        path = withExtension;
    ApplyStylesheet(path);
}

void XsltCommands::OnApplyLinkedXslt()
{
    const TrelvoDoc* doc = view.Doc();
    if (!doc)
        return;
    const QString path = doc->GetLinkedStylesheet();
    if (path.isEmpty()) {
        Prompts::Instance().MessageBox(
            QStringLiteral("No XSLT reference found within the current XML document."), Caption,
            Prompts::Buttons::Ok, Prompts::Icon::None);
        return;
    }
    ApplyStylesheet(path);
}

void XsltCommands::ApplyStylesheet(const QString& styleSheetPath)
{
    TrelvoDoc* doc = view.Doc();
    if (!doc || doc->dom.isNull())
        return;
    const int mode = view.Settings().XsltOutput;
    const bool toFile = mode == 0 || mode == 1;
    QString outputPath;
    if (toFile) {
        outputPath = Prompts::Instance().GetSaveFileName(
            QStringLiteral("Enter the output file"), QStringLiteral("All files (*)"), QString());
        if (outputPath.isEmpty())
            return;
        if (SameFile(outputPath, doc->GetPathName()) || SameFile(outputPath, styleSheetPath)) {
            Warn(QStringLiteral("The output cannot replace the document or the style sheet "
                                "itself:\n%1")
                     .arg(QDir::toNativeSeparators(outputPath)));
            return;
        }
    }

    QString output;
    QString failure;
    bool failed = false;
    {
        WaitCursor wait;
        DomDocument sheet = DomDocument::Create();
        // The style sheet keeps its white space: a line break in xsl:text is all that separates
        // the lines of a text output. XSLT strips the rest of a style sheet's white space itself.
        sheet.setPreserveWhiteSpace(true);
        if (Failed(sheet.load(styleSheetPath))) {
            failed = true;
            failure = LoadFailure(sheet.parseError());
        } else if (Failed(doc->dom.transformNode(sheet, output))) {
            failed = true;
            failure = FirstLines(output.trimmed());
        }
    }
    if (failed) {
        Warn(QStringLiteral("Transformation failed!\n\n") + failure);
        return;
    }

    if (!toFile)
        outputPath = view.MakePreviewPath();
    if (!WriteOutput(outputPath, output, !toFile))
        return;
    if (toFile) {
        Prompts::Instance().MessageBox(QStringLiteral("Transformation successful!"), Caption,
            Prompts::Buttons::Ok, Prompts::Icon::Information);
    }
    if (mode != 0)
        Preview(outputPath);
}

bool XsltCommands::WriteOutput(const QString& path, const QString& text, bool preview)
{
    QString reason = QStringLiteral("No temporary file could be made.");
    if (!path.isEmpty()) {
        const qsizetype end = text.indexOf(QChar(0));
        const QStringView written = QStringView(text).left(end < 0 ? text.size() : end);
        // The output can be hundreds of megabytes: on a little-endian machine the string's own
        // code units are written, not a copy of them.
        QByteArray encoded;
        QByteArrayView units(reinterpret_cast<const char*>(written.utf16()), written.size() * 2);
        if constexpr (QSysInfo::ByteOrder != QSysInfo::LittleEndian) {
            encoded = QStringEncoder(QStringConverter::Utf16LE)(written);
            units = encoded;
        }
        // The preview file was made for this output alone: a link found in its place is
        // replaced, never followed.
        if (FileReplacer::Replace(path, { QByteArrayView("\xFF\xFE", 2), units }, reason,
                preview ? FileReplacer::Links::Replace : FileReplacer::Links::Follow))
            return true;
    }
    Warn(QStringLiteral("The output could not be written to %1.\n\n%2")
             .arg(QDir::toNativeSeparators(path.isEmpty() ? QDir::tempPath() : path), reason));
    return false;
}

void XsltCommands::Preview(const QString& path)
{
    const UserSettings& settings = view.Settings();
    if (settings.XsltPreview != 0) {
        const auto [program, arguments] = PreviewCommand(settings.XsltPreviewProgram, path);
        if (!program.isEmpty()) {
            if (!Prompts::Instance().StartProcess(program, arguments))
                Warn(QStringLiteral("The preview could not be started:\n%1")
                         .arg(settings.XsltPreviewProgram));
            return;
        }
    }
    Prompts::Instance().OpenWithDesktop(path);
}

std::pair<QString, QStringList> XsltCommands::PreviewCommand(
    const QString& setting, const QString& path)
{
    const QFileInfo whole(setting);
    if (whole.isFile() && whole.isExecutable())
        return { setting, { path } };
    QStringList parts = QProcess::splitCommand(setting);
    if (parts.isEmpty())
        return {};
    const QString program = parts.takeFirst();
    parts << path;
    return { program, parts };
}
