/*
 * Reliability test helpers.
 */
#include "reliability/reliability_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>

namespace kavdb::test {

std::vector<std::string> queryColumn(DBHandle* h, const std::string& sql)
{
    StringList rows;
    std::vector<std::string> out;
    if (KaAVDBGetQueryFileList(h, sql.c_str(), &rows, 1) == S_OK) {
        out.assign(rows.begin(), rows.end());
    }
    FreeStringList(&rows);
    return out;
}

std::string integrity(DBHandle* h)
{
    auto rows = queryColumn(h, "SELECT integrity_check AS Filename FROM pragma_integrity_check()");
    return rows.size() == 1 ? rows[0] : "failed: " + std::to_string(rows.size()) + " rows";
}

int danglingKeys(DBHandle* h, int tables)
{
    int n = static_cast<int>(queryColumn(h, "SELECT Filename FROM MainTable WHERE PathID NOT IN "
                                            "(SELECT PathID FROM PathTable)")
                                 .size());
    static const char* names[] = {"ExifInfo", "Caption", "People"};
    for (int k = 1; k <= tables && k <= 3; ++k) {
        std::string sql = "SELECT Filename FROM MainTable WHERE DataID" + std::to_string(k) +
                          " IS NOT NULL AND DataID" + std::to_string(k) +
                          " NOT IN (SELECT DataID FROM " + names[k - 1] + ")";
        n += static_cast<int>(queryColumn(h, sql).size());
    }
    return n;
}

Child startChild(const std::function<void(const std::function<void(int)>&)>& body)
{
    int fds[2];
    if (pipe(fds) != 0) {
        return {};
    }
    int pid = fork();
    if (pid == 0) {
        close(fds[0]);
        body([fd = fds[1]](int step) {
            if (write(fd, &step, sizeof step) != sizeof step) {
                _exit(3);
            }
        });
        _exit(0);
    }
    close(fds[1]);
    return {pid, fds[0]};
}

std::vector<int> collect(Child& child, int* status)
{
    std::vector<int> steps;
    int step = 0;
    while (read(child.readFd, &step, sizeof step) == sizeof step) {
        steps.push_back(step);
    }
    close(child.readFd);
    int st = 0;
    waitpid(child.pid, &st, 0);
    if (status != nullptr) {
        *status = st;
    }
    return steps;
}

long residentKiB()
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

} // namespace kavdb::test
