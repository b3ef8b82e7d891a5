#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <initializer_list>

class QFile;

// Replaces a file's content atomically: the bytes go to a new file beside it, every write, the
// flush to disk and the close are checked, and only then is the new file renamed over the old
// one. A failure at any step removes the new file and leaves the old one as it was.
class FileReplacer {
public:
    // The system calls a replacement is made of. Tests install one that fails at a chosen step.
    class System {
    public:
        virtual ~System() = default;
        // Writes up to size bytes; the count written (which may be fewer), or -1 with reason.
        virtual qint64 Write(QFile& file, const char* data, qint64 size, QString& reason);
        // Forces the written data to the disk.
        virtual bool Flush(QFile& file, QString& reason);
        virtual bool Close(QFile& file, QString& reason);
        // Renames from over an existing to.
        virtual bool Rename(const QString& from, const QString& to, QString& reason);
    };

    // Installs the system calls Replace uses; null restores the real ones. The caller keeps
    // ownership.
    static void SetSystem(System* system);

    // What happens to a symbolic link at the path: Follow replaces its target and the link
    // stays; Replace puts the new file in the link's place and leaves the target alone.
    enum class Links { Follow, Replace };

    // Told the bytes written and the total between writes; false stops the replacement, which
    // then fails like any other.
    using ProgressFunction = std::function<bool(qint64 done, qint64 total)>;

    // The replaced file's permissions are kept. False with reason when the file is unchanged.
    static bool Replace(const QString& path, const QByteArray& bytes, QString& reason,
        Links links = Links::Follow, const ProgressFunction& progress = {})
    {
        return Replace(path, { QByteArrayView(bytes) }, reason, links, progress);
    }
    // The same with the content in pieces, written one after the other.
    static bool Replace(const QString& path, std::initializer_list<QByteArrayView> pieces,
        QString& reason, Links links = Links::Follow, const ProgressFunction& progress = {});
};
