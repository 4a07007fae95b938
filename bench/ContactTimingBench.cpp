// Times `mt6402util test` against the simulator: start to first ";" received, to the revision, to exit.
//
// Usage: bench_contact_timing MT6402UTIL MT6402SIM [RUNS]
// Each run starts a fresh simulator (with --log, whose "rx" lines show what reached the module) and the
// tool with private settings and data folders; the figures are min / median / max over the runs.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Child {
    pid_t pid = -1;
    int out = -1; // read end of its standard output
    int err = -1; // read end of its standard error
};

// Starts the program with both output streams piped to us.
bool Spawn(const std::vector<std::string>& words, const std::vector<std::string>& extraEnvironment, Child& child)
{
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0)
        return false;
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    env.insert(env.end(), extraEnvironment.begin(), extraEnvironment.end());
    std::vector<char*> argv, envp;
    for (const std::string& w : words)
        argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", 0, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    const int result = posix_spawn(&child.pid, words[0].c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    child.out = out[0];
    child.err = err[0];
    return result == 0;
}

// Reads what is there into `buffer` and hands out complete lines.
bool ReadLines(int fd, std::string& buffer, std::vector<std::string>& lines)
{
    char chunk[4096];
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n <= 0)
        return false;
    buffer.append(chunk, static_cast<size_t>(n));
    for (size_t end; (end = buffer.find('\n')) != std::string::npos; buffer.erase(0, end + 1))
        lines.push_back(buffer.substr(0, end));
    return true;
}

struct RunTimes {
    double firstPoll = -1; // the simulator received the first ";"
    double revision = -1;  // the tool printed the revision
    double exit = -1;      // the tool ended
};

bool OneRun(const std::string& tool, const std::string& simulator, const std::string& folder, RunTimes& times)
{
    Child sim;
    if (!Spawn({simulator, "--log", "--linger-ms", "0"}, {}, sim))
        return false;
    std::string simOut, simErr;
    std::vector<std::string> simLines, simLog;
    while (simLines.empty() && ReadLines(sim.out, simOut, simLines)) {
    }
    if (simLines.empty())
        return false;
    const std::string port = simLines.front();

    const Clock::time_point start = Clock::now();
    Child run;
    if (!Spawn({tool, "--settings", folder + "/settings.conf", "test", "--port", port},
               {"XDG_CONFIG_HOME=" + folder, "XDG_DATA_HOME=" + folder}, run))
        return false;
    std::string toolOut;
    std::vector<std::string> toolLines;
    bool toolOpen = true;
    while (toolOpen) {
        pollfd fds[2] = {{run.out, POLLIN, 0}, {sim.err, POLLIN, 0}};
        if (poll(fds, 2, 20000) <= 0)
            break;
        if (fds[1].revents & POLLIN)
            ReadLines(sim.err, simErr, simLog);
        for (const std::string& line : simLog)
            if (times.firstPoll < 0 && line.find("rx \";") != std::string::npos)
                times.firstPoll = Milliseconds(Clock::now() - start);
        simLog.clear();
        if (fds[0].revents & (POLLIN | POLLHUP)) {
            toolOpen = ReadLines(run.out, toolOut, toolLines);
            for (const std::string& line : toolLines)
                if (times.revision < 0 && line.find("MT6402 revision") != std::string::npos)
                    times.revision = Milliseconds(Clock::now() - start);
            toolLines.clear();
        }
    }
    int status = 0;
    waitpid(run.pid, &status, 0);
    times.exit = Milliseconds(Clock::now() - start);
    kill(sim.pid, SIGTERM);
    waitpid(sim.pid, nullptr, 0);
    for (int fd : {run.out, run.err, sim.out, sim.err})
        close(fd);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && times.firstPoll >= 0 && times.revision >= 0;
}

void Print(const char* what, std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    std::printf("%-40s min %7.1f ms   median %7.1f ms   max %7.1f ms\n", what, values.front(),
                values[values.size() / 2], values.back());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "Usage: %s MT6402UTIL MT6402SIM [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 20;
    char folderTemplate[] = "/tmp/mt6402-contact-bench-XXXXXX";
    if (!mkdtemp(folderTemplate))
        return 1;
    const std::string folder = folderTemplate;

    std::vector<double> firstPoll, revision, exit;
    for (int i = 0; i < runs; ++i) {
        RunTimes times;
        if (!OneRun(argv[1], argv[2], folder, times)) {
            std::fprintf(stderr, "run %d failed\n", i + 1);
            return 1;
        }
        firstPoll.push_back(times.firstPoll);
        revision.push_back(times.revision);
        exit.push_back(times.exit);
    }
    std::printf("mt6402util test against mt6402sim, %d runs (from the tool's start):\n", runs);
    Print("first \";\" received by the module", firstPoll);
    Print("revision line printed", revision);
    Print("tool ended", exit);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
