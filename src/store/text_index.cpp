/*
 * The FTS5 text index (text_index.h): its view, virtual table, triggers and queries.
 *
 * An external-content index must be told the old text of a document to remove it, so
 * every change that alters a document's text removes it in a BEFORE trigger (the view
 * still shows the old text) and adds it again in an AFTER trigger.
 */
#include "store/text_index.h"

#include "store/native_rows.h"
#include "store/server_text_index.h"

namespace kavdb::store {

using engine::Value;

namespace {

constexpr const char* kIndex = "TextIndex";
constexpr const char* kTriggerPrefix = "TextIndex_";
constexpr const char* kColumns = "name, folder, comment, items";
// Words written about a photo count for more than the words of its path (the engine's
// kavdb_rank, in the columns' order).
constexpr const char* kRanking = "kavdb_rank(TextIndex, 2.0, 1.0, 4.0, 4.0)";

std::string viewSql(const std::vector<IndexedItem>& items)
{
    std::string words = "''";
    for (const IndexedItem& item : items) {
        words +=
            " || ' ' || coalesce(" + aliasOf(item.link) + "." + quotedName(item.item) + ", '')";
    }
    std::string sql = "CREATE VIEW TextSource AS SELECT m.FieldID AS FieldID, m.PathID AS PathID";
    std::string joins;
    for (const IndexedItem& t : distinctTables(items)) {
        sql += ", m." + quotedName(t.link) + " AS " + quotedName(t.link);
        joins += " LEFT JOIN " + quotedName(t.table) + " AS " + aliasOf(t.link) + " ON " +
                 aliasOf(t.link) + ".DataID = m." + quotedName(t.link);
    }
    return sql + ", m.Filename AS name, p.Pathname AS folder, m.Comment AS comment, " + words +
           " AS items FROM MainTable AS m LEFT JOIN PathTable AS p ON p.PathID = m.PathID" + joins;
}

std::string addDocuments(const std::string& where)
{
    return std::string("INSERT INTO TextIndex(rowid, ") + kColumns + ") SELECT FieldID, " +
           kColumns + " FROM TextSource WHERE " + where + ";";
}

std::string removeDocuments(const std::string& where)
{
    return std::string("INSERT INTO TextIndex(TextIndex, rowid, ") + kColumns +
           ") SELECT 'delete', FieldID, " + kColumns + " FROM TextSource WHERE " + where + ";";
}

/* A BEFORE trigger removing the documents a change alters and an AFTER one adding them
 * again; `key` names the view column and `table`'s column the documents are found by. */
std::vector<std::string> changeTriggers(const std::string& name, const std::string& columns,
                                        const std::string& table, const std::string& viewKey,
                                        const std::string& key)
{
    std::string on = " UPDATE OF " + columns + " ON " + quotedName(table) + " BEGIN ";
    return {"CREATE TRIGGER " + quotedName(kTriggerPrefix + name + "_before") + " BEFORE" + on +
                removeDocuments(viewKey + " = old." + key) + " END",
            "CREATE TRIGGER " + quotedName(kTriggerPrefix + name + "_after") + " AFTER" + on +
                addDocuments(viewKey + " = new." + key) + " END"};
}

std::vector<std::string> triggerSql(const std::vector<IndexedItem>& items)
{
    std::string fileColumns = "FieldID, PathID, Filename, Comment";
    for (const IndexedItem& t : distinctTables(items)) {
        fileColumns += ", " + quotedName(t.link);
    }
    std::vector<std::string> sql = {
        "CREATE TRIGGER TextIndex_file_add AFTER INSERT ON MainTable BEGIN " +
            addDocuments("FieldID = new.FieldID") + " END",
        "CREATE TRIGGER TextIndex_file_drop BEFORE DELETE ON MainTable BEGIN " +
            removeDocuments("FieldID = old.FieldID") + " END"};
    auto add = [&sql](std::vector<std::string> more) {
        sql.insert(sql.end(), more.begin(), more.end());
    };
    add(changeTriggers("file", fileColumns, "MainTable", "FieldID", "FieldID"));
    add(changeTriggers("folder", "Pathname", "PathTable", "PathID", "PathID"));
    for (const IndexedItem& t : distinctTables(items)) {
        add(changeTriggers(t.link, itemColumns(items, t.link), t.table, quotedName(t.link),
                           "DataID"));
    }
    return sql;
}

/* The index's documents come from the view; the index itself, whose columns never
 * change, stays (dropping and making an FTS5 table again in one transaction fails its
 * commit). */
void dropTextSource(engine::Connection& c)
{
    dropTriggers(c, kTriggerPrefix);
    runNative(c, "DROP VIEW IF EXISTS TextSource");
}

class TextIndex final : public CatalogueIndex {
  public:
    TextIndex() : CatalogueIndex(kIndex, "ENABLE_FTS5", kTriggerPrefix) {}
    void create(engine::Connection& c, const std::vector<IndexedItem>& items) const override;
    std::vector<std::string> problems(engine::Connection& c) const override;

  private:
    std::size_t triggerCount(engine::Connection&,
                             const std::vector<IndexedItem>& items) const override
    {
        return triggerSql(items).size();
    }
};

void TextIndex::create(engine::Connection& c, const std::vector<IndexedItem>& items) const
{
    wholeOrNothing(c, [&] {
        dropTextSource(c);
        runNative(c, viewSql(items));
        runNative(c, std::string("CREATE VIRTUAL TABLE IF NOT EXISTS TextIndex USING fts5(") +
                         kColumns +
                         ", content='TextSource', content_rowid='FieldID', "
                         "tokenize='unicode61 remove_diacritics 2')");
        for (const std::string& sql : triggerSql(items)) {
            runNative(c, sql);
        }
        saveIndexItems(c, kIndex, items);
        runNative(c, "INSERT INTO TextIndex(TextIndex) VALUES ('rebuild')");
        // Writes the rebuilt index out now, in one segment: left for the commit, FTS5 would
        // write it through statements prepared before this call changed the schema, and the
        // commit would fail.
        runNative(c, "INSERT INTO TextIndex(TextIndex) VALUES ('optimize')");
    });
}

std::vector<std::string> TextIndex::problems(engine::Connection& c) const
{
    std::vector<std::string> problems = triggerProblems(c);
    countProblem(c, "SELECT count(*) FROM TextIndex_docsize", "documents",
                 "SELECT count(*) FROM MainTable", "files", problems);
    try { // rank 1: the documents are also compared with the text the view gives now
        runNative(c, "INSERT INTO TextIndex(TextIndex, rank) VALUES ('integrity-check', 1)");
    } catch (const engine::EngineError& e) {
        problems.push_back("its words do not match the catalogue's text (" + e.description() + ")");
    }
    return problems;
}

} // namespace

const CatalogueIndex& textIndex()
{
    static const TextIndex onFile;
    static const EngineForms index(onFile, serverTextIndex());
    return index;
}

std::vector<std::string> searchTextIndex(engine::Connection& c, const std::string& match,
                                         int32_t limit)
{
    std::vector<std::string> paths;
    std::vector<Value> values = {Value::text(match), Value::integer(limit)};
    eachNativeRow(c,
                  std::string("SELECT p.Pathname || m.Filename FROM (SELECT rowid AS id, ") +
                      kRanking +
                      " AS r FROM TextIndex WHERE TextIndex MATCH ? ORDER BY r LIMIT ?) AS "
                      "hits JOIN MainTable AS m ON m.FieldID = hits.id JOIN PathTable AS p ON "
                      "p.PathID = m.PathID ORDER BY hits.r, m.FieldID",
                  values, [&](engine::DriverStatement& stmt) {
                      Value v = stmt.value(0);
                      paths.push_back(v.isText() ? v.asText() : std::string());
                  });
    return paths;
}

} // namespace kavdb::store
