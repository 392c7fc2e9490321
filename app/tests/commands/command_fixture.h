/*
 * Running the kavdb executable in tests: a temporary directory holding the catalogue
 * (--db), a copy of the shipped kadb.ini (KAVDB_CONFIG_DIR), a way to run kavdb with
 * standard output and error captured (or on a pseudo-terminal), and a way to look into
 * the catalogue afterwards through the library's handle functions.
 */
#pragma once

#include "kavdbmgr.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kavdb::test {

using ::testing::HasSubstr;
using ::testing::Not;

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

/* The image record of a catalogued file. */
struct StoredImage {
    int width = 0;
    int height = 0;
    int bitcount = 0;
    int thumbWidth = 0;
    int thumbHeight = 0;
    std::string thumbnail; // its bytes, rows of blue, green, red padded to 4 bytes
    std::string time;      // the file time it was read at (fileTime)
};

class CommandTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    /* Runs kavdb --db <catalogue> args... (no --db of its own when args hold one),
     * standard error not a terminal; asNobody: as user "nobody". */
    RunResult kavdb(const std::vector<std::string>& args, bool asNobody = false);
    /* The same with standard output and error on a pseudo-terminal; returns what it shows. */
    RunResult kavdbOnTerminal(const std::vector<std::string>& args);
    /* The same as a user whom file permissions bind: as "nobody" when the tests run as
     * root (the temporary directory is then opened to everyone). */
    RunResult kavdbUnprivileged(const std::vector<std::string>& args);
    /* kavdb args, which must end with exit code `code` and say `says` on standard error
     * (its standard error is shown when the code is not the one expected). */
    RunResult kavdbExits(const std::vector<std::string>& args, int code,
                         const std::string& says = "");

    /* A folder in the temporary directory holding copies of the named test photos (from
     * photosDir(), or from another folder of the repository). */
    std::string copyPhotos(const std::string& folder, const std::vector<std::string>& names,
                           const std::string& from = photosDir());
    /* copyPhotos, then `kavdb add` of that folder, which must succeed. */
    std::string addPhotos(const std::string& folder, const std::vector<std::string>& names,
                          const std::string& from = photosDir());
    /* Every sample photo file name (all files of the photo folder, sorted). */
    static std::vector<std::string> samplePhotoNames();
    /* The test photo folder as the catalogue keys it: absolute and lexically normal; and the
     * repository's samples/ (the HEIC photo among them). */
    static std::string photosDir() { return normal(KAVDB_PHOTOS_DIR); }
    static std::string samplesDir() { return normal(KAVDB_SAMPLES_DIR); }
    static std::string normal(const char* dir)
    {
        return std::filesystem::absolute(dir).lexically_normal().string();
    }

    /* Opens the catalogue with the library for inspection (closed in TearDown). */
    DBHandle* catalogue();
    /* Drops the catalogue for an empty one at db_ (on a server run, a new server one). */
    void freshCatalogue();
    /* What the catalogue (or db) holds of one file (zeros and "" when it holds nothing). */
    StoredImage imageOf(const std::string& path, DBHandle* db = nullptr);
    int32_t markOf(const std::string& path);
    /* A file's comment; none when the catalogue holds no row for it. */
    std::optional<std::string> commentOf(const std::string& path);
    bool hasRow(const std::string& path) { return commentOf(path).has_value(); }
    /* A text item of a file's metadata ("" when it has none). */
    std::string metaText(const std::string& path, const char* table, const char* item);
    /* On a server run, a link file dir_/name naming a new server catalogue (its URI to
     * *uri), dropped in TearDown; returns the link's path either way. */
    std::string serverLink(const std::string& name, std::string* uri = nullptr);

    std::string dir_;
    std::string db_; // on a server run, a link file to a database of the test server

  private:
    std::vector<std::string> commandLine(const std::vector<std::string>& args) const;
    void closeCatalogue();

    DBHandle* handle_ = nullptr;
    std::vector<std::string> linked_; // server catalogues db_ and serverLink name
};

/* A file's modification time as the library's SYSTEMTIMEtoSTR writes it. */
std::string fileTime(const std::string& path);
/* text cut at every `end`. */
std::vector<std::string> lines(const std::string& text, char end = '\n');

} // namespace kavdb::test
