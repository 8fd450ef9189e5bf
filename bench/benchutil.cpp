#include "benchutil.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <ftw.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

extern char **environ;

namespace Bench {

namespace {
bool g_allMet = true;
}

bool allGoalsMet()
{
    return g_allMet;
}

Pair alternate(int rounds, const std::function<void()> &prepare,
               const std::function<void()> &program, const std::function<void()> &baseline)
{
    std::vector<double> p, b;
    for (int r = -1; r < rounds; ++r) {
        if (prepare)
            prepare();
        const double tp = secondsOf(program);
        if (prepare)
            prepare();
        const double tb = secondsOf(baseline);
        if (r >= 0) { // the first round warms caches and is not counted
            p.push_back(tp);
            b.push_back(tb);
        }
    }
    return {median(p), median(b)};
}

void report(const char *name, const Pair &m, double goal, const std::string &note)
{
    const double ratio = m.baseline > 0 ? m.program / m.baseline : 0;
    const bool met = ratio <= goal;
    if (!met)
        g_allMet = false;
    std::printf("%-44s program %9.2f ms  baseline %9.2f ms  ratio %5.2f  (goal <= %.2f %s)%s%s\n",
                name, m.program * 1e3, m.baseline * 1e3, ratio, goal, met ? "met" : "MISSED",
                note.empty() ? "" : "  ", note.c_str());
    std::fflush(stdout);
}

Scratch::Scratch(const char *tag)
{
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/pelmora-bench-" + tag + "-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    m_path = buffer.data();
}

Scratch::~Scratch()
{
    removeTree(m_path);
}

void makeFiles(const QByteArray &folder, int count, const QByteArray &prefix, const QByteArray &suffix, size_t bytes)
{
    ::mkdir(folder.constData(), 0755);
    std::vector<char> content(bytes);
    for (size_t i = 0; i < bytes; ++i)
        content[i] = char((i * 2654435761u) >> 13);
    for (int i = 0; i < count; ++i) {
        const QByteArray path = folder + "/" + prefix + QByteArray::number(i) + suffix;
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0)
            continue;
        size_t done = 0;
        while (done < bytes) {
            const ssize_t n = ::write(fd, content.data() + done, bytes - done);
            if (n <= 0)
                break;
            done += size_t(n);
        }
        ::close(fd);
    }
}

namespace {
int removeOne(const char *path, const struct stat *, int, struct FTW *)
{
    return ::remove(path);
}
}

void removeTree(const QByteArray &path)
{
    if (!path.isEmpty())
        ::nftw(path.constData(), removeOne, 64, FTW_DEPTH | FTW_PHYS);
}

namespace {
long statusField(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, n, field) == 0)
            return std::atol(line.c_str() + n + 1) * 1024;
    return 0;
}
}

long peakRss()
{
    return statusField("VmHWM");
}

long currentRss()
{
    return statusField("VmRSS");
}

void resetPeakRss()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

double runProcess(const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    // The child's own output is not part of the results.
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace Bench
