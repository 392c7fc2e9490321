/*
 * The verified backup (backup.h), over store/catalogue_audit and, for the copy itself, the
 * driver's online backup of a file or the catalogue copy (catalogue_copy.h) of a server.
 * A file is copied under the catalogue's write lock, so the state copied is the state the
 * digests are taken of on a connection of their own, beside the copy; a server catalogue
 * is copied and digested inside one snapshot, which needs no lock.
 */
#include "ops/backup.h"

#include "ops/catalogue_copy.h"
#include "ops/check.h"
#include "store/call.h"
#include "store/catalogue.h"
#include "store/catalogue_audit.h"
#include "store/config.h"
#include "store/file_probe.h"
#include "store/table_rows.h"

#include <future>

namespace kavdb::ops {

namespace {

using Digests = std::vector<store::TableDigest>;
using Shapes = std::vector<store::TableShape>;

/* A copy made: its tables as it spells them, and the digests of the source's state it
 * holds (read while the copy is verified, for a file). */
struct Copied {
    Shapes shapes;
    std::future<Digests> source;
};

Digests digestsOf(engine::Connection& c, const Shapes& shapes)
{
    Digests digests;
    for (const store::TableShape& shape : shapes) {
        digests.push_back(store::digestRows(c, shape));
    }
    return digests;
}

/* The digests of the catalogue file's committed state, on a connection of their own. */
Digests digestsOfFile(const std::string& file, const Shapes& shapes)
{
    engine::Connection c;
    store::openForReading(c, file);
    Digests digests = digestsOf(c, shapes);
    c.close();
    return digests;
}

/* A catalogue file: the driver's online backup, while the committed file is digested on
 * a connection of its own. */
void copyFile(DBHandle* h, engine::Connection& c, const std::string& target, Copied& copied)
{
    for (const std::string& table : store::catalogueTables(store::configOf(h), c)) {
        copied.shapes.push_back(store::tableShape(c, table));
    }
    copied.source = std::async(std::launch::async, [&copied, file = c.driver().fileName()] {
        return digestsOfFile(file, copied.shapes);
    });
    c.driver().backupTo(target);
}

/* A server catalogue: a catalogue file made at target (which exists, empty) from the
 * configuration, and the server's rows copied into it from this call's snapshot; the
 * copy's own check digested that snapshot. Its lines are kept only when it fails. */
HResult copyServer(DBHandle* h, const std::string& target, StringList& lines, Copied& copied)
{
    DBHandle file;
    file.Connection = std::make_unique<engine::Connection>();
    file.Connection->open(target);
    CopiedTables read;
    StringList copyLines;
    HResult hr = store::runCall(
        &file, engine::Access::Write,
        [&] {
            HResult made = store::kaCreateTables(&file);
            return made < 0 ? made : copyCatalogue(h, &file, &copyLines, nullptr, nullptr, &read);
        },
        store::Repeat::Never);
    file.Connection->close();
    if (hr < 0) {
        lines.splice(lines.end(), copyLines);
        return hr;
    }
    std::promise<Digests> source;
    source.set_value(std::move(read.source));
    copied.shapes = std::move(read.shapes);
    copied.source = source.get_future();
    return S_OK;
}

/* The copy restored into a scratch file, and the digests of what it holds. */
Digests restoredDigests(const std::string& copy, const std::string& scratch, const Shapes& shapes)
{
    engine::Connection::create(scratch);
    engine::Connection restored;
    store::openScratch(restored, scratch);
    restored.driver().restoreFrom(copy);
    Digests got = digestsOf(restored, shapes);
    restored.close();
    return got;
}

/* Restores the copy into a scratch file and compares its tables with the source's. */
int32_t restoreTest(const std::string& copy, Copied& copied, StringList& report)
{
    const std::string scratch = copy + ".restore-test";
    store::removeCatalogueFile(scratch);
    Digests got;
    try {
        got = restoredDigests(copy, scratch, copied.shapes);
    } catch (...) {
        store::removeCatalogueFile(scratch);
        throw;
    }
    store::removeCatalogueFile(scratch);
    const Digests source = copied.source.get();
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
int32_t verifyCopy(DBHandle* h, const std::string& path, Copied& copied, StringList& report)
{
    // Neither file changes under the two: the copy is this call's own, the scratch file
    // the restore test's.
    StringList restoreLines;
    std::future<int32_t> restore =
        std::async(std::launch::async, [&] { return restoreTest(path, copied, restoreLines); });
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

engine::Access backupAccess(DBHandle* h)
{
    try {
        if (h != nullptr && h->Connection && h->Connection->isOpen() &&
            !store::catalogueIsAFile(*h->Connection)) {
            return engine::Access::Read;
        }
    } catch (const store::EngineError&) {
        // The call itself meets the failure and reports it.
    }
    return engine::Access::Write;
}

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
        const bool aFile = store::catalogueIsAFile(c);
        if (!aFile) {
            engine::Connection::create(target); // raises, and touches nothing, when taken
        }
        Copied copied;
        StringList lines;
        HResult hr = S_OK;
        int32_t problems = 0;
        try {
            if (aFile) {
                copyFile(h, c, target, copied);
            } else {
                hr = copyServer(h, target, lines, copied);
            }
            problems = hr < 0 ? 0 : verifyCopy(h, target, copied, lines);
        } catch (...) {
            if (copied.source.valid()) {
                copied.source.wait();
            }
            store::removeCatalogueFile(target);
            throw;
        }
        report->splice(report->end(), lines);
        if (hr < 0 || problems > 0) {
            store::removeCatalogueFile(target);
            return hr < 0 ? hr : KAVDB_E_DAMAGED;
        }
        return S_OK;
    });
}

} // namespace kavdb::ops
