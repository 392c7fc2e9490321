/*
 * Test fixture shared by unit and integration tests: a temporary directory with its own
 * kadb.ini, KAVDB_CONFIG_DIR pointing at it before the library's first call, and the
 * error handler recording every reported engine error. Uses the public header only.
 */
#pragma once

#include "kavdbmgr.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace kavdb::test {

struct ReportedError {
    std::string message;
    HRESULT code;
    std::string description;
};

/* A small configuration: three metadata tables with text, integer and binary items,
 * plus the two late tables SceneInfo and FolderInfo at positions 8 and 9 left out. */
extern const char* const kTestIni;
/* Texts and a position (the numbers Lat and Lon) in two tables, for the text and place
 * indexes. */
extern const char* const kIndexIni;

class TempDirTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    /* Writes content to dir/rel (creating folders); returns the full path. */
    std::string makeFile(const std::string& rel, const std::string& content = "x");
    std::string makeDir(const std::string& rel);
    void writeIni(const std::string& content);
    /* Sets a file's modification time to the given seconds since the epoch. */
    static void setMtime(const std::string& path, long seconds, long nanos = 0);
    /* A file's whole content ("" when it cannot be read). */
    static std::string readFile(const std::string& path);

    /* On a server run, makes path a link to a new server catalogue (support/server.h),
     * which the test drops at its end; otherwise does nothing. */
    void linkCatalogue(const std::string& path);

    std::string dir_;
    std::vector<std::string> serverCatalogues_;
    static std::vector<ReportedError>& errors();
};

/* TempDirTest plus a created and opened catalogue at dir/cat.mdb. */
class CatalogueTest : public TempDirTest {
  protected:
    void SetUp() override;
    void TearDown() override;
    /* The configuration the catalogue is created with; override to change it. */
    virtual const char* iniText() const { return kTestIni; }

    /* Registers path with the given metadata, whose tags are released afterwards. */
    HRESULT registerWith(const std::string& path, MetaDataList metas = {},
                         ImageData* image = nullptr);
    /* A file's comment, or "<none>" when it cannot be read. */
    std::string comment(const std::string& path);
    /* The paths a text or a place search finds, in its order; any answer but those found
     * or KAVDB_E_NOT_FOUND with none fails the test. */
    std::vector<std::string> searchText(const std::string& words, int32_t limit = 0);
    std::vector<std::string> searchPlace(double lat, double lon, double metres, int32_t limit = 0);
    /* ReadData of path as "Table: tags" per MetaData (describeTags), in the order given. */
    std::vector<std::string> readData(const std::string& path, HRESULT expected = S_OK);

    std::string dbPath_;
    DBHandle* db_ = nullptr;
};

/* Expects each call to give code, naming by its text any that does not. The calls are made
 * in their order before any is checked. */
// clang-format off
#define EXPECT_EACH_GIVES(code, ...) \
    ::kavdb::test::expectEach(code, #__VA_ARGS__, {__VA_ARGS__})
// clang-format on
void expectEach(HRESULT code, const std::string& calls, std::initializer_list<HRESULT> results);

/* A MetaData for a table with the given text, integer and number tags. */
MetaData makeMeta(const std::string& table,
                  const std::vector<std::pair<std::string, std::string>>& texts,
                  const std::vector<std::pair<std::string, int32_t>>& ints = {},
                  const std::vector<std::pair<std::string, double>>& numbers = {});
MetaTag textTag(const std::string& name, const std::string& value);
MetaTag binTag(const std::string& name, const std::vector<uint8_t>& bytes);
MetaTag numberTag(const std::string& name, double value);
/* Releases tags made by the helpers above (allocated with new[]). */
void releaseTestTags(MetaDataList& list);
/* A tag list as text: "Name=value" for each, the kind's value read from its buffer. */
std::string describeTags(const MetaTagList& tags);
/* Reads a tag's text or number. */
std::string tagText(const MetaTag& t);
double tagNumber(const MetaTag& t);

} // namespace kavdb::test
