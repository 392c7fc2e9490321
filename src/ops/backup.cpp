/*
 * The verified backup (backup.h), over the driver's online backup and
 * store/catalogue_audit. The call holds the catalogue's write lock throughout, so the
 * state copied is the state the digests are taken of, on whichever connection reads it;
 * that lets the steps that only read run two at a time, each on a connection of its own.
 */
#include "ops/backup.h"

#include "ops/check.h"
#include "store/catalogue.h"
#include "store/catalogue_audit.h"
#include "store/config.h"
#include "store/file_probe.h"
#include "store/table_rows.h"

#include <future>

namespace kavdb::ops {

namespace {

using Digests = std::vector<store::TableDigest>;

Digests digestsOf(engine::Connection& c, const std::vector<std::string>& tables)
{
    Digests digests;
    for (const std::string& table : tables) {
        digests.push_back(store::digestRows(c, store::tableShape(c, table)));
    }
    return digests;
}

/* The digests of the catalogue file's committed state, on a connection of their own. */
Digests digestsOfFile(const std::string& file, const std::vector<std::string>& tables)
{
    engine::Connection c;
    store::openForReading(c, file);
    Digests digests = digestsOf(c, tables);
    c.close();
    return digests;
}

/* The copy restored into a scratch file, and the digests of what it holds. */
Digests restoredDigests(const std::string& copy, const std::string& scratch,
                        const std::vector<std::string>& tables)
{
    engine::Connection::create(scratch);
    engine::Connection restored;
    store::openScratch(restored, scratch);
    restored.driver().restoreFrom(copy);
    Digests got = digestsOf(restored, tables);
    restored.close();
    return got;
}

/* Restores the copy into a scratch file and compares its tables with the source's. */
int32_t restoreTest(const std::string& copy, const std::vector<std::string>& tables,
                    std::future<Digests>& sourceDigests, StringList& report)
{
    const std::string scratch = copy + ".restore-test";
    store::removeCatalogueFile(scratch);
    Digests got;
    try {
        got = restoredDigests(copy, scratch, tables);
    } catch (...) {
        store::removeCatalogueFile(scratch);
        throw;
    }
    store::removeCatalogueFile(scratch);
    const Digests source = sourceDigests.get();
    int32_t problems = 0;
    for (std::size_t i = 0; i < source.size(); ++i) {
        if (!(got[i] == source[i])) {
            report.push_back("restore test: " + source[i].table + " holds " +
                             std::to_string(got[i].rows) + " rows (" +
                             std::to_string(source[i].rows) +
                             " in the catalogue) or different values");
            ++problems;
        }
    }
    if (problems == 0) {
        int64_t rows = 0;
        for (const store::TableDigest& d : source) {
            rows += d.rows;
        }
        report.push_back("restore test: " + std::to_string(source.size()) + " tables, " +
                         std::to_string(rows) + " rows, checksums agree");
    }
    return problems;
}

/* The copy's own checks, and beside them the restore test; the number of problems. */
int32_t verifyCopy(DBHandle* h, const std::string& path, const std::vector<std::string>& tables,
                   std::future<Digests>& source, StringList& report)
{
    // Neither file changes under the two: the copy is this call's own, the scratch file
    // the restore test's.
    StringList restoreLines;
    std::future<int32_t> restore = std::async(
        std::launch::async, [&] { return restoreTest(path, tables, source, restoreLines); });
    StringList found;
    int32_t problems = 0;
    {
        engine::Connection copy;
        store::openForAudit(copy, path);
        problems = checkFileAndKeys(h, copy, found);
        copy.close();
    }
    problems += restore.get();
    for (const std::string& line : found) {
        report.push_back("copy " + line);
    }
    report.splice(report.end(), restoreLines);
    return problems;
}

} // namespace

HResult backupCatalogue(DBHandle* h, const char* path, StringList* report)
{
    if (h == nullptr || path == nullptr || *path == '\0' || report == nullptr) {
        return E_INVALIDARG;
    }
    if (store::anythingAt(path)) {
        return KAVDB_E_ALREADY_EXISTS;
    }
    const std::string target = path;
    return store::guarded("Failed to back up the catalogue", [&] {
        engine::Connection& c = store::connectionOf(h);
        if (!store::catalogueIsAFile(c)) {
            return KAVDB_E_NOT_SUPPORTED;
        }
        const std::vector<std::string> tables = store::catalogueTables(store::configOf(h), c);
        // The source is digested while it is copied: the write lock keeps it as it is.
        std::future<Digests> source =
            std::async(std::launch::async,
                       [&, file = c.driver().fileName()] { return digestsOfFile(file, tables); });
        StringList lines;
        int32_t problems = 0;
        try {
            c.driver().backupTo(target);
            problems = verifyCopy(h, target, tables, source, lines);
        } catch (...) {
            if (source.valid()) {
                source.wait();
            }
            store::removeCatalogueFile(target);
            throw;
        }
        report->splice(report->end(), lines);
        if (problems > 0) {
            store::removeCatalogueFile(target);
            return KAVDB_E_DAMAGED;
        }
        return S_OK;
    });
}

} // namespace kavdb::ops
