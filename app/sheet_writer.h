/*
 * Writing a contact sheet as its photos arrive, folder after folder, so that only one
 * page's thumbnails are ever held in memory: each thumbnail goes to its file at once, a
 * page's PNG is drawn when the page is full, and a page's HTML is written once the next
 * page has begun (so that it knows whether to link to one). The HTML sheet is one folder:
 * index.html, page-0001.html, ..., and thumbs/.
 */
#pragma once

#include "sheet.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace kavdb {

/* A sheet file that could not be written: the message names it and says why. */
class SheetError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct SheetTargets {
    std::string folder; // the HTML sheet's folder; empty for none
    std::string png;    // FILE.png; more than one page gives FILE-0001.png, ...; empty for none
    int columns = 6;
    int perPage = 200;
    std::string title = "kavdb contact sheet";
};

class SheetWriter {
  public:
    /* Makes the sheet's folder; throws SheetError. */
    explicit SheetWriter(SheetTargets targets);

    /* One photo of a folder; photos of one folder come together. Throws SheetError. */
    void add(const std::string& folder, SheetEntry entry);
    /* The last page and the index. Throws SheetError. */
    void finish();

    std::size_t photos() const { return photos_; }
    std::size_t folders() const { return folders_; }
    const std::vector<PageSummary>& pages() const { return summaries_; }
    const std::vector<std::string>& pngFiles() const { return pngFiles_; }

  private:
    void closePage();
    std::string pngPath(int page) const;

    SheetTargets targets_;
    std::vector<SheetGroup> current_;
    std::size_t inPage_ = 0;
    std::vector<SheetGroup> unwritten_; // the previous page, waiting for its HTML
    std::vector<PageSummary> summaries_;
    std::vector<std::string> pngFiles_;
    std::size_t photos_ = 0;
    std::size_t folders_ = 0;
    std::string lastFolder_;
};

} // namespace kavdb
