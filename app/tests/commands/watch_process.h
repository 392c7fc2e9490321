/*
 * `kavdb watch` started in the background, for the watch tests and the watch benchmark:
 * its standard output is read line by line; SIGTERM ends it when the object goes.
 */
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

namespace kavdb::test {

/* Lines read from a descriptor as they come. */
struct LineReader {
    int fd = -1;
    std::string buffer;

    /* The next line, or "" when none comes within `seconds`. */
    std::string next(int seconds)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (buffer.find('\n') == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{fd, POLLIN, 0};
            char chunk[512];
            ssize_t n = 0;
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0 ||
                (n = read(fd, chunk, sizeof chunk)) <= 0)
                return "";
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
        std::string first = buffer.substr(0, buffer.find('\n'));
        buffer.erase(0, first.size() + 1);
        return first;
    }
};

/* kavdb watch running in the background, its standard output read line by line. */
class WatchProcess {
  public:
    /* args: the folders and options after "watch --settle settleMs". */
    WatchProcess(const std::string& exe, const std::string& db, std::vector<std::string> args,
                 int settleMs = 300)
    {
        args.insert(args.begin(), {exe, "--db", db, "watch", "--settle", std::to_string(settleMs)});
        int out[2], err[2];
        if (pipe(out) != 0 || pipe(err) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            dup2(err[1], 2);
            std::vector<char*> argv;
            for (std::string& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        out_.fd = out[0];
        err_.fd = err[0];
    }
    ~WatchProcess()
    {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        close(out_.fd);
        close(err_.fd);
    }

    /* Waits until the watch says it is watching (its watches are set, so a file made from
     * now on is seen); false when it does not say so within `seconds`. A slow start (a
     * sanitizer build, a loaded machine) would otherwise miss the first file. */
    bool ready(int seconds = 20)
    {
        for (std::string l = err_.next(seconds); !l.empty(); l = err_.next(seconds))
            if (l.rfind("kavdb: watching", 0) == 0)
                return true;
        return false;
    }

    /* The next line of its output, or "" when none comes within `seconds`. */
    std::string line(int seconds = 20) { return out_.next(seconds); }

  private:
    pid_t pid_ = -1;
    LineReader out_;
    LineReader err_;
};

} // namespace kavdb::test
