#include "FileReplacer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <cstdio>
#include <unistd.h>
#endif

namespace {

// Small enough that a failing disk is noticed early, large enough to cost nothing.
constexpr qint64 Chunk = 1 << 20;

FileReplacer::System* installed = nullptr;

FileReplacer::System& CurrentSystem()
{
    static FileReplacer::System real;
    return installed ? *installed : real;
}

// The file a save writes: the target of a symbolic link, so that the link stays one.
QString Destination(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    return info.exists() ? info.canonicalFilePath() : info.symLinkTarget();
}

bool OpenBeside(const QString& target, QFile& file, QString& reason)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString name
            = QStringLiteral("%1.%2.tmp")
                  .arg(target, QString::number(QRandomGenerator::global()->generate(), 36));
        file.setFileName(name);
        // Unbuffered: every write reaches the system call at once, so no failure can hide in a
        // buffer that is only flushed by a close whose result nobody reads.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
            return true;
        if (QFileInfo::exists(name))
            continue;
        break;
    }
    reason = file.errorString();
    return false;
}

} // namespace

qint64 FileReplacer::System::Write(QFile& file, const char* data, qint64 size, QString& reason)
{
    const qint64 written = file.write(data, size);
    if (written < 0)
        reason = file.errorString();
    return written;
}

bool FileReplacer::System::Flush(QFile& file, QString& reason)
{
#ifdef Q_OS_WIN
    // Qt may hold only a native handle and no descriptor. NTFS allocates clusters when WriteFile
    // runs, so a full disk has failed a write before this point in any case.
    const int descriptor = file.handle();
    if (descriptor < 0 || FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor))))
        return true;
    reason = qt_error_string(int(GetLastError()));
    return false;
#else
    if (::fsync(file.handle()) == 0)
        return true;
    // Some file systems (pipes, a few FUSE ones) cannot sync at all; that is no write error.
    if (errno == EINVAL || errno == ENOTSUP)
        return true;
    reason = qt_error_string(errno);
    return false;
#endif
}

bool FileReplacer::System::Close(QFile& file, QString& reason)
{
    file.unsetError();
    file.close();
    if (file.error() == QFileDevice::NoError)
        return true;
    reason = file.errorString();
    return false;
}

bool FileReplacer::System::Rename(const QString& from, const QString& to, QString& reason)
{
#ifdef Q_OS_WIN
    const QString nativeFrom = QDir::toNativeSeparators(from);
    const QString nativeTo = QDir::toNativeSeparators(to);
    if (MoveFileExW(reinterpret_cast<const wchar_t*>(nativeFrom.utf16()),
            reinterpret_cast<const wchar_t*>(nativeTo.utf16()),
            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    reason = qt_error_string(int(GetLastError()));
#else
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    reason = qt_error_string(errno);
#endif
    return false;
}

void FileReplacer::SetSystem(System* system) { installed = system; }

bool FileReplacer::Replace(const QString& path, std::initializer_list<QByteArrayView> pieces,
    QString& reason, Links links, const ProgressFunction& progress)
{
    System& system = CurrentSystem();
    const QString target = links == Links::Follow ? Destination(path) : path;
    QFile file;
    if (!OpenBeside(target, file, reason))
        return false;
    const QFileInfo old(target);
    if (old.exists() && !old.isSymLink())
        file.setPermissions(old.permissions());

    bool ok = true;
    qint64 total = 0;
    for (const QByteArrayView bytes : pieces)
        total += bytes.size();
    qint64 sent = 0;
    for (const QByteArrayView bytes : pieces) {
        for (qint64 done = 0; ok && done < bytes.size();) {
            if (progress && !progress(sent, total)) {
                reason = QStringLiteral("The save was cancelled.");
                ok = false;
                break;
            }
            const qint64 written = system.Write(
                file, bytes.constData() + done, qMin(Chunk, bytes.size() - done), reason);
            if (written <= 0) {
                if (reason.isEmpty())
                    reason = QStringLiteral("The file system accepted no more data.");
                ok = false;
            }
            done += qMax<qint64>(written, 0);
            sent += qMax<qint64>(written, 0);
        }
    }
    ok = ok && system.Flush(file, reason);
    const bool closed = ok && system.Close(file, reason);
    if (closed && system.Rename(file.fileName(), target, reason))
        return true;
    file.close();
    QFile::remove(file.fileName());
    return false;
}
