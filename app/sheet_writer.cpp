/*
 * The streaming contact-sheet writer (sheet_writer.h).
 */
#include "sheet_writer.h"

#include "imaging/encode.h"
#include "imaging/vips_runtime.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace kavdb {
namespace {

void writeFile(const fs::path& path, const void* data, std::size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out)
        throw SheetError(path.string() + ": cannot write: " + std::strerror(errno));
}

void writeText(const fs::path& path, const std::string& text)
{
    writeFile(path, text.data(), text.size());
}

std::string thumbnailName(std::size_t n)
{
    char name[32];
    std::snprintf(name, sizeof name, "thumbs/%06zu.jpg", n);
    return name;
}

} // namespace

SheetWriter::SheetWriter(SheetTargets targets) : targets_(std::move(targets))
{
    if (targets_.folder.empty())
        return;
    std::error_code ec;
    fs::create_directories(fs::path(targets_.folder) / "thumbs", ec);
    if (ec)
        throw SheetError(targets_.folder + ": cannot make the sheet's folder: " + ec.message());
}

std::string SheetWriter::pngPath(int page) const
{
    fs::path path(targets_.png);
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "-%04d", page);
    return (path.parent_path() / (path.stem().string() + suffix + path.extension().string()))
        .string();
}

void SheetWriter::add(const std::string& folder, SheetEntry entry)
{
    if (inPage_ == static_cast<std::size_t>(targets_.perPage))
        closePage();
    ++photos_;
    if (!targets_.folder.empty()) {
        entry.thumbnail = thumbnailName(photos_);
        try {
            std::vector<uint8_t> jpeg =
                imaging::encodeJpeg(entry.rgb, entry.thumbWidth, entry.thumbHeight);
            writeFile(fs::path(targets_.folder) / entry.thumbnail, jpeg.data(), jpeg.size());
        } catch (const imaging::ImageError& e) {
            throw SheetError(entry.path + ": cannot write its thumbnail: " + e.what());
        }
    }
    if (targets_.png.empty())
        entry.rgb = {};
    if (folder != lastFolder_ || photos_ == 1)
        ++folders_;
    lastFolder_ = folder;
    if (current_.empty() || current_.back().folder != folder)
        current_.push_back({folder, {}});
    current_.back().entries.push_back(std::move(entry));
    ++inPage_;
}

void SheetWriter::closePage()
{
    const int page = static_cast<int>(summaries_.size()) + 1;
    if (!targets_.png.empty()) {
        pngFiles_.push_back(pngPath(page));
        try {
            writeSheetPng(current_, targets_.columns, pngFiles_.back());
        } catch (const imaging::ImageError& e) {
            throw SheetError(pngFiles_.back() + ": " + e.what());
        }
    }
    PageSummary summary{page, inPage_, {}};
    for (SheetGroup& group : current_) {
        summary.folders.push_back(group.folder);
        for (SheetEntry& entry : group.entries)
            entry.rgb = {};
    }
    summaries_.push_back(summary);
    if (!targets_.folder.empty() && page > 1)
        writeText(fs::path(targets_.folder) / pageFileName(page - 1),
                  renderPageHtml(unwritten_, targets_.title, page - 1, true));
    unwritten_ = std::move(current_);
    current_.clear();
    inPage_ = 0;
}

void SheetWriter::finish()
{
    if (inPage_ > 0)
        closePage();
    const int pages = static_cast<int>(summaries_.size());
    if (!targets_.folder.empty()) {
        if (pages > 0)
            writeText(fs::path(targets_.folder) / pageFileName(pages),
                      renderPageHtml(unwritten_, targets_.title, pages, false));
        writeText(fs::path(targets_.folder) / "index.html",
                  renderIndexHtml(summaries_, targets_.title));
    }
    if (pngFiles_.size() == 1) {
        std::error_code ec;
        fs::rename(pngFiles_.front(), targets_.png, ec);
        if (ec)
            throw SheetError(targets_.png + ": cannot write: " + ec.message());
        pngFiles_.front() = targets_.png;
    }
}

} // namespace kavdb
