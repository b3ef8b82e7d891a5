#include "LoadChild.h"

#include "dom/DomDocument.h"

#include <QCoreApplication>
#include <QString>

#include <libxml/parser.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// VmHWM belongs to the process's address space after exec, so unlike the ru_maxrss a parent
// collects, it does not include the pages the child shared with its parent before exec.
long PeakResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

// Prints the figures and ends the process while the document is still loaded: freeing it
// cannot lower the peak and would only cost time.
[[noreturn]] void ReportAndExit(const Timing& timing)
{
    const long peak = PeakResidentKb();
    if (peak < 0)
        std::fprintf(stderr, "trelvo-bench: cannot read VmHWM from /proc/self/status\n");
    else
        std::printf("load_s %.6f cpu_s %.6f\npeak_kb %ld\n", timing.wall, timing.cpu, peak);
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(peak < 0 ? 1 : 0);
}

// The baseline: libxml2 alone, no Qt application object.
int LoadWithLibxml2(const char* path)
{
    xmlInitParser();
    const Stopwatch stopwatch;
    xmlDocPtr doc = xmlReadFile(path, nullptr, 0);
    const Timing timing = stopwatch.Elapsed();
    if (!doc) {
        std::fprintf(stderr, "trelvo-bench: libxml2 cannot load %s\n", path);
        return 1;
    }
    ReportAndExit(timing);
}

// Our side, in the setting of the program: a Qt application object and the DOM service.
int LoadWithDom(const char* path, int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    DomDocument document = DomDocument::Create();
    const QString filePath = QString::fromLocal8Bit(path);
    const Stopwatch stopwatch;
    const DomResult result = document.load(filePath);
    const Timing timing = stopwatch.Elapsed();
    if (Failed(result)) {
        std::fprintf(stderr, "trelvo-bench: DomDocument cannot load %s: %s", path,
            document.parseError().reason.toLocal8Bit().constData());
        return 1;
    }
    ReportAndExit(timing);
}

} // namespace

bool IsLoadChildFlag(const std::string& argument)
{
    return argument == ChildLoadLibxml2Flag || argument == ChildLoadDomFlag;
}

[[noreturn]] void RunLoadChild(const std::string& flag, const char* path, int argc, char** argv)
{
    const int status
        = flag == ChildLoadLibxml2Flag ? LoadWithLibxml2(path) : LoadWithDom(path, argc, argv);
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(status);
}

bool RunSelf(const std::vector<std::string>& arguments, std::string& output, std::string& error)
{
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        error = "cannot find the program's own file";
        return false;
    }
    self[length] = '\0';
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    std::vector<std::string> argv = { "trelvo-bench" };
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, self, &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        error = std::string("cannot start child: ") + std::strerror(spawned);
        return false;
    }
    char buffer[4096];
    ssize_t count = 0;
    while ((count = read(pipeEnds[0], buffer, sizeof buffer)) > 0 || (count < 0 && errno == EINTR))
        if (count > 0)
            output.append(buffer, static_cast<std::size_t>(count));
    close(pipeEnds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = "child " + arguments.front() + " failed";
        return false;
    }
    return true;
}

bool MeasureChildLoad(
    const char* flag, const std::string& path, ChildLoadFigures& figures, std::string& error)
{
    std::string output;
    if (!RunSelf({ flag, path }, output, error))
        return false;
    const std::size_t timeAt = output.find("load_s ");
    const std::size_t cpuAt = output.find(" cpu_s ");
    const std::size_t peakAt = output.find("peak_kb ");
    if (timeAt == std::string::npos || cpuAt == std::string::npos || peakAt == std::string::npos) {
        error = std::string("child ") + flag + " printed no figures";
        return false;
    }
    figures.timing.wall = std::strtod(output.c_str() + timeAt + 7, nullptr);
    figures.timing.cpu = std::strtod(output.c_str() + cpuAt + 7, nullptr);
    figures.peakKb = std::strtol(output.c_str() + peakAt + 8, nullptr, 10);
    return figures.peakKb > 0;
}
