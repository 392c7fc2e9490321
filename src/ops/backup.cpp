/*
 * The verified backup (backup.h), over the driver's online backup and
 * store/catalogue_audit. The call holds the catalogue's write lock throughout, so the
 * state copied is the state the digests are taken of.
 */
#include "ops/backup.h"

#include "ops/check.h"
#include "store/catalogue.h"
#include "store/catalogue_audit.h"
#include "store/config.h"
#include "store/file_probe.h"
#include "store/table_rows.h"

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

/* Restores the copy into a scratch file and compares its tables with the source's. */
int32_t restoreTest(const std::string& copy, const std::vector<std::string>& tables,
                    const Digests& source, StringList& report)
{
    const std::string scratch = copy + ".restore-test";
    store::removeCatalogueFile(scratch);
    engine::Connection::create(scratch);
    int32_t problems = 0;
    try {
        engine::Connection restored;
        restored.open(scratch);
        restored.driver().restoreFrom(copy);
        Digests got = digestsOf(restored, tables);
        for (std::size_t i = 0; i < source.size(); ++i) {
            if (!(got[i] == source[i])) {
                report.push_back("restore test: " + source[i].table + " holds " +
                                 std::to_string(got[i].rows) + " rows (" +
                                 std::to_string(source[i].rows) +
                                 " in the catalogue) or different values");
                ++problems;
            }
        }
        restored.close();
    } catch (...) {
        store::removeCatalogueFile(scratch);
        throw;
    }
    store::removeCatalogueFile(scratch);
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

/* The copy's own checks, then the restore test; the number of problems. */
int32_t verifyCopy(DBHandle* h, const std::string& path, const std::vector<std::string>& tables,
                   const Digests& source, StringList& report)
{
    engine::Connection copy;
    copy.open(path);
    StringList found;
    int32_t problems = checkFileAndKeys(h, copy, found);
    copy.close();
    for (const std::string& line : found) {
        report.push_back("copy " + line);
    }
    return problems + restoreTest(path, tables, source, report);
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
        std::vector<std::string> tables = store::catalogueTables(store::configOf(h), c);
        Digests source = digestsOf(c, tables);
        StringList lines;
        int32_t problems = 0;
        try {
            c.driver().backupTo(target);
            problems = verifyCopy(h, target, tables, source, lines);
        } catch (...) {
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
