#pragma once

#include <QString>
#include <QStringList>

class AppSettings;

// The most recently used files, newest first, kept to a fixed number of entries and stored in
// the settings section "Recent File List" as "File1", "File2", ...
class RecentFileList {
public:
    explicit RecentFileList(int maxSize = 4);

    // Puts path at the top; an entry already in the list moves there instead of repeating.
    void Add(const QString& path);
    void Remove(int index);
    int Count() const { return int(entries.size()); }
    int MaxSize() const { return maxSize; }
    QString At(int index) const { return entries.value(index); }
    const QStringList& Entries() const { return entries; }

    // The menu text of an entry: "&1 name", with the name as DisplayName gives it.
    QString MenuText(int index) const;
    // The file name alone for a file in currentDir; otherwise the full path, shortened in the
    // middle with "..." when longer than maxLength, always keeping the file name.
    static QString DisplayName(const QString& path, const QString& currentDir, int maxLength);

    void Load(AppSettings& settings);
    void Save(AppSettings& settings) const;

private:
    int maxSize;
    QStringList entries;
};
