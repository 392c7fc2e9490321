/*
 * Schema extension (see schema_ext.h). The statements are the Jet ones the catalogue has
 * always been extended with; the engine translates them. Only the key statement decides
 * an addition's result: the table or the column may already exist from an earlier,
 * partly completed attempt.
 */
#include "store/schema_ext.h"

#include "store/catalogue.h"
#include "store/config.h"
#include "store/direct_statement.h"
#include "store/row_ops.h"

#include <unistd.h>

#include <vector>

namespace kavdb::store {

namespace {

struct LateTable {
    const char* name;
    int32_t number;
};
constexpr LateTable kLateTables[] = {{"SceneInfo", 8}, {"FolderInfo", 9}};
constexpr const char* kSavepoint = "kavdb_add_item";

const char* sqlTypeOfKind(int kind)
{
    switch (kind) {
    case 0:
        return "LONGTEXT";
    case 1:
        return "INTEGER";
    case 2:
        return "BINARY";
    case 3:
        return "DOUBLE";
    default:
        return nullptr;
    }
}

/* "CREATE TABLE" for table k; an item lacking a name or kind, or of an unknown kind,
 * ends the item list. E_INVALIDARG when the text outgrows a statement. */
HResult createStatement(const Config& config, const std::string& table, int32_t k, std::string& sql)
{
    sql = "CREATE TABLE " + table + " (DataID AUTOINCREMENT PRIMARY KEY";
    for (int i = 1; sql.size() <= kSqlMax; ++i) {
        ItemSpec item = parseItem(config.item(k, i));
        const char* type = sqlTypeOfKind(item.kind);
        if (!item.hasFirstComma || !item.hasSecondComma || type == nullptr) {
            break;
        }
        sql += ", " + item.name + " " + type;
    }
    sql += ");";
    return sql.size() > kSqlMax ? E_INVALIDARG : S_OK;
}

/* The ".bak" twin of one kaAddItem call: made once, before the first change, and
 * removed when the call ends, whatever its outcome. */
class BackupTwin {
  public:
    explicit BackupTwin(std::string path) : path_(std::move(path)) {}
    ~BackupTwin()
    {
        if (made_) {
            ::unlink(path_.c_str());
        }
    }
    BackupTwin(const BackupTwin&) = delete;
    BackupTwin& operator=(const BackupTwin&) = delete;

    /* A twin that cannot be written does not stop the change: the savepoint is the
     * first protection, the twin only the second. */
    void make(engine::Connection& c)
    {
        if (made_) {
            return;
        }
        made_ = true;
        ::unlink(path_.c_str()); // an older twin is replaced
        try {
            c.driver().backupTo(path_);
            usable_ = true;
        } catch (const EngineError&) {
        }
    }

    void restore(engine::Connection& c)
    {
        if (usable_) {
            c.driver().restoreFrom(path_);
        }
    }

  private:
    std::string path_;
    bool made_ = false;
    bool usable_ = false;
};

/* Puts the catalogue back as it was before the savepoint (rolled back and released);
 * never raises. */
void undo(engine::Connection& c, BackupTwin& twin) noexcept
{
    try {
        c.driver().rollbackTo(kSavepoint);
    } catch (...) {
        try {
            twin.restore(c);
        } catch (...) {
            // Nothing is left to try; the addition's own failure is what the caller sees.
        }
    }
}

/* Adds table k with its look-up index. */
HResult addTable(DBHandle* h, int32_t k)
{
    HResult added = kaAddDataTableBySql(h, k);
    if (added >= 0) {
        ensureLookupIndexes(connectionOf(h));
    }
    return added;
}

/* Adds the missing tables inside one savepoint, after one twin: a failure puts the
 * catalogue back as it was before the call, not only before the table that failed. */
HResult addProtected(DBHandle* h, const std::vector<int32_t>& missing, BackupTwin& twin)
{
    return guarded(nullptr, [&] {
        engine::Connection& c = connectionOf(h);
        twin.make(c);
        c.driver().savepoint(kSavepoint);
        HResult added = S_OK;
        for (int32_t k : missing) {
            if ((added = guarded(nullptr, [&] { return addTable(h, k); })) < 0) {
                undo(c, twin);
                return added;
            }
        }
        c.driver().release(kSavepoint);
        return added;
    });
}

} // namespace

std::string backupPathOf(const std::string& path)
{
    auto nameStart = path.find_last_of("/\\");
    auto dot = path.rfind('.');
    bool hasExtension =
        dot != std::string::npos && (nameStart == std::string::npos || dot > nameStart);
    return (hasExtension ? path.substr(0, dot) : path) + ".bak";
}

HResult kaAddDataTableBySql(DBHandle* h, int32_t k)
{
    if (h == nullptr) {
        return E_INVALIDARG;
    }
    Config config = configOf(h);
    if (!config.found()) {
        return E_FAIL;
    }
    std::string table = config.tableName(k);
    std::string create;
    HResult hr = table.empty() ? S_OK : createStatement(config, table, k, create);
    if (table.empty() || hr < 0) {
        return hr;
    }
    std::string link = "DataID" + std::to_string(k);
    kaExecuteSql(h, create);
    kaExecuteSql(h, "ALTER TABLE MainTable ADD " + link + " INTEGER;");
    return kaExecuteSql(h, "ALTER TABLE MainTable ADD FOREIGN KEY (" + link + ") REFERENCES " +
                               table + "(DataID);");
}

HResult kaAddItem(DBHandle* h, const char* path)
{
    if (h == nullptr || path == nullptr || *path == '\0') {
        return E_INVALIDARG;
    }
    Config config = configOf(h);
    if (!config.found()) {
        return E_FAIL;
    }
    HResult hr = S_OK;
    std::vector<int32_t> missing;
    for (const LateTable& table : kLateTables) {
        // Asking for a row is how the catalogue has always asked whether the table exists.
        bool any = false;
        hr = kaAnyRow(h, {std::string("SELECT * FROM ") + table.name + " "}, &any);
        if (hr < 0 && !config.tableName(table.number).empty()) {
            missing.push_back(table.number);
        }
    }
    if (missing.empty()) {
        return hr < 0 ? S_OK : hr; // a table left unconfigured adds nothing
    }
    BackupTwin twin(backupPathOf(path));
    return addProtected(h, missing, twin);
}

} // namespace kavdb::store
