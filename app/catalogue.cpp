/*
 * The catalogue wrapper (catalogue.h). Every call clears the captured engine description,
 * calls one facade function, and returns its code with whatever description the library
 * reported meanwhile. Lists the library fills are copied out and released here.
 */
#include "catalogue.h"

#include "catalogue_records.h"
#include "result_words.h"

#include <cstdio>
#include <exception>

namespace kavdb {
namespace {

/* Room for a comment read back; comments written by kavdb are kept well below it. */
constexpr std::size_t kCommentRoom = 1 << 20;
/* The library writes configuration texts whole into buffers of at least this size. */
constexpr std::size_t kConfigTextRoom = 128;

std::string& engineDetail()
{
    static std::string detail;
    return detail;
}

/* The first error reported during a call is its cause; later ones only say which steps
 * gave up because of it. */
void captureEngineError(const char* message, HRESULT, const char*, const char* description)
{
    if (!engineDetail().empty())
        return;
    std::string text = description && *description ? description : (message ? message : "");
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    engineDetail() = text;
}

void printDiagnostic(const char* text)
{
    std::fprintf(stderr, "kavdb: %s\n", text);
}

/* Runs one library call and pairs its code with the description reported during it. */
template <typename Call> Outcome call(Call&& libraryCall)
{
    engineDetail().clear();
    Outcome outcome;
    outcome.code = libraryCall();
    if (!outcome.ok())
        outcome.detail = engineDetail();
    return outcome;
}

/* A search's paths appended to out, with "no match" as success. */
template <typename Search> Outcome searchPaths(Search&& search, std::vector<std::string>& out)
{
    StringList list;
    Outcome outcome = call([&] { return search(&list); });
    if (outcome.is(KAVDB_E_NOT_FOUND))
        outcome = Outcome{};
    out.insert(out.end(), list.begin(), list.end());
    return outcome;
}

StringList toStringList(const std::vector<std::string>& paths)
{
    return StringList(paths.begin(), paths.end());
}

struct ImageWalk {
    const ImageVisitor* visit;
    std::exception_ptr failure;
};

int32_t onImageRead(int32_t status, void* context, ImageReadRecord* record)
{
    auto* walk = static_cast<ImageWalk*>(context);
    try {
        const bool found = status == 1;
        ImageRecord image = found ? records::copyImage(record->Image) : ImageRecord{};
        if (record->Image.Thumbnail)
            FreeImageData(&record->Image);
        (*walk->visit)(static_cast<std::size_t>(record->Index - 1), found ? &image : nullptr);
        return 0;
    } catch (...) {
        walk->failure = std::current_exception(); // never across the library's frames
        return 1;
    }
}

} // namespace

std::string Outcome::words() const
{
    std::string text = resultWords(code);
    if (!detail.empty())
        text += " (" + detail + ")";
    return text;
}

std::unique_ptr<Catalogue> Catalogue::open(const std::string& path, Outcome& outcome)
{
    KaSetErrorHandler(captureEngineError);
    KaSetDiagnosticHandler(printDiagnostic);
    outcome = call([&] { return KaDBSVInitDatabase(path.c_str()); });
    if (!outcome.ok())
        return nullptr;
    return std::unique_ptr<Catalogue>(new Catalogue());
}

Catalogue::~Catalogue()
{
    KaDBSVExitDatabase();
}

Outcome Catalogue::enrollFolder(const std::string& folder)
{
    return call([&] { return KaDBSVEnrollFolder(folder.c_str()); });
}

Outcome Catalogue::enrollFile(const std::string& path)
{
    return call([&] { return KaDBSVEnrollFile(path.c_str(), nullptr); });
}

Outcome Catalogue::enrollImage(const std::string& path, const ImageRecord& image)
{
    ImageData data = records::borrowImage(image);
    return call([&] { return KaDBSVEnrollImage(path.c_str(), &data); });
}

Outcome Catalogue::deleteFile(const std::string& path)
{
    return call([&] { return KaDBSVDeleteFile(path.c_str()); });
}

Outcome Catalogue::deleteFolder(const std::string& folder)
{
    return call([&] { return KaDBSVDeleteFolder(folder.c_str()); });
}

Outcome Catalogue::moveFile(const std::string& from, const std::string& to, bool keepMark)
{
    return call([&] { return KaDBSVMoveFile(from.c_str(), to.c_str(), keepMark ? 1 : 0); });
}

Outcome Catalogue::copyFile(const std::string& from, const std::string& to, bool keepMark)
{
    return call([&] { return KaDBSVCopyFile(from.c_str(), to.c_str(), keepMark ? 1 : 0); });
}

Outcome Catalogue::readImage(const std::string& path, ImageRecord& out)
{
    ImageData data{};
    Outcome outcome = call([&] { return KaDBSVReadImage(path.c_str(), &data); });
    out = records::copyImage(data);
    if (data.Thumbnail)
        FreeImageData(&data);
    return outcome;
}

Outcome Catalogue::updateImage(const std::string& path, const ImageRecord& image)
{
    ImageData data = records::borrowImage(image);
    return call([&] { return KaDBSVUpdateImage(path.c_str(), &data); });
}

Outcome Catalogue::readImages(const std::vector<std::string>& paths, const ImageVisitor& visit)
{
    StringList list = toStringList(paths);
    ImageWalk walk{&visit, nullptr};
    Outcome outcome = call([&] { return KaDBSVReadImages(&walk, &list, onImageRead); });
    if (walk.failure)
        std::rethrow_exception(walk.failure);
    return outcome;
}

Outcome Catalogue::writeItems(const std::string& path, const TableItems& items)
{
    MetaDataList list;
    records::borrowItems(items, list);
    return call([&] { return KaDBSVUpdateFile(path.c_str(), &list); });
}

Outcome Catalogue::writeItems(const std::string& path, const std::vector<TableItems>& tables)
{
    MetaDataList list;
    for (const TableItems& items : tables)
        records::borrowItems(items, list);
    return call([&] { return KaDBSVUpdateFile(path.c_str(), &list); });
}

Outcome Catalogue::readItems(const std::string& path, std::vector<TableItems>& out)
{
    MetaDataList list;
    Outcome outcome = call([&] { return KaDBSVReadFile(path.c_str(), &list); });
    for (const MetaData& data : list)
        out.push_back(records::copyItems(data));
    if (!list.empty())
        FreeMetaDataList(&list);
    return outcome;
}

Outcome Catalogue::readComment(const std::string& path, std::string& out)
{
    std::string buffer(kCommentRoom, '\0');
    char* text = buffer.data();
    Outcome outcome = call([&] { return KaDBSVReadComment(path.c_str(), &text); });
    out = outcome.ok() ? std::string(buffer.c_str()) : std::string();
    return outcome;
}

Outcome Catalogue::writeComment(const std::string& path, const std::string& text)
{
    return call([&] { return KaDBSVUpdateComment(path.c_str(), text.c_str()); });
}

Outcome Catalogue::readMark(const std::string& path, int32_t& mark)
{
    mark = 0;
    return call([&] { return KaDBSVGetCheck(path.c_str(), &mark); });
}

Outcome Catalogue::writeMark(const std::string& path, int32_t mark)
{
    return call([&] { return KaDBSVSetCheck(path.c_str(), mark); });
}

Outcome Catalogue::refreshFolder(const std::string& folder, int32_t mode)
{
    return call([&] { return KaDBSVRefreshFolder(folder.c_str(), mode); });
}

Outcome Catalogue::refreshAll(int32_t mode)
{
    return call([&] { return KaDBSVRefreshAll(mode); });
}

Outcome Catalogue::query(const std::string& sql, std::vector<std::string>& paths)
{
    return searchPaths([&](StringList* list) { return KaDBSVQuery(sql.c_str(), list); }, paths);
}

Outcome Catalogue::count(const std::string& sql, int32_t& n)
{
    n = 0;
    Outcome outcome = call([&] { return KaDBSVGetCountSQL(sql.c_str(), &n); });
    if (outcome.is(KAVDB_E_NOT_FOUND)) {
        outcome = Outcome{};
        n = 0;
    }
    return outcome;
}

Outcome Catalogue::fileList(const std::string& sql, bool namesOnly, std::vector<std::string>& out)
{
    StringList list;
    Outcome outcome =
        call([&] { return KaDBSVGetQueryFileList(sql.c_str(), &list, namesOnly ? 1 : 0); });
    out.insert(out.end(), list.begin(), list.end());
    return outcome;
}

Outcome Catalogue::execute(const std::string& sql)
{
    return call([&] { return KaDBSVExecuteSQL(sql.c_str()); });
}

Outcome Catalogue::createTextIndex(const std::vector<std::string>& items)
{
    StringList list = toStringList(items);
    return call([&] { return KaDBSVCreateTextIndex(&list); });
}

Outcome Catalogue::refreshStatistics()
{
    return call([] { return KaDBSVRefreshStatistics(); });
}

Outcome Catalogue::createPlaceIndex(const std::string& table, const std::string& latitude,
                                    const std::string& longitude)
{
    return call(
        [&] { return KaDBSVCreatePlaceIndex(table.c_str(), latitude.c_str(), longitude.c_str()); });
}

Outcome Catalogue::searchText(const std::string& text, int32_t limit,
                              std::vector<std::string>& paths)
{
    return searchPaths(
        [&](StringList* list) { return KaDBSVSearchText(text.c_str(), limit, list); }, paths);
}

Outcome Catalogue::searchPlace(double latitude, double longitude, double metres, int32_t limit,
                               std::vector<std::string>& paths)
{
    return searchPaths(
        [&](StringList* list) {
            return KaDBSVSearchPlace(latitude, longitude, metres, limit, list);
        },
        paths);
}

Outcome Catalogue::check(bool repair, std::vector<std::string>& report, int32_t& problems)
{
    StringList list;
    problems = 0;
    Outcome outcome = call([&] { return KaDBSVCheck(repair ? 1 : 0, &list, &problems); });
    report.assign(list.begin(), list.end());
    return outcome;
}

Outcome Catalogue::backup(const std::string& path, std::vector<std::string>& report)
{
    StringList list;
    Outcome outcome = call([&] { return KaDBSVBackup(path.c_str(), &list); });
    report.assign(list.begin(), list.end());
    return outcome;
}

Outcome copyCatalogue(const std::string& source, const std::string& destination,
                      std::vector<std::string>& report, const CopyProgress& progress)
{
    StringList list;
    auto tell = [](void* context, const char* table, int64_t done, int64_t total) {
        (*static_cast<const CopyProgress*>(context))(table, done, total);
    };
    Outcome outcome = call([&] {
        return KaAVDBCopyCatalogue(source.c_str(), destination.c_str(), &list, tell,
                                   const_cast<CopyProgress*>(&progress));
    });
    report.assign(list.begin(), list.end());
    return outcome;
}

Outcome readConfiguration(std::vector<ConfiguredItem>& out)
{
    int32_t total = 0;
    Outcome outcome = call([&] { return KaAVDBGetDataTotalNum(&total); });
    for (int32_t i = 1; outcome.ok() && i <= total; ++i) {
        char table[kConfigTextRoom] = {};
        char item[kConfigTextRoom] = {};
        ConfiguredItem entry;
        outcome = call([&] { return KaAVDBGetData(i, table, item, &entry.type, &entry.size); });
        entry.table = table;
        entry.name = item;
        if (outcome.ok())
            out.push_back(entry);
    }
    return outcome;
}

bool fileUpdateTime(const std::string& path, SYSTEMTIME& out)
{
    return GetFileUpdateTM(path.c_str(), &out) != -1;
}

std::string timeText(const SYSTEMTIME& t)
{
    char text[64] = {};
    SYSTEMTIMEtoSTR(t, text);
    return text;
}

} // namespace kavdb
