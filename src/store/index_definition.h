/*
 * What the catalogue's own indexes (text, place) are made of: the items each one reads,
 * kept in the catalogue (IndexItems) so that an index can be made again from the file
 * alone, by a repair or another program, and so that its triggers can be checked.
 */
#pragma once

#include "store/engine/connection.h"

#include <functional>
#include <string>
#include <vector>

namespace kavdb::store {

/* One metadata item an index reads, and the MainTable column that links a file to its
 * row. */
struct IndexedItem {
    std::string table;
    std::string item;
    std::string link;
    bool operator==(const IndexedItem&) const = default;
};

/* The items' tables, each once (one item of each, by its link), in the items' order. */
std::vector<IndexedItem> distinctTables(const std::vector<IndexedItem>& items);
/* The quoted names of the items of the link's table, apart by commas. */
std::string itemColumns(const std::vector<IndexedItem>& items, const std::string& link);
/* The name a statement gives the table of the link. */
std::string aliasOf(const std::string& link);

/* Replaces the items stored for the index. */
void saveIndexItems(engine::Connection& c, const std::string& index,
                    const std::vector<IndexedItem>& items);
/* The names of the catalogue's triggers starting with prefix. */
std::vector<std::string> triggersNamed(engine::Connection& c, const std::string& prefix);
/* Drops every trigger starting with prefix (on a server, with the functions of that
 * prefix they run). */
void dropTriggers(engine::Connection& c, const std::string& prefix);
/* The statements of an index's server form, run as written (engine::kAsWritten): their
 * own names and their functions' bodies are spelled exactly, and a catalogue's names
 * (an item named "Returns") must not respell them. As runNative, nativeCount and
 * eachNativeRow. */
void runAsWritten(engine::Connection& c, const std::string& sql);
int64_t countAsWritten(engine::Connection& c, const std::string& sql);
void eachRowAsWritten(engine::Connection& c, const std::string& sql,
                      const std::vector<engine::Value>& values,
                      const std::function<void(engine::DriverStatement&)>& visit);
/* The catalogue is held by a server (PostgreSQL), not in a file. */
bool onServer(engine::Connection& c);
/* A server's row trigger and the PL/pgSQL function it runs, both named name: body's
 * statements (each ended) after events on table. */
std::vector<std::string> serverTriggerSql(const std::string& name, const std::string& events,
                                          const std::string& table, const std::string& body);

/* One of the catalogue's own indexes as the operations that make, check and search them
 * see it; text_index.h and place_index.h give the two there are, each in one form for
 * SQLite and one for a server (EngineForms). */
class CatalogueIndex {
  public:
    virtual ~CatalogueIndex() = default;

    /* Makes the index of items, replacing any there, whole or not at all. */
    virtual void create(engine::Connection& c, const std::vector<IndexedItem>& items) const = 0;
    /* What is wrong with the index; empty when it is sound. */
    virtual std::vector<std::string> problems(engine::Connection& c) const = 0;

    /* The engine has what the index needs. */
    bool available(engine::Connection& c) const;
    /* The catalogue holds the index. */
    bool present(engine::Connection& c) const;
    /* The items the index was made of; empty when there is none. */
    std::vector<IndexedItem> items(engine::Connection& c) const;
    /* The index is there, made of items, with every trigger that keeps it in step. */
    bool madeOf(engine::Connection& c, const std::vector<IndexedItem>& items) const;

  protected:
    /* The index's table, the engine's compile option it needs, the prefix of its
     * triggers' names. */
    CatalogueIndex(const char* table, const char* module, const char* triggerPrefix)
        : table_(table), module_(module), triggerPrefix_(triggerPrefix)
    {
    }
    /* How many triggers keep an index of items in step on c's engine. */
    virtual std::size_t triggerCount(engine::Connection& c,
                                     const std::vector<IndexedItem>& items) const = 0;
    /* "its triggers are missing" when some are; for problems(). */
    std::vector<std::string> triggerProblems(engine::Connection& c) const;
    /* "it holds N entries for M rows" when the index's count (entriesSql) is not the
     * catalogue's (rowsSql); for problems(). */
    static void countProblem(engine::Connection& c, const char* entriesSql, const char* entries,
                             const char* rowsSql, const char* rows,
                             std::vector<std::string>& problems);

    const char* table_;
    const char* module_;
    const char* triggerPrefix_;

    friend class EngineForms;
};

/* An index in the form the catalogue's engine holds: onFile on SQLite, onServer on
 * PostgreSQL. Both forms keep the same table name, items and trigger prefix, so that
 * what a catalogue holds reads alike on either engine (a copy between them remakes it). */
class EngineForms final : public CatalogueIndex {
  public:
    EngineForms(const CatalogueIndex& onFile, const CatalogueIndex& onServer)
        : CatalogueIndex(onFile.table_, onFile.module_, onFile.triggerPrefix_), file_(onFile),
          server_(onServer)
    {
    }
    void create(engine::Connection& c, const std::vector<IndexedItem>& items) const override
    {
        formOf(c).create(c, items);
    }
    std::vector<std::string> problems(engine::Connection& c) const override
    {
        return formOf(c).problems(c);
    }

  private:
    std::size_t triggerCount(engine::Connection& c,
                             const std::vector<IndexedItem>& items) const override
    {
        return formOf(c).triggerCount(c, items);
    }
    const CatalogueIndex& formOf(engine::Connection& c) const
    {
        return onServer(c) ? server_ : file_;
    }

    const CatalogueIndex& file_;
    const CatalogueIndex& server_;
};

} // namespace kavdb::store
