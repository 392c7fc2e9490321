/*
 * The progress line of long commands (add, refresh, sheet, migrate): files done, total, rate and
 * time left, redrawn in place on standard error at most ten times a second. It is drawn
 * only when standard error is a terminal and --quiet was not given; otherwise it writes
 * nothing at all, so logs and pipes stay clean.
 */
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>

namespace kavdb {

/* True when a progress line should be drawn on fd. */
bool progressWanted(bool quiet, int fd);

class Progress {
  public:
    using Clock = std::chrono::steady_clock;

    /* out is written to only when enabled; unit names what is counted. */
    Progress(std::FILE* out, bool enabled, std::size_t total, std::string label,
             std::string unit = "files");
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void advance(std::size_t n = 1);
    /* Removes the line; later calls to advance draw nothing. */
    void finish();

    /* The text of one line: "label  12/200 files  30.5 files/s  0:06 left". */
    static std::string line(const std::string& label, std::size_t done, std::size_t total,
                            double seconds, const std::string& unit = "files");

  private:
    void draw(bool force);

    std::FILE* out_;
    bool enabled_;
    std::size_t total_;
    std::size_t done_ = 0;
    std::string label_;
    std::string unit_;
    Clock::time_point start_;
    Clock::time_point lastDraw_;
    bool drawn_ = false;
};

} // namespace kavdb
