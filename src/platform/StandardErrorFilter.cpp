#include "platform/StandardErrorFilter.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

int savedStandardError = -1;
pid_t filterProcess = -1;

bool writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

// Every descriptor but the two the filter uses is closed, so the filter holds no file, lock or
// socket of the program's.
void closeOtherDescriptors(int keepA, int keepB)
{
    std::vector<int> open;
    if (DIR *dir = ::opendir("/proc/self/fd")) {
        while (const dirent *entry = ::readdir(dir)) {
            const int fd = std::atoi(entry->d_name);
            if (entry->d_name[0] != '.' && fd != keepA && fd != keepB && fd != ::dirfd(dir))
                open.push_back(fd);
        }
        ::closedir(dir);
    }
    for (const int fd : open)
        ::close(fd);
}

// The filter: lines from `in` go to `out` unless they are library noise; a last line without its
// newline goes out at the end. Ends when the program's side is closed.
[[noreturn]] void runFilter(int in, int out)
{
    // A terminal's Ctrl+C or a kill of the program must not take the filter first: it ends when
    // its input does, after forwarding everything.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGTERM, SIG_IGN);
    std::signal(SIGHUP, SIG_IGN);
    std::string pending;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        pending.append(buffer, size_t(n));
        size_t start = 0;
        for (size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
            if (!isLibraryNoiseLine(pending.data() + start, end - start))
                writeAll(out, pending.data() + start, end - start + 1);
        }
        pending.erase(0, start);
    }
    if (!pending.empty() && !isLibraryNoiseLine(pending.data(), pending.size()))
        writeAll(out, pending.data(), pending.size());
    ::_exit(0);
}

// Hands standard error back and gives the filter a moment to forward all it was given. It ends
// once every writer has let go; a program this one started (a file manager opened through the
// desktop) may keep writing through it for longer, and is not waited for.
void restoreStandardError()
{
    if (filterProcess < 0)
        return;
    std::fflush(stderr);
    ::dup2(savedStandardError, STDERR_FILENO);
    ::close(savedStandardError);
    for (int i = 0; i < 100; ++i) {
        int status = 0;
        const pid_t ended = ::waitpid(filterProcess, &status, WNOHANG);
        if (ended != 0 && !(ended < 0 && errno == EINTR))
            break;
        ::usleep(10000);
    }
    filterProcess = -1;
}

} // namespace

bool isLibraryNoiseLine(const char *line, unsigned long length)
{
    for (const char *prefix : {"libpng error: ", "libpng warning: "}) {
        const size_t size = std::strlen(prefix);
        if (length >= size && std::memcmp(line, prefix, size) == 0)
            return true;
    }
    return false;
}

void filterLibraryLinesFromStandardError()
{
    if (filterProcess >= 0)
        return;
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return;
    const int original = ::dup(STDERR_FILENO);
    if (original < 0) {
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        return;
    }
    std::fflush(stderr);
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(original);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        return;
    }
    if (child == 0) {
        closeOtherDescriptors(pipeEnds[0], original);
        runFilter(pipeEnds[0], original);
    }
    ::close(pipeEnds[0]);
    ::dup2(pipeEnds[1], STDERR_FILENO);
    ::close(pipeEnds[1]);
    ::fcntl(original, F_SETFD, FD_CLOEXEC);
    savedStandardError = original;
    filterProcess = child;
    std::atexit(restoreStandardError);
}

} // namespace platform
