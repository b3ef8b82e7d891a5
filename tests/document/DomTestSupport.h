#pragma once

// Helpers shared by the DOM service tests: watching the process's own output and the network.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

// Writes bytes to name in dir; returns the file's path, or nothing on failure.
inline QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

// Runs work with the process's standard output and error sent to a file; returns what was
// written there.
template <typename Work> QByteArray CapturedOutput(Work work)
{
    QTemporaryFile file;
    if (!file.open())
        return QByteArray("<capture failed>");
    std::fflush(stdout);
    std::fflush(stderr);
    const int savedOut = dup(STDOUT_FILENO);
    const int savedErr = dup(STDERR_FILENO);
    dup2(file.handle(), STDOUT_FILENO);
    dup2(file.handle(), STDERR_FILENO);
    work();
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(savedOut, STDOUT_FILENO);
    dup2(savedErr, STDERR_FILENO);
    close(savedOut);
    close(savedErr);
    file.seek(0);
    return file.readAll();
}

// A TCP listener on the loopback interface that counts the connections made to it and closes
// each at once, so a client that does connect fails quickly instead of waiting for a reply.
class ConnectionCounter {
public:
    ConnectionCounter()
    {
        listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0
            || listen(listener, 8) != 0
            || getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        port = ntohs(address.sin_port);
        thread = std::thread([this] { Serve(); });
    }
    ~ConnectionCounter()
    {
        stop = true;
        if (thread.joinable())
            thread.join();
        if (listener >= 0)
            close(listener);
    }
    ConnectionCounter(const ConnectionCounter&) = delete;
    ConnectionCounter& operator=(const ConnectionCounter&) = delete;

    bool isListening() const { return port != 0; }
    QString url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(port).arg(path);
    }
    int connections() const { return count; }

private:
    void Serve()
    {
        while (!stop) {
            pollfd entry { listener, POLLIN, 0 };
            if (poll(&entry, 1, 20) > 0) {
                const int connection = accept(listener, nullptr, nullptr);
                if (connection >= 0) {
                    ++count;
                    close(connection);
                }
            }
        }
    }

    int listener = -1;
    int port = 0;
    std::atomic<bool> stop { false };
    std::atomic<int> count { 0 };
    std::thread thread;
};
