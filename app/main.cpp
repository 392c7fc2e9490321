/*
 * kavdb: a photo catalogue on the command line, built on the kavdbmgr library.
 * This file only wires the command line (CLI11) to the commands in commands/.
 */
#include "commands/commands.h"
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
};

CLI::App* command(CLI::App& app, const char* name, const char* about, Runner& chosen, Runner run)
{
    CLI::App* sub = app.add_subcommand(name, about);
    sub->callback([&chosen, run] { chosen = run; });
    return sub;
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
    s->add_flag("--count", search.count, "Print only the number of matching files");

    ShowOptions& show = o.show;
    auto* sh = command(app, "show", "Print everything the catalogue holds about files", chosen,
                       [&g, &show] { return runShow(g, show); });
    sh->add_option("FILE", show.files, "Catalogued files")->required();

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
    auto* v = command(app, "mv", "Move a file's catalogue entry (after the file was moved)", chosen,
                      [&g, &mv] { return runMove(g, mv); });
    v->add_option("SRC", mv.from, "The catalogued file")->required();
    v->add_option("DST", mv.to, "Its new path, or a folder")->required();
    v->add_flag("--reset-mark", mv.resetMark, "Clear the check mark on the way");

    TransferOptions& cp = o.cp;
    auto* p = command(app, "cp", "Copy a file's catalogue entry (after the file was copied)",
                      chosen, [&g, &cp] { return runCopy(g, cp); });
    p->add_option("SRC", cp.from, "The catalogued file")->required();
    p->add_option("DST", cp.to, "The copy's path, or a folder")->required();
    p->add_flag("--reset-mark", cp.resetMark, "Leave the copy unmarked");

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

    SheetOptions& sheet = o.sheet;
    auto* h = command(app, "sheet", "Write a contact sheet of the catalogued photos", chosen,
                      [&g, &sheet] { return runSheet(g, sheet); });
    h->add_option("FOLDER", sheet.folder, "Only this folder tree (default: everything)");
    h->add_option("-o,--output", sheet.html, "HTML page to write (self-contained)");
    h->add_option("--png", sheet.png, "PNG image to write");
    h->add_option("--columns", sheet.columns, "Photos per row in the PNG")
        ->check(CLI::Range(1, 100))
        ->capture_default_str();

    SqlOptions& sql = o.sql;
    auto* q = command(app, "sql", "Run an SQL statement on the catalogue", chosen,
                      [&g, &sql] { return runSql(g, sql); });
    q->add_option("STATEMENT", sql.statement, "SELECT rows print as paths or names")->required();
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
    app.add_flag("-v,--verbose", global.verbose, "Let libvips' own warnings through");
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
