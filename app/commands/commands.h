/*
 * The kavdb commands: one options record and one run function per command, grouped by
 * family in this folder (add, search, sql, show, tag/comment/mark, mv/cp/rm, refresh,
 * sheet, dupes, watch, check, backup, migrate). main.cpp only wires the command line to these. A
 * run function returns the process exit code.
 */
#pragma once

#include "duplicates.h"

#include <string>
#include <vector>

namespace kavdb::commands {

/* 0 success, 1 some files or operations failed, 2 bad usage or no catalogue. */
enum ExitCode { kExitOk = 0, kExitSomeFailed = 1, kExitUsage = 2 };

struct GlobalOptions {
    std::string db; // empty: the default catalogue
    bool quiet = false;
    bool verbose = false;
};

/* How records are printed: lines (paths, or tab-separated columns), one JSON document
 * (json), or one JSON object per line (ndjson); nul ends each line with a NUL byte instead
 * of a newline, for names that hold newlines. */
struct OutputOptions {
    bool json = false;
    bool ndjson = false;
    bool nul = false;
};

struct AddOptions {
    std::vector<std::string> targets; // folders, or single files
    bool force = false;               // re-read photos whose record is up to date
    unsigned jobs = 0;                // photos read at once; 0: one per processor
};
int runAdd(const GlobalOptions& global, const AddOptions& options);

struct SearchOptions {
    std::string statement; // full form: SELECT * FROM <tables> WHERE <condition>
    std::string where;     // short form: the condition alone
    std::string table = "ExifInfo";
    std::vector<std::string> keywords; // whole keywords, all required
    std::string text;                  // words, "phrases" and prefix* terms; best first
    std::string from;                  // date taken on or after (YYYY-MM-DD[ HH:MM:SS])
    std::string to;                    // date taken on or before
    std::string near;                  // LAT,LON: photos taken near it, nearest first
    std::string within = "10km";       // how near
    bool count = false;
    std::size_t limit = 0; // print at most this many paths (the first in path order); 0: all
    OutputOptions output;
};
int runSearch(const GlobalOptions& global, const SearchOptions& options);

struct SqlOptions {
    std::string statement;
    bool header = false; // a first line naming the columns
    OutputOptions output;
};
int runSql(const GlobalOptions& global, const SqlOptions& options);

struct ShowOptions {
    std::vector<std::string> files;
    OutputOptions output;
};
int runShow(const GlobalOptions& global, const ShowOptions& options);

struct TagOptions {
    std::string file;
    std::string table;
    std::vector<std::string> assignments; // ITEM=VALUE
};
int runTag(const GlobalOptions& global, const TagOptions& options);

struct CommentOptions {
    std::string file;
    std::string text;
};
int runComment(const GlobalOptions& global, const CommentOptions& options);

struct MarkOptions {
    std::string file;
    int mark = 0;
};
int runMark(const GlobalOptions& global, const MarkOptions& options);

struct TransferOptions {
    std::string from;
    std::string to;
    bool resetMark = false;
    bool entryOnly = false; // the file was moved or copied already: only the entry follows
};
int runMove(const GlobalOptions& global, const TransferOptions& options);
int runCopy(const GlobalOptions& global, const TransferOptions& options);

struct RemoveOptions {
    std::vector<std::string> targets;
};
int runRemove(const GlobalOptions& global, const RemoveOptions& options);

struct RefreshOptions {
    std::string folder; // empty: every catalogued folder
    bool deleteChanged = false;
    bool dryRun = false; // say what would be dropped, change nothing
};
int runRefresh(const GlobalOptions& global, const RefreshOptions& options);

struct SheetOptions {
    std::string folder; // empty: the whole catalogue
    std::string html;   // the sheet's folder (index.html, pages, thumbnails)
    std::string png;    // FILE.png, or FILE-001.png ... with more than one page
    int columns = 6;
    int perPage = 200;
};
int runSheet(const GlobalOptions& global, const SheetOptions& options);

struct DupesOptions {
    std::vector<std::string> folders; // empty: the whole catalogue
    int distance = kDefaultDistance;  // bits similar pictures' hashes may differ in
    OutputOptions output;
};
int runDupes(const GlobalOptions& global, const DupesOptions& options);

struct WatchOptions {
    std::vector<std::string> folders;
    bool poll = false;   // scan instead of using inotify
    int settleMs = 1000; // how long a file must stay unchanged before it is read
    int pollMs = 2000;   // scan interval when polling
};
int runWatch(const GlobalOptions& global, const WatchOptions& options);

struct CheckOptions {
    bool repair = false; // clear broken links, drop unused rows, make the indexes again
};
int runCheck(const GlobalOptions& global, const CheckOptions& options);

struct BackupOptions {
    std::string destination; // a file that does not exist yet
};
int runBackup(const GlobalOptions& global, const BackupOptions& options);

struct MigrateOptions {
    std::string source;      // a catalogue file, a server URI or a link file
    std::string destination; // the same kinds; missing or holding no rows
};
int runMigrate(const GlobalOptions& global, const MigrateOptions& options);

} // namespace kavdb::commands
