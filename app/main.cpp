/*
 * kavdb: a photo catalogue on the command line, built on the kavdbmgr library.
 * This file only wires the command line (CLI11) to the commands in commands/.
 */
#include "catalogue.h"
#include "commands/commands.h"
#include "duplicates.h"
#include "imaging/vips_runtime.h"

#include <CLI/CLI.hpp>

#include <functional>

using namespace kavdb::commands;

namespace {

using Runner = std::function<int()>;

/* Every command's options; filled by the parser, read by the chosen command. */
struct Options {
    GlobalOptions global;
    AddOptions add;
    SearchOptions search;
    ShowOptions show;
    TagOptions tag;
    CommentOptions comment;
    MarkOptions mark;
    TransferOptions mv;
    TransferOptions cp;
    RemoveOptions rm;
    RefreshOptions refresh;
    SheetOptions sheet;
    SqlOptions sql;
    DupesOptions dupes;
    WatchOptions watch;
    CheckOptions check;
    BackupOptions backup;
    MigrateOptions migrate;
};

CLI::App* command(CLI::App& app, const char* name, const char* about, Runner& chosen, Runner run)
{
    CLI::App* sub = app.add_subcommand(name, about);
    sub->callback([&chosen, run] { chosen = run; });
    return sub;
}

void outputOptions(CLI::App* sub, OutputOptions& output, const char* record)
{
    auto* json =
        sub->add_flag("--json", output.json,
                      std::string("Print one JSON document (see the README for its form)"));
    auto* ndjson = sub->add_flag("--ndjson", output.ndjson,
                                 std::string("Print one JSON object per ") + record);
    json->excludes(ndjson);
    sub->add_flag("-0,--null", output.nul, "End each line with a NUL byte instead of a newline");
}

/* The configured tables and their items, for search --help. */
std::string tablesAndItems()
{
    std::vector<kavdb::ConfiguredItem> configured;
    kavdb::readConfiguration(configured);
    static const char* kinds[] = {"text", "whole number", "binary", "number"};
    std::string text = "Tables and items (from kadb.ini):\n";
    std::string table;
    for (const kavdb::ConfiguredItem& item : configured) {
        if (item.table != table) {
            table = item.table;
            text += "  " + table + ":";
        }
        text += " " + item.name + " (" +
                (item.type >= 0 && item.type <= 3 ? kinds[item.type] : "?") + ")";
        if (&item == &configured.back() || (&item + 1)->table != table)
            text += "\n";
    }
    return text + "Joined for you: MainTable (Filename, Width, Height, Comment, Marking, ...) and "
                  "PathTable (Pathname).";
}

void addCommands(CLI::App& app, Options& o, Runner& chosen)
{
    const GlobalOptions& g = o.global;
    AddOptions& add = o.add;
    auto* a = command(app, "add", "Catalogue folders (or single files) and their photos", chosen,
                      [&g, &add] { return runAdd(g, add); });
    a->add_option("FOLDER", add.targets, "Folders to catalogue, with their sub-folders")
        ->required();
    a->add_flag("--force", add.force, "Read every photo again, even when its record is current");
    a->add_option("-j,--jobs", add.jobs, "Photos read at once (default: one per processor)")
        ->check(CLI::Range(1u, 64u));

    SearchOptions& search = o.search;
    auto* s = command(app, "search", "Find catalogued files by their metadata", chosen,
                      [&g, &search] { return runSearch(g, search); });
    s->add_option("STATEMENT", search.statement,
                  "Jet SQL: SELECT * FROM ExifInfo WHERE ExifInfo.Model LIKE '%D70%'");
    s->add_option("--where", search.where, "Just the condition, e.g. \"Model LIKE '%D70%'\"");
    s->add_option("--table", search.table, "Table(s) the --where condition reads")
        ->capture_default_str();
    s->add_option("-k,--keyword", search.keywords,
                  "A whole keyword the photo carries (Caption.Keywords); repeat for several");
    s->add_option("--text", search.text,
                  "Words in names, folders, comments, captions, keywords, people, places, "
                  "camera: all required, \"a phrase\", prefix*; best matches first");
    s->add_option("--from", search.from, "Taken on or after DATE (YYYY-MM-DD)");
    s->add_option("--to", search.to, "Taken on or before DATE (YYYY-MM-DD)");
    s->add_option("--near", search.near, "Taken near LAT,LON (signed degrees); nearest first");
    s->add_option("--within", search.within, "How near, with --near: 10km, 500m")
        ->capture_default_str();
    s->add_flag("--count", search.count, "Print only the number of matching files");
    s->add_option("--limit", search.limit, "Print at most N paths (the first ones)");
    outputOptions(s, search.output, "path");
    s->footer([] { return tablesAndItems(); });

    ShowOptions& show = o.show;
    auto* sh = command(app, "show", "Print everything the catalogue holds about files", chosen,
                       [&g, &show] { return runShow(g, show); });
    sh->add_option("FILE", show.files, "Catalogued files")->required();
    outputOptions(sh, show.output, "file");

    TagOptions& tag = o.tag;
    auto* t = command(app, "tag", "Set metadata items of a file", chosen,
                      [&g, &tag] { return runTag(g, tag); });
    t->add_option("FILE", tag.file, "A catalogued file")->required();
    t->add_option("TABLE", tag.table, "Metadata table, e.g. Caption or Rating")->required();
    t->add_option("ITEM=VALUE", tag.assignments, "Items to set, e.g. Title=Harbour")->required();

    CommentOptions& comment = o.comment;
    auto* c = command(app, "comment", "Set the comment of a file", chosen,
                      [&g, &comment] { return runComment(g, comment); });
    c->add_option("FILE", comment.file, "A catalogued file")->required();
    c->add_option("TEXT", comment.text, "The comment (empty to clear it)")->required();

    MarkOptions& mark = o.mark;
    auto* m = command(app, "mark", "Set or clear the check mark of a file", chosen,
                      [&g, &mark] { return runMark(g, mark); });
    m->add_option("FILE", mark.file, "A catalogued file")->required();
    m->add_option("MARK", mark.mark, "1 to mark, 0 to clear")
        ->required()
        ->check(CLI::IsMember({0, 1}));

    TransferOptions& mv = o.mv;
    auto* v = command(app, "mv", "Move a photo and its catalogue entry (and its XMP sidecars)",
                      chosen, [&g, &mv] { return runMove(g, mv); });
    v->add_option("SRC", mv.from, "The catalogued file")->required();
    v->add_option("DST", mv.to, "Its new path, or an existing folder")->required();
    v->add_flag("--reset-mark", mv.resetMark, "Clear the check mark on the way");
    v->add_flag("--entry-only", mv.entryOnly,
                "The file was moved already: move only the entry (the file must be at DST)");

    TransferOptions& cp = o.cp;
    auto* p = command(app, "cp", "Copy a photo and its catalogue entry (and its XMP sidecars)",
                      chosen, [&g, &cp] { return runCopy(g, cp); });
    p->add_option("SRC", cp.from, "The catalogued file")->required();
    p->add_option("DST", cp.to, "The copy's path, or an existing folder")->required();
    p->add_flag("--reset-mark", cp.resetMark, "Leave the copy unmarked");
    p->add_flag("--entry-only", cp.entryOnly,
                "The file was copied already: copy only the entry (the copy must be at DST)");

    RemoveOptions& rm = o.rm;
    auto* r = command(app, "rm", "Remove files or folder trees from the catalogue", chosen,
                      [&g, &rm] { return runRemove(g, rm); });
    r->add_option("PATH", rm.targets, "Catalogued files or folders")->required();

    RefreshOptions& refresh = o.refresh;
    auto* f = command(app, "refresh", "Bring the catalogue in line with the disk", chosen,
                      [&g, &refresh] { return runRefresh(g, refresh); });
    f->add_option("FOLDER", refresh.folder, "Only this folder tree (default: everything)");
    f->add_flag("--delete-changed", refresh.deleteChanged,
                "Drop entries of changed files instead of reading them again");
    f->add_flag("--dry-run", refresh.dryRun, "Only say which entries would be dropped");

    SheetOptions& sheet = o.sheet;
    auto* h = command(app, "sheet", "Write a contact sheet of the catalogued photos", chosen,
                      [&g, &sheet] { return runSheet(g, sheet); });
    h->add_option("FOLDER", sheet.folder, "Only this folder tree (default: everything)");
    h->add_option("-o,--output", sheet.html,
                  "Folder for the HTML sheet (index.html, one page per --per-page photos, "
                  "thumbnails); made when missing");
    h->add_option("--png", sheet.png, "PNG image to write (FILE-0001.png, ... for several pages)");
    h->add_option("--columns", sheet.columns, "Photos per row in the PNG")
        ->check(CLI::Range(1, 100))
        ->capture_default_str();
    h->add_option("--per-page", sheet.perPage, "Photos per page")
        ->check(CLI::Range(1, 100000))
        ->capture_default_str();

    SqlOptions& sql = o.sql;
    auto* q = command(app, "sql", "Run an SQL statement on the catalogue", chosen,
                      [&g, &sql] { return runSql(g, sql); });
    q->add_option("STATEMENT", sql.statement,
                  "A SELECT prints every column it selects (tab-separated); an UPDATE or "
                  "DELETE prints how many rows it changed")
        ->required();
    q->add_flag("--header", sql.header, "First line: the column names");
    outputOptions(q, sql.output, "row");

    DupesOptions& dupes = o.dupes;
    auto* d = command(app, "dupes", "Find identical files and similar pictures", chosen,
                      [&g, &dupes] { return runDupes(g, dupes); });
    d->add_option("FOLDER", dupes.folders, "Only photos under these folders (default: all)");
    d->add_option("--distance", dupes.distance,
                  "How many of the 64 bits of two similar pictures' hashes may differ")
        ->check(CLI::Range(0, kavdb::kMaxDistance))
        ->capture_default_str();
    d->add_flag("--json", dupes.output.json, "Print one JSON document (see the README)");

    WatchOptions& watch = o.watch;
    auto* w = command(app, "watch", "Keep the catalogue in step with folders while running", chosen,
                      [&g, &watch] { return runWatch(g, watch); });
    w->add_option("FOLDER", watch.folders, "Folder trees to watch")->required();
    w->add_flag("--poll", watch.poll,
                "Scan for changes instead of using inotify (the default on network and FUSE "
                "mounts)");
    w->add_option("--settle", watch.settleMs, "Milliseconds a file must stay unchanged")
        ->check(CLI::Range(50, 60000))
        ->capture_default_str();
    w->add_option("--interval", watch.pollMs, "Milliseconds between scans when scanning")
        ->check(CLI::Range(100, 3600000))
        ->capture_default_str();

    CheckOptions& check = o.check;
    auto* k = command(app, "check",
                      "Check the catalogue: file, keys, unused rows, missing "
                      "files, indexes",
                      chosen, [&g, &check] { return runCheck(g, check); });
    k->add_flag("--repair", check.repair,
                "Clear broken links, drop unused rows and make the indexes again");

    BackupOptions& backup = o.backup;
    auto* b = command(app, "backup", "Copy the catalogue and prove the copy restores", chosen,
                      [&g, &backup] { return runBackup(g, backup); });
    b->add_option("DEST", backup.destination, "The backup file (must not exist yet)")->required();

    MigrateOptions& migrate = o.migrate;
    auto* mg = command(app, "migrate",
                       "Copy a whole catalogue to another engine or file, verified table by "
                       "table",
                       chosen, [&g, &migrate] { return runMigrate(g, migrate); });
    mg->add_option("SRC", migrate.source, "The catalogue to copy (file, URI or link file)")
        ->required();
    mg->add_option("DST", migrate.destination,
                   "Where to copy it (file, URI or link file): missing or empty")
        ->required();
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"kavdb - a photo catalogue (folders, thumbnails, camera metadata, search)"};
    app.require_subcommand(1);
    app.fallthrough(); // --db and --quiet may also follow the command
    Options options;
    GlobalOptions& global = options.global;
    app.add_option("--db", global.db,
                   "Catalogue file (default: $XDG_DATA_HOME/kavdb/catalogue.mdb)");
    app.add_flag("-q,--quiet", global.quiet, "No progress line and no summary");
    app.add_flag("-v,--verbose", global.verbose,
                 "Name every entry refresh drops, and let libvips' own warnings through");
    app.set_version_flag("--version", std::string("kavdb ") + KAVDB_VERSION);
    Runner chosen;
    addCommands(app, options, chosen);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int code = app.exit(e);
        return code == 0 ? kExitOk : kExitUsage;
    }
    kavdb::imaging::startVips(argv[0], global.verbose);
    return chosen ? chosen() : kExitUsage;
}
