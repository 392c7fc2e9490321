/*
 * The catalogue check and its repairs (check.h), over store/catalogue_audit and the two
 * index files. A file's integrity check runs beside the other steps, on a connection and
 * a thread of its own; a server keeps its own pages, and the check says so.
 */
#include "ops/check.h"

#include "store/catalogue.h"
#include "store/catalogue_audit.h"
#include "store/config.h"
#include "store/file_probe.h"
#include "store/place_index.h"
#include "store/text_index.h"

#include <future>

namespace kavdb::ops {

namespace {

// Missing files are named up to this many; the rest are counted.
constexpr int64_t kNamedMissing = 20;

constexpr const char* kServerIntegrity = "integrity: kept by the server, not checked here";

struct Findings {
    StringList& report;
    bool repair;
    int32_t problems = 0;

    void ok(const std::string& what) { report.push_back(what + ": ok"); }
    /* A problem the check repaired (when repairing) or only found. */
    void found(const std::string& text, bool repairable)
    {
        bool fixed = repair && repairable;
        report.push_back(text + (fixed ? " (repaired)" : ""));
        problems += fixed ? 0 : 1;
    }
    /* Something worth saying that is no fault: dropped by a repair, never counted. */
    void note(const std::string& text) { report.push_back(text + (repair ? " (dropped)" : "")); }
};

std::vector<store::KeyLink> keyLinks(DBHandle* h, engine::Connection& c)
{
    return store::catalogueKeys(store::configOf(h), c);
}

void checkKeys(DBHandle* h, engine::Connection& c, Findings& f)
{
    bool clean = true;
    for (const store::KeyLink& key : keyLinks(h, c)) {
        if (int64_t n = store::brokenLinks(c, key); n > 0) {
            clean = false;
            f.found("keys: " + std::to_string(n) + " files name a " + key.parent +
                        " row that does not exist",
                    true);
            if (f.repair) {
                store::repairLinks(c, key);
            }
        }
    }
    if (clean) {
        f.ok("keys");
    }
}

void checkUnusedRows(DBHandle* h, engine::Connection& c, Findings& f)
{
    bool clean = true;
    for (const store::KeyLink& key : keyLinks(h, c)) {
        if (key.column == "PathID") {
            continue; // a folder without files is a folder registered, not a stray row
        }
        if (int64_t n = store::unusedRows(c, key.parent, key.column); n > 0) {
            clean = false;
            // Refresh drops a file's entry and leaves its rows, so they are no fault.
            f.note("unused rows: " + std::to_string(n) + " " + key.parent + " rows no file uses");
            if (f.repair) {
                store::dropUnusedRows(c, key.parent, key.column);
            }
        }
    }
    if (clean) {
        f.ok("unused rows");
    }
}

void checkFiles(engine::Connection& c, Findings& f)
{
    std::vector<std::string> missing;
    int64_t count = 0;
    store::eachFilePath(c, [&](const std::string& path) {
        if (store::fileKind(path.c_str()) == store::FileKind::Missing && count++ < kNamedMissing) {
            missing.push_back(path);
        }
    });
    if (count == 0) {
        f.ok("files on disk");
        return;
    }
    f.found("files on disk: " + std::to_string(count) + " catalogued files are gone", false);
    for (const std::string& path : missing) {
        f.report.push_back("  " + path);
    }
    if (count > kNamedMissing) {
        f.report.push_back("  ... and " + std::to_string(count - kNamedMissing) + " more");
    }
}

/* One index: its problems, and with repair the index made again from its definition. */
void checkIndex(const std::string& name, const store::CatalogueIndex& index, engine::Connection& c,
                Findings& f)
{
    if (!index.available(c) || !index.present(c)) {
        f.report.push_back(name + ": none");
        return;
    }
    std::vector<std::string> found = index.problems(c);
    for (const std::string& text : found) {
        f.found(name + ": " + text, true);
    }
    if (f.repair) {
        index.create(c, index.items(c)); // also after a clean check: --repair promises a rebuild
        if (found.empty()) {
            f.report.push_back(name + ": rebuilt");
        }
    } else if (found.empty()) {
        f.ok(name);
    }
}

void checkIndexes(engine::Connection& c, Findings& f)
{
    checkIndex("text index", store::textIndex(), c, f);
    checkIndex("place index", store::placeIndex(), c, f);
}

void reportIntegrity(const std::vector<std::string>& damage, Findings& f)
{
    if (damage.empty()) {
        f.ok("integrity");
    }
    for (const std::string& text : damage) {
        f.found("integrity: " + text, false);
    }
}

void checkFileAndKeys(DBHandle* h, engine::Connection& c, Findings& f)
{
    reportIntegrity(store::integrityProblems(c), f);
    checkKeys(h, c, f);
}

/* The engine's integrity check of the catalogue file, on a connection of its own. */
std::vector<std::string> integrityOfFile(const std::string& file)
{
    engine::Connection c;
    store::openForAudit(c, file);
    std::vector<std::string> damage = store::integrityProblems(c);
    c.close();
    return damage;
}

} // namespace

int32_t checkFileAndKeys(DBHandle* h, engine::Connection& c, StringList& report)
{
    Findings f{report, false};
    checkFileAndKeys(h, c, f);
    return f.problems;
}

HResult checkCatalogue(DBHandle* h, int32_t repair, StringList* report, int32_t* problems)
{
    if (h == nullptr || report == nullptr || problems == nullptr) {
        return E_INVALIDARG;
    }
    return store::guarded("Failed to check the catalogue", [&] {
        engine::Connection& c = store::connectionOf(h);
        // The integrity check, the longest step, reads the file on a connection of its own
        // in a second thread while this one does the rest. It sees the committed file, as
        // it did running first: a repair's changes are not committed before the call ends.
        std::future<std::vector<std::string>> damage;
        if (store::catalogueIsAFile(c)) {
            damage = std::async(std::launch::async,
                                [file = c.driver().fileName()] { return integrityOfFile(file); });
        }
        StringList first;
        StringList lines;
        Findings f{lines, repair != 0};
        checkKeys(h, c, f);
        checkUnusedRows(h, c, f);
        checkFiles(c, f);
        checkIndexes(c, f);
        Findings integrity{first, false};
        if (damage.valid()) {
            reportIntegrity(damage.get(), integrity);
        } else {
            // An ordinary role has no way to read a server's pages; its own checksums and
            // tools keep them, and no line claims a check that did not run.
            first.push_back(kServerIntegrity);
        }
        report->splice(report->end(), first);
        report->splice(report->end(), lines);
        *problems = integrity.problems + f.problems;
        return S_OK;
    });
}

} // namespace kavdb::ops
