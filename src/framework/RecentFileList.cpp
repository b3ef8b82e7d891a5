#include "RecentFileList.h"

#include "AppSettings.h"

#include <QDir>
#include <QFileInfo>

namespace {
QString Section() { return QStringLiteral("Recent File List"); }

QString Entry(int index) { return QStringLiteral("File%1").arg(index + 1); }

QString Normalized(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}
}

RecentFileList::RecentFileList(int size)
    : maxSize(size)
{
}

void RecentFileList::Add(const QString& path)
{
    if (path.isEmpty())
        return;
    const QString normalized = Normalized(path);
    // Linux file names differ by case, so two paths that differ only by case are two files.
    entries.removeAll(normalized);
    entries.prepend(normalized);
    while (entries.size() > maxSize)
        entries.removeLast();
}

void RecentFileList::Remove(int index)
{
    if (index >= 0 && index < entries.size())
        entries.removeAt(index);
}

QString RecentFileList::MenuText(int index) const
{
    QString name = DisplayName(At(index), QDir::currentPath(), 30);
    name.replace(u'&', QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(name);
}

QString RecentFileList::DisplayName(const QString& path, const QString& currentDir, int maxLength)
{
    const QFileInfo file(path);
    if (QDir::cleanPath(file.absolutePath()) == QDir::cleanPath(currentDir))
        return file.fileName();
    const QString full = QDir::toNativeSeparators(path);
    if (full.size() <= maxLength)
        return full;
    // Keep the root folder and as many trailing folders as fit, replacing the rest by "...".
    const QStringList parts = full.split(QDir::separator());
    if (parts.size() < 3)
        return full;
    const QString head = parts.first() + QDir::separator() + QStringLiteral("...");
    QString tail = QDir::separator() + parts.last();
    for (qsizetype i = parts.size() - 2; i > 0; --i) {
        const QString longer = QDir::separator() + parts[i] + tail;
        if (head.size() + longer.size() > maxLength)
            break;
        tail = longer;
    }
    return head + tail;
}

void RecentFileList::Load(AppSettings& settings)
{
    entries.clear();
    for (int i = 0; i < maxSize; ++i) {
        const QString path = settings.GetProfileString(Section(), Entry(i));
        if (!path.isEmpty() && !entries.contains(path))
            entries.append(path);
    }
}

void RecentFileList::Save(AppSettings& settings) const
{
    settings.RemoveSection(Section());
    for (int i = 0; i < entries.size(); ++i)
        settings.WriteProfileString(Section(), Entry(i), entries[i]);
}
