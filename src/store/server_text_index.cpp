/*
 * The server's text index (server_text_index.h): its folding and query functions, its
 * view, table, GIN index, triggers and queries.
 *
 * Words are cut as SQLite's unicode61 tokenizer cuts them, not as the server's parser
 * would: ASCII punctuation becomes a space before parsing, else a file name would be read
 * as a host name and a folder as a file path, each one word. Accents are folded by the
 * unaccent extension where the server has it, else by a table of the Latin letters.
 * A document is made again, whole, by an AFTER trigger on any change to its text.
 */
#include "store/server_text_index.h"

#include "store/native_rows.h"

namespace kavdb::store {

using engine::Value;

namespace {

constexpr const char* kIndex = "TextIndex";
constexpr const char* kTriggerPrefix = "TextIndex_";
// A search ranks matches by weight: comment and items (A) 1, name (C) 0.5, folder (D)
// 0.25, as the file catalogue's ranking weighs its columns.
constexpr const char* kWeights = "'{0.25, 0.5, 0.5, 1.0}'";

// Folding, as one function that the documents and the queries both go through. The
// punctuation is ASCII's, each replaced by a space (translate maps by position).
#define KAVDB_PUNCTUATION                                                                          \
    "'!\"#$%&''()*+,-./:;<=>?@[\\]^_`{|}~', '"                                                     \
    "                                '"
constexpr const char* kFoldWithUnaccent =
    "CREATE OR REPLACE FUNCTION kavdb_text_fold(s text) RETURNS text LANGUAGE sql STABLE "
    "STRICT AS $$ SELECT translate(lower(unaccent(s) COLLATE \"default\"), " KAVDB_PUNCTUATION
    ") $$";
constexpr const char* kFoldByTable =
    "CREATE OR REPLACE FUNCTION kavdb_text_fold(s text) RETURNS text LANGUAGE sql IMMUTABLE "
    "STRICT AS $$ SELECT translate(translate(lower(s COLLATE \"default\"), "
    "'àáâãäåçèéêëìíîïñòóôõöùúûüýÿāăąćĉċčďēĕėęěĝğġģĥĩīĭįĵķĺļľńņňōŏőŕŗřśŝşšţťũūŭůűųŵŷźżž', "
    "'aaaaaaceeeeiiiinooooouuuuyyaaaccccdeeeeegggghiiiijklllnnnooorrrssssttuuuuuuwyzzz'),"
    " " KAVDB_PUNCTUATION ") $$";
#undef KAVDB_PUNCTUATION

// The terms (server_text_index.h) as a tsquery: each term the phrase of its words as a
// document's are cut, its last word a prefix when marked, the terms ANDed; NULL, which
// matches nothing, when no term has a word. Each word goes into the query as a quoted
// lexeme: folding left it no quote or backslash. The server's query parser recurses once
// per term and per word of a phrase, and fails some ten thousand deep: a search reads
// its first thousand terms, and the first thousand words of each.
constexpr const char* kQueryFunction =
    "CREATE OR REPLACE FUNCTION kavdb_text_query(terms text) RETURNS tsquery LANGUAGE sql "
    "STABLE STRICT AS $$ SELECT string_agg('(' || q.phrase || ')', ' & ')::tsquery FROM "
    "(SELECT t.n, string_agg('''' || w.word || '''' || CASE WHEN w.pos = w.last AND "
    "left(t.term, 1) = '*' THEN ':*' ELSE '' END, ' <-> ' ORDER BY w.pos) AS phrase FROM "
    "unnest(string_to_array(terms, chr(31))) WITH ORDINALITY AS t(term, n), LATERAL (SELECT "
    "v.lexeme AS word, p.pos, max(p.pos) OVER () AS last FROM unnest(to_tsvector('simple', "
    "kavdb_text_fold(substr(t.term, 2)))) AS v(lexeme, positions, weights), "
    "unnest(v.positions) AS p(pos) WHERE p.pos <= 1000) AS w WHERE t.n <= 1000 GROUP BY t.n) "
    "AS q $$";

/* The words of a text, folded and weighted, in SQL. */
std::string wordsOf(const std::string& text, char weight)
{
    return "setweight(to_tsvector('simple', kavdb_text_fold(coalesce(" + text + ", ''))), '" +
           weight + "')";
}

std::string viewSql(const std::vector<IndexedItem>& items)
{
    std::string written = "m.\"Comment\"";
    for (const IndexedItem& item : items) {
        written += ", " + aliasOf(item.link) + "." + quotedName(item.item);
    }
    std::string sql = "CREATE VIEW \"TextSource\" AS SELECT m.\"FieldID\", m.\"PathID\"";
    std::string joins;
    for (const IndexedItem& t : distinctTables(items)) {
        sql += ", m." + quotedName(t.link);
        joins += " LEFT JOIN " + quotedName(t.table) + " AS " + aliasOf(t.link) + " ON " +
                 aliasOf(t.link) + ".\"DataID\" = m." + quotedName(t.link);
    }
    return sql + ", " + wordsOf("m.\"Filename\"", 'C') + " || " + wordsOf("p.\"Pathname\"", 'D') +
           " || " + wordsOf("concat_ws(' ', " + written + ")", 'A') +
           " AS doc FROM \"MainTable\" AS m LEFT JOIN \"PathTable\" AS p ON p.\"PathID\" = "
           "m.\"PathID\"" +
           joins;
}

/* Makes the documents of the files of TextSource (as s) where holds again. */
std::string refreshDocuments(const std::string& where)
{
    return "INSERT INTO \"TextIndex\" (\"FieldID\", doc) SELECT s.\"FieldID\", s.doc FROM "
           "\"TextSource\" AS s WHERE " +
           where + " ON CONFLICT (\"FieldID\") DO UPDATE SET doc = excluded.doc";
}

/* A trigger named after what it watches, refreshing the documents where holds after
 * events on table, and the function it runs. */
std::vector<std::string> keepInStep(const std::string& name, const std::string& events,
                                    const std::string& table, const std::string& where)
{
    return serverTriggerSql(kTriggerPrefix + name, events, table, refreshDocuments(where) + ";");
}

/* The triggers and their functions: a file's own columns, its folder's name, and each
 * table of items (a removed row's items leave the documents too). A removed file's
 * document goes with it by the table's key. */
std::vector<std::string> triggerSql(const std::vector<IndexedItem>& items)
{
    std::string fileColumns = "\"FieldID\", \"PathID\", \"Filename\", \"Comment\"";
    for (const IndexedItem& t : distinctTables(items)) {
        fileColumns += ", " + quotedName(t.link);
    }
    std::vector<std::string> sql = keepInStep("file", "INSERT OR UPDATE OF " + fileColumns,
                                              "MainTable", "s.\"FieldID\" = new.\"FieldID\"");
    auto add = [&sql](std::vector<std::string> more) {
        sql.insert(sql.end(), more.begin(), more.end());
    };
    add(keepInStep("folder", "UPDATE OF \"Pathname\"", "PathTable",
                   "s.\"PathID\" = new.\"PathID\""));
    for (const IndexedItem& t : distinctTables(items)) {
        add(keepInStep(t.link, "UPDATE OF " + itemColumns(items, t.link) + " OR DELETE", t.table,
                       "s." + quotedName(t.link) + " IN (old.\"DataID\", new.\"DataID\")"));
    }
    return sql;
}

/* The folding the server can give: unaccent's when it has the extension or may make it
 * (a trusted extension), else the table's. */
void makeFolding(engine::Connection& c)
{
    try {
        wholeOrNothing(c, [&] { runAsWritten(c, "CREATE EXTENSION IF NOT EXISTS unaccent"); });
    } catch (const engine::EngineError&) {
        // Not installed or not allowed: the table folds the accents the catalogue meets most.
    }
    bool unaccent = countAsWritten(c, "SELECT count(*) FROM pg_proc WHERE proname = 'unaccent' "
                                      "AND pg_function_is_visible(oid)") > 0;
    runAsWritten(c, unaccent ? kFoldWithUnaccent : kFoldByTable);
}

void dropTextIndex(engine::Connection& c)
{
    dropTriggers(c, kTriggerPrefix);
    runAsWritten(c, "DROP VIEW IF EXISTS \"TextSource\"");
    runAsWritten(c, "DROP TABLE IF EXISTS \"TextIndex\"");
}

class ServerTextIndex final : public CatalogueIndex {
  public:
    ServerTextIndex() : CatalogueIndex(kIndex, "", kTriggerPrefix) {}
    void create(engine::Connection& c, const std::vector<IndexedItem>& items) const override;
    std::vector<std::string> problems(engine::Connection& c) const override;

  private:
    std::size_t triggerCount(engine::Connection&,
                             const std::vector<IndexedItem>& items) const override
    {
        return triggerSql(items).size() / 2;
    }
};

void ServerTextIndex::create(engine::Connection& c, const std::vector<IndexedItem>& items) const
{
    wholeOrNothing(c, [&] {
        dropTextIndex(c);
        makeFolding(c);
        runAsWritten(c, kQueryFunction);
        runAsWritten(c, viewSql(items));
        runAsWritten(c, "CREATE TABLE \"TextIndex\" (\"FieldID\" integer PRIMARY KEY REFERENCES "
                        "\"MainTable\" (\"FieldID\") ON DELETE CASCADE ON UPDATE CASCADE, doc "
                        "tsvector NOT NULL)");
        runAsWritten(c, "INSERT INTO \"TextIndex\" (\"FieldID\", doc) SELECT \"FieldID\", doc FROM "
                        "\"TextSource\"");
        // Made once the documents are in: one sorted build rather than an entry at a time.
        runAsWritten(c, "CREATE INDEX \"TextIndex_words\" ON \"TextIndex\" USING gin (doc)");
        for (const std::string& sql : triggerSql(items)) {
            runAsWritten(c, sql);
        }
        saveIndexItems(c, kIndex, items);
    });
}

std::vector<std::string> ServerTextIndex::problems(engine::Connection& c) const
{
    std::vector<std::string> problems = triggerProblems(c);
    countProblem(c, "SELECT count(*) FROM \"TextIndex\"", "documents",
                 "SELECT count(*) FROM \"MainTable\"", "files", problems);
    int64_t differ = countAsWritten(c, "SELECT count(*) FROM \"TextSource\" AS s LEFT JOIN "
                                       "\"TextIndex\" AS i ON i.\"FieldID\" = s.\"FieldID\" WHERE "
                                       "i.doc IS DISTINCT FROM s.doc");
    if (differ > 0) {
        problems.push_back("its words do not match the catalogue's text (" +
                           std::to_string(differ) + " documents differ)");
    }
    return problems;
}

} // namespace

const CatalogueIndex& serverTextIndex()
{
    static const ServerTextIndex index;
    return index;
}

std::vector<std::string> searchServerTextIndex(engine::Connection& c, const std::string& terms,
                                               int32_t limit)
{
    std::vector<std::string> paths;
    // No limit is LIMIT NULL: the server refuses a negative one.
    std::vector<Value> values = {Value::text(terms),
                                 limit < 0 ? Value::null() : Value::integer(limit)};
    eachRowAsWritten(
        c,
        std::string("SELECT p.\"Pathname\" || m.\"Filename\" FROM (SELECT i.\"FieldID\" "
                    "AS id, ts_rank_cd(") +
            kWeights +
            ", i.doc, q) AS r FROM \"TextIndex\" AS i, kavdb_text_query(?) AS q WHERE "
            "i.doc @@ q ORDER BY r DESC, i.\"FieldID\" LIMIT ?) AS hits JOIN "
            "\"MainTable\" AS m ON m.\"FieldID\" = hits.id JOIN \"PathTable\" AS p ON "
            "p.\"PathID\" = m.\"PathID\" ORDER BY hits.r DESC, hits.id",
        values, [&](engine::DriverStatement& stmt) {
            Value v = stmt.value(0);
            paths.push_back(v.isText() ? v.asText() : std::string());
        });
    return paths;
}

} // namespace kavdb::store
