// Arbitrary bytes opened as a file and saved the way Save does: whatever loads must save, the
// saved file must load to the same DOM, and a second save must write the same bytes.

#include "DomOutline.h"
#include "ScriptedPrompts.h"
#include "TrelvoDoc.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "load_save: %s\n", what);
        std::abort();
    }
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static ScriptedPrompts prompts;
    static QTemporaryDir dir;
    // A file that does not load is the common case; its message would flood the output.
    static const QtMessageHandler quiet
        = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    (void)quiet;
    Prompts::SetInstance(&prompts);
    prompts.Clear();
    const QString original = dir.filePath(QStringLiteral("original.xml"));
    const QString first = dir.filePath(QStringLiteral("first.xml"));
    const QString second = dir.filePath(QStringLiteral("second.xml"));
    QFile::remove(first);
    QFile::remove(second);
    {
        QFile file(original);
        Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "scratch file");
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }

    TrelvoDoc doc;
    if (!doc.OnOpenDocument(original))
        return 0;
    Check(doc.OnSaveDocument(first), "a loaded document saves");
    TrelvoDoc reloaded;
    Check(reloaded.OnOpenDocument(first), "the saved file loads");
    Check(Outline(reloaded.dom.documentNode()) == Outline(doc.dom.documentNode()),
        "the saved file loads to the same DOM");
    Check(reloaded.OnSaveDocument(second), "the saved file saves again");
    Check(ReadFile(second) == ReadFile(first), "a second save writes the same bytes");
    prompts.Clear();
    return 0;
}
