/*
 * The progress line (progress.h). "\r" returns to the start of the line and "ESC [K"
 * clears what a longer earlier line left behind.
 */
#include "progress.h"

#include <unistd.h>

#include <cmath>

namespace kavdb {
namespace {

constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

std::string clockText(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        return "--:--";
    long s = std::lround(seconds);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

} // namespace

bool progressWanted(bool quiet, int fd)
{
    return !quiet && isatty(fd) == 1;
}

Progress::Progress(std::FILE* out, bool enabled, std::size_t total, std::string label,
                   std::string unit)
    : out_(out), enabled_(enabled && out != nullptr), total_(total), label_(std::move(label)),
      unit_(std::move(unit)), start_(Clock::now()), lastDraw_(start_)
{
}

Progress::~Progress()
{
    finish();
}

void Progress::advance(std::size_t n)
{
    done_ += n;
    draw(done_ >= total_);
}

void Progress::finish()
{
    if (enabled_ && drawn_) {
        std::fputs("\r\x1b[K", out_);
        std::fflush(out_);
    }
    enabled_ = false;
}

std::string Progress::line(const std::string& label, std::size_t done, std::size_t total,
                           double seconds, const std::string& unit)
{
    double rate = seconds > 0 ? done / seconds : 0.0;
    double left = rate > 0 ? (total > done ? total - done : 0) / rate : -1.0;
    char text[256];
    std::snprintf(text, sizeof text, "%s  %zu/%zu %s  %.1f %s/s  %s left", label.c_str(), done,
                  total, unit.c_str(), rate, unit.c_str(), clockText(left).c_str());
    return text;
}

void Progress::draw(bool force)
{
    if (!enabled_)
        return;
    auto now = Clock::now();
    if (!force && now - lastDraw_ < kRedrawEvery)
        return;
    lastDraw_ = now;
    double seconds = std::chrono::duration<double>(now - start_).count();
    std::fprintf(out_, "\r%s\x1b[K", line(label_, done_, total_, seconds, unit_).c_str());
    std::fflush(out_);
    drawn_ = true;
}

} // namespace kavdb
