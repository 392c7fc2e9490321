/*
 * Test fixture implementation: temporary directories, the test configuration and the
 * recording error handler.
 */
#include "support/fixture.h"

#include "support/server.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace kavdb::test {

const char* const kTestIni =
    "[Common]\nlevel=3\n"
    "[DataTable1]\nTableName=ExifInfo\nItem1=Make,0,64,\nItem2=Model,0,64,\nItem3=ISO,1,\n"
    "Item4=Preview,2,1024,\n"
    "[DataTable2]\nTableName=Caption\nItem1=Title,0,128,\nItem2=Rating,1,\n"
    "[DataTable3]\nTableName=People\nItem1=Name,0,64,\n";

const char* const kIndexIni =
    "[Common]\nlevel=1\n"
    "[DataTable1]\nTableName=ExifInfo\nItem1=Make,0,64,\nItem2=Model,0,64,\nItem3=Lat,3,\n"
    "Item4=Lon,3,\n"
    "[DataTable2]\nTableName=Caption\nItem1=Title,0,128,\nItem2=Keywords,0,256,\n";

std::vector<ReportedError>& TempDirTest::errors()
{
    static std::vector<ReportedError> list;
    return list;
}

void TempDirTest::SetUp()
{
    char tmpl[] = "/tmp/kavdb-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    writeIni(kTestIni);
    setenv("KAVDB_CONFIG_DIR", dir_.c_str(), 1);
    errors().clear();
    KaSetErrorHandler([](const char* message, HRESULT code, const char*, const char* text) {
        errors().push_back({message ? message : "", code, text ? text : ""});
    });
}

void TempDirTest::linkCatalogue(const std::string& path)
{
    std::string uri = linkServerCatalogue(path);
    if (!uri.empty()) {
        serverCatalogues_.push_back(uri);
    }
}

void TempDirTest::TearDown()
{
    KaSetErrorHandler(nullptr);
    for (const std::string& uri : serverCatalogues_) {
        dropServerCatalogue(uri);
    }
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

std::string TempDirTest::makeFile(const std::string& rel, const std::string& content)
{
    fs::path p = fs::path(dir_) / rel;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
    return p.string();
}

std::string TempDirTest::makeDir(const std::string& rel)
{
    fs::path p = fs::path(dir_) / rel;
    fs::create_directories(p);
    return p.string();
}

void TempDirTest::writeIni(const std::string& content)
{
    std::ofstream(fs::path(dir_) / "kadb.ini", std::ios::binary) << content;
}

std::string TempDirTest::readFile(const std::string& path)
{
    std::stringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

void TempDirTest::setMtime(const std::string& path, long seconds, long nanos)
{
    struct timespec times[2] = {{seconds, nanos}, {seconds, nanos}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

void CatalogueTest::SetUp()
{
    TempDirTest::SetUp();
    writeIni(iniText());
    dbPath_ = dir_ + "/cat.mdb";
    linkCatalogue(dbPath_);
    ASSERT_EQ(KaAVDBCreate(dbPath_.c_str()), S_OK);
    ASSERT_EQ(KaAVDBOpen(dbPath_.c_str(), &db_), S_OK);
}

void CatalogueTest::TearDown()
{
    if (db_ != nullptr) {
        KaAVDBClose(db_);
    }
    TempDirTest::TearDown();
}

HRESULT CatalogueTest::registerWith(const std::string& path, MetaDataList metas, ImageData* image)
{
    HRESULT hr = KaAVDBRegisterFile(db_, path.c_str(), metas.empty() ? nullptr : &metas, image);
    releaseTestTags(metas);
    return hr;
}

std::string CatalogueTest::comment(const std::string& path)
{
    char text[8192] = {};
    return KaAVDBReadComment(db_, path.c_str(), text) == S_OK ? text : "<none>";
}

/* A search answers with what it found, or with KAVDB_E_NOT_FOUND and nothing. */
static std::vector<std::string> answered(HRESULT hr, const StringList& out, const std::string& what)
{
    EXPECT_TRUE(hr == S_OK || hr == KAVDB_E_NOT_FOUND) << what << " gave " << std::hex << hr;
    EXPECT_EQ(hr == KAVDB_E_NOT_FOUND, out.empty()) << what;
    return {out.begin(), out.end()};
}

std::vector<std::string> CatalogueTest::searchText(const std::string& words, int32_t limit)
{
    StringList out;
    return answered(KaAVDBSearchText(db_, words.c_str(), limit, &out), out, words);
}

std::vector<std::string> CatalogueTest::searchPlace(double lat, double lon, double metres,
                                                    int32_t limit)
{
    StringList out;
    return answered(KaAVDBSearchPlace(db_, lat, lon, metres, limit, &out), out, "place search");
}

std::vector<std::string> CatalogueTest::readData(const std::string& path, HRESULT expected)
{
    MetaDataList list;
    EXPECT_EQ(KaAVDBReadData(db_, path.c_str(), &list), expected) << path;
    std::vector<std::string> out;
    for (const MetaData& m : list) {
        out.push_back(std::string(m.TableName) + ": " + describeTags(m.Tags));
    }
    FreeMetaDataList(&list);
    return out;
}

void expectEach(HRESULT code, const std::string& calls, std::initializer_list<HRESULT> results)
{
    std::vector<std::string> texts(1); // the calls' texts, split at commas outside them
    int depth = 0;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        std::size_t end = i;
        if (calls[i] == '"') { // a literal, whatever it holds
            for (end = i + 1; end < calls.size() && calls[end] != '"';) {
                end += calls[end] == '\\' ? 2 : 1;
            }
        }
        depth += calls[i] == '(' || calls[i] == '{'   ? 1
                 : calls[i] == ')' || calls[i] == '}' ? -1
                                                      : 0;
        if (calls[i] == ',' && depth == 0) {
            texts.emplace_back();
        } else if (calls[i] != ' ' || !texts.back().empty()) {
            texts.back() += calls.substr(i, end - i + 1);
        }
        i = end;
    }
    ASSERT_EQ(texts.size(), results.size()) << calls;
    std::size_t n = 0;
    for (HRESULT hr : results) {
        EXPECT_EQ(hr, code) << texts[n++];
    }
}

static MetaTag newTag(const std::string& name, uint32_t type, const void* data, uint32_t size)
{
    MetaTag t{};
    std::strncpy(t.Name, name.c_str(), sizeof t.Name - 1);
    t.Type = type;
    t.Size = size;
    auto* buf = new unsigned char[size > 0 ? size : 1];
    if (size > 0) {
        std::memcpy(buf, data, size);
    }
    t.Data = buf;
    return t;
}

MetaTag textTag(const std::string& name, const std::string& value)
{
    return newTag(name, 0, value.c_str(), static_cast<uint32_t>(value.size() + 1));
}

static MetaTag intTag(const std::string& name, int32_t value)
{
    return newTag(name, 1, &value, 4);
}

MetaTag numberTag(const std::string& name, double value)
{
    return newTag(name, 3, &value, sizeof value);
}

MetaTag binTag(const std::string& name, const std::vector<uint8_t>& bytes)
{
    return newTag(name, 2, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

MetaData makeMeta(const std::string& table,
                  const std::vector<std::pair<std::string, std::string>>& texts,
                  const std::vector<std::pair<std::string, int32_t>>& ints,
                  const std::vector<std::pair<std::string, double>>& numbers)
{
    MetaData m;
    std::strncpy(m.TableName, table.c_str(), sizeof m.TableName - 1);
    for (const auto& [n, v] : texts) {
        m.Tags.push_back(textTag(n, v));
    }
    for (const auto& [n, v] : ints) {
        m.Tags.push_back(intTag(n, v));
    }
    for (const auto& [n, v] : numbers) {
        m.Tags.push_back(numberTag(n, v));
    }
    return m;
}

void releaseTestTags(MetaDataList& list)
{
    for (auto& m : list) {
        for (auto& t : m.Tags) {
            delete[] static_cast<unsigned char*>(t.Data);
            t.Data = nullptr;
        }
    }
    list.clear();
}

/* A tag's integer (kind 1) or number (kind 3) from its buffer; zero for another kind. */
template <class T> static T tagValue(const MetaTag& t, uint32_t type)
{
    T v{};
    if (t.Type == type && t.Data != nullptr) {
        std::memcpy(&v, t.Data, sizeof v);
    }
    return v;
}

std::string describeTags(const MetaTagList& tags)
{
    std::string out;
    for (const MetaTag& t : tags) {
        std::string value = t.Type == 0   ? tagText(t)
                            : t.Type == 1 ? std::to_string(tagValue<int32_t>(t, 1))
                            : t.Type == 3 ? std::to_string(tagNumber(t))
                                          : "#" + std::to_string(t.Size);
        out += std::string(out.empty() ? "" : " ") + t.Name + "=" + value;
    }
    return out;
}

std::string tagText(const MetaTag& t)
{
    return t.Type == 0 && t.Data != nullptr ? std::string(static_cast<const char*>(t.Data)) : "";
}

double tagNumber(const MetaTag& t)
{
    return tagValue<double>(t, 3);
}

} // namespace kavdb::test
