/*
 * kavdbmgr: the photo-catalogue database library.
 *
 * This header is the library's whole public interface: result codes, the records and
 * lists that cross the export boundary, and every exported function. The library keeps
 * one catalogue file holding registered folders and files, their image records and
 * their metadata. Every export returns a result code and never throws.
 *
 * Threading: one thread at a time per handle; the KaDBSV family shares one process-wide
 * handle. Records and lists filled by the library belong to the caller, who releases
 * them with the Free... functions below.
 */
#ifndef KAVDBMGR_H
#define KAVDBMGR_H

#include <cstdint>
#include <list>
#include <string>

#if defined(KAVDB_BUILDING)
#define KAVDB_API __attribute__((visibility("default")))
#else
#define KAVDB_API
#endif

/* Result codes. 0 is success; negative values are failures. */
typedef int32_t HRESULT;
#ifndef S_OK
#define S_OK ((HRESULT)0)
#endif
#ifndef E_INVALIDARG
#define E_INVALIDARG ((HRESULT)0x80070057)
#endif
#ifndef E_FAIL
#define E_FAIL ((HRESULT)0x80004005)
#endif
#ifndef E_OUTOFMEMORY
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)
#endif
#ifndef E_POINTER
#define E_POINTER ((HRESULT)0x80004003)
#endif
#ifndef E_UNEXPECTED
#define E_UNEXPECTED ((HRESULT)0x8000FFFF)
#endif
/* The file or row to be added is already present. */
#define KAVDB_E_ALREADY_EXISTS ((HRESULT)0x8878000A)
/* The row asked for does not exist. */
#define KAVDB_E_NOT_FOUND ((HRESULT)0x8878000B)
/* A requested row position lies beyond the table. */
#define KAVDB_E_OUT_OF_RANGE ((HRESULT)0x8878000E)
/* The catalogue's engine cannot hold the index asked for (a text index needs SQLite's
 * FTS5, a place index its R*Tree); nothing was changed. */
#define KAVDB_E_NOT_SUPPORTED ((HRESULT)0x88780010)
/* A backup failed its checks (and was removed); the report says what they found. */
#define KAVDB_E_DAMAGED ((HRESULT)0x88780011)
/* The connection to a server catalogue's server was lost during the call: the call's
 * work was undone, and the next call connects again. */
#define KAVDB_E_SERVER_LOST ((HRESULT)0x88780012)

/* Failures of the catalogue's engine, with the codes ADO gives them. */
/* The statement is not SQL the catalogue runs: a syntax error, a second statement, a
 * comment, or a caller's table or item name that is not a plain name. */
#define KAVDB_E_SYNTAX ((HRESULT)0x80040E14)
/* The statement names a table the catalogue does not have. */
#define KAVDB_E_NO_SUCH_TABLE ((HRESULT)0x80040E37)
/* The statement names a column the table does not have, or holds a parameter that was
 * given no value. */
#define KAVDB_E_UNKNOWN_COLUMN ((HRESULT)0x80040E10)
/* A field the statement's result does not have. */
#define KAVDB_E_FIELD_NOT_FOUND ((HRESULT)0x800A0CC1)
/* No current row: before the first row, after the last, or on a deleted one. */
#define KAVDB_E_NO_CURRENT_ROW ((HRESULT)0x800A0BCD)
/* The catalogue (or a record set of it) is closed. */
#define KAVDB_E_OBJECT_CLOSED ((HRESULT)0x800A0E78)
/* A key or constraint of the catalogue would be broken. */
#define KAVDB_E_CONSTRAINT ((HRESULT)0x80040E2F)
/* A stored value is not of the kind the operation reads it as. */
#define KAVDB_E_TYPE_MISMATCH ((HRESULT)0x80020005)
/* A value is not of the type its column holds. */
#define KAVDB_E_DATA_MISMATCH ((HRESULT)0x80040E07)
/* A value is too long or too large for its column. */
#define KAVDB_E_FIELD_TOO_SMALL ((HRESULT)0x80040E57)

/* A calendar time, local time, as the catalogue stores it. */
typedef struct SYSTEMTIME {
    uint16_t wYear;
    uint16_t wMonth;
    uint16_t wDayOfWeek;
    uint16_t wDay;
    uint16_t wHour;
    uint16_t wMinute;
    uint16_t wSecond;
    uint16_t wMilliseconds;
} SYSTEMTIME;

/* An open catalogue; opaque to the application. */
struct DBHandle;

/* One metadata item. Type: 0 text (Data is NUL-terminated, Size = length + 1),
 * 1 integer (Data points at one int32_t, Size = 4), 2 binary (Size bytes),
 * 3 number (Data points at one double, Size = 8). */
struct MetaTag {
    char Name[520];
    uint32_t Type;
    uint32_t Size;
    void* Data;
};
typedef std::list<MetaTag> MetaTagList;

/* One metadata-table row read by position (Index counts from 1). */
struct MetaIdxData {
    MetaTagList Tags;
    int32_t Index;
};
typedef std::list<MetaIdxData> MetaIdxDataList;

/* The items of one metadata table that belong to one file. */
struct MetaData {
    char TableName[150000];
    MetaTagList Tags;

    MetaData() : TableName{}, Tags() {}
    MetaData(const MetaData& other) : Tags(other.Tags) { copyName(other); }
    MetaData& operator=(const MetaData& other)
    {
        if (this != &other) {
            copyName(other);
            Tags = other.Tags;
        }
        return *this;
    }

  private:
    /* A copy carries the name up to its NUL, not the whole buffer. */
    void copyName(const MetaData& other)
    {
        size_t n = 0;
        while (n + 1 < sizeof TableName && other.TableName[n] != '\0') {
            TableName[n] = other.TableName[n];
            ++n;
        }
        TableName[n] = '\0';
    }
};
typedef std::list<MetaData> MetaDataList;

/* The image record of one file. Thumbnail holds RowStride(ThumbnailWidth, 24) *
 * ThumbnailHeight bytes: 24-bit pixels, rows padded to 4 bytes. */
struct ImageData {
    unsigned char* Thumbnail;
    int32_t ThumbnailWidth;
    int32_t ThumbnailHeight;
    int32_t Width;
    int32_t Height;
    int32_t Bitcount;
    SYSTEMTIME UpdateTM;
};
typedef std::list<ImageData> ImageDataList;

typedef std::list<std::string> StringList;

/* What KaAVDBReadImages hands to the application's callback for each listed file. */
struct ImageReadRecord {
    char Path[256];
    int32_t Index;
    ImageData Image;
};

/* status: 1 the file's row was found, 2 no row. Return non-zero to stop the walk. */
typedef int32_t (*ImageReadCallback)(int32_t status, void* context, ImageReadRecord* record);

/* Diagnostics: the text of the KaDBSVQuery argument check. Errors: every engine error
 * caught inside an operation, with the operation's fixed message. */
typedef void (*KaDiagnosticHandler)(const char* text);
typedef void (*KaErrorHandler)(const char* message, HRESULT code, const char* source,
                               const char* description);

extern "C" {

/* Catalogue lifecycle. */
KAVDB_API HRESULT KaAVDBCreate(const char* path);
KAVDB_API HRESULT KaAVDBOpen(const char* path, DBHandle** out);
KAVDB_API HRESULT KaAVDBClose(DBHandle* handle);
KAVDB_API HRESULT KaAVDBAddItem(DBHandle* handle, const char* path);

/* Folder and file registration. */
KAVDB_API HRESULT KaAVDBRegisterFile(DBHandle* handle, const char* path, MetaDataList* data,
                                     ImageData* image);
KAVDB_API HRESULT KaAVDBRegisterFolder(DBHandle* handle, const char* folder);
KAVDB_API HRESULT KaAVDBDeleteFile(DBHandle* handle, const char* path);
KAVDB_API HRESULT KaAVDBDeleteFolder(DBHandle* handle, const char* folder);
KAVDB_API HRESULT KaAVDBMoveFile(DBHandle* handle, const char* src, const char* dst,
                                 int32_t keepMark);
KAVDB_API HRESULT KaAVDBCopyFile(DBHandle* handle, const char* src, const char* dst,
                                 int32_t keepMark);

/* Metadata. */
KAVDB_API HRESULT KaAVDBWriteData(DBHandle* handle, const char* path, MetaDataList* data);
KAVDB_API HRESULT KaAVDBReadData(DBHandle* handle, const char* path, MetaDataList* data);
KAVDB_API HRESULT KaAVDBReadFilePartially(DBHandle* handle, const char* path, const char* table,
                                          const char* item, int32_t type, int32_t* size,
                                          void** data);
KAVDB_API HRESULT KaAVDBGetDataTotalNum(int32_t* count);
KAVDB_API HRESULT KaAVDBGetData(int32_t index, char* table, char* item, int32_t* type,
                                int32_t* size);
KAVDB_API HRESULT KaAVDBGetDataNum(const char* table, int32_t* count);
KAVDB_API HRESULT KaAVDBGetReadTableDataCount(DBHandle* handle, const char* table, int32_t* count);
KAVDB_API HRESULT KaAVDBGetReadTableData(DBHandle* handle, int32_t position, const char* table,
                                         MetaTagList* tags);
KAVDB_API HRESULT KaAVDBGetReadTableDataEx(DBHandle* handle, int32_t first, int32_t last,
                                           const char* table, MetaIdxDataList* rows);

/* Image and update-time records. */
KAVDB_API HRESULT KaAVDBReadImage(DBHandle* handle, const char* path, ImageData* out);
KAVDB_API HRESULT KaAVDBWriteImage(DBHandle* handle, const char* path, const ImageData* in);
KAVDB_API HRESULT KaAVDBReadImages(DBHandle* handle, void* context, StringList* paths,
                                   ImageReadCallback callback);
KAVDB_API HRESULT KaAVDBReadImageBatch(DBHandle* handle, StringList* paths, ImageDataList* out);
KAVDB_API HRESULT KaAVDBReadUpdateData(DBHandle* handle, const char* path, char* out);
KAVDB_API HRESULT KaAVDBWriteUpdateData(DBHandle* handle, const char* path, const char* text);

/* Refresh. mode 1 deletes changed rows, mode 2 keeps them for a new thumbnail. */
KAVDB_API HRESULT KaAVDBRefreshFolder(DBHandle* handle, const char* folder, int32_t mode);
KAVDB_API HRESULT KaAVDBRefreshFiles(DBHandle* handle, StringList* paths, int32_t mode);
KAVDB_API HRESULT KaAVDBRefreshAll(DBHandle* handle, int32_t mode);

/* Comments, marks and folder information. */
KAVDB_API HRESULT KaAVDBReadComment(DBHandle* handle, const char* path, char* out);
KAVDB_API HRESULT KaAVDBWriteComment(DBHandle* handle, const char* path, const char* comment);
KAVDB_API HRESULT KaAVDBReadFolderInfo(DBHandle* handle, const char* folder, char* out);
KAVDB_API HRESULT KaAVDBWriteFolderInfo(DBHandle* handle, const char* folder, const char* text);
KAVDB_API HRESULT KaAVDBSetCheck(DBHandle* handle, const char* path, int32_t mark);
KAVDB_API HRESULT KaAVDBGetCheck(DBHandle* handle, const char* path, int32_t* mark);

/* Metadata table maintenance. */
KAVDB_API HRESULT KaAVDBDeleteInfo(DBHandle* handle, char* sql);
KAVDB_API HRESULT KaAVDBUpdateTableData(DBHandle* handle, const char* table, const char* item,
                                        const char* oldText, const char* newText);

/* Queries and direct SQL. */
KAVDB_API HRESULT KaAVDBQuery(DBHandle* handle, const char* sql, StringList* out);
KAVDB_API HRESULT KaAVDBGetCountSQL(DBHandle* handle, const char* sql, int32_t* count);
KAVDB_API HRESULT KaAVDBGetQueryFileList(DBHandle* handle, const char* sql, StringList* out,
                                         int32_t namesOnly);
KAVDB_API HRESULT KaAVDBExecuteSQL(DBHandle* handle, const char* sql);

/* Text and place indexes, kept in step by the catalogue itself on every write, by any
 * program. A text index holds each file's name, folder and comment and the text items
 * named ("Table.Item"); a place index each file's position from two number items of one
 * table (signed degrees). Making an index that exists with the same items changes nothing.
 * A search appends full paths to out, best first (nearest first by place), at most limit
 * of them (all when limit < 1): KAVDB_E_NOT_FOUND when none match, KAVDB_E_NO_SUCH_TABLE
 * when the catalogue has no such index. Search text is words (all required), "quoted
 * phrases" and prefix* terms; any text is accepted, punctuation separates words, and
 * case and accents are ignored. */
KAVDB_API HRESULT KaAVDBCreateTextIndex(DBHandle* handle, StringList* items);
KAVDB_API HRESULT KaAVDBSearchText(DBHandle* handle, const char* text, int32_t limit,
                                   StringList* out);
KAVDB_API HRESULT KaAVDBCreatePlaceIndex(DBHandle* handle, const char* table, const char* latitude,
                                         const char* longitude);
KAVDB_API HRESULT KaAVDBSearchPlace(DBHandle* handle, double latitude, double longitude,
                                    double metres, int32_t limit, StringList* out);

/* The engine's planner statistics, which let a search composed over a large catalogue
 * start from its narrowest table instead of reading every file's record. A file
 * catalogue is sampled again when it has no sample yet or its file count has changed
 * tenfold since the last one (tens of milliseconds at a million files); otherwise, and
 * on a server, which keeps its own, nothing is done. S_OK in every such case. New
 * statistics may change the engine's plans, and with them the order of a search's rows. */
KAVDB_API HRESULT KaAVDBRefreshStatistics(DBHandle* handle);

/* Keeping the catalogue whole. KaAVDBCheck appends one line per finding to report and
 * sets *problems to the number left standing: the file's integrity, keys, files gone from
 * disk, the indexes (metadata rows no file uses are reported, not counted). With repair,
 * broken links are cleared, unused rows dropped and the indexes made again. KaAVDBBackup copies the
 * catalogue to path (nothing may be there yet), checks the copy's integrity and keys and restores
 * it into a scratch file that must hold every row and checksum of the catalogue: S_OK only then,
 * else KAVDB_E_DAMAGED with the copy removed. On a server catalogue the check reports the
 * integrity as kept by the server (not checked, not counted), and the backup is a catalogue
 * file holding the server's rows as one snapshot read them, checked as a file's backup. */
KAVDB_API HRESULT KaAVDBCheck(DBHandle* handle, int32_t repair, StringList* report,
                              int32_t* problems);
KAVDB_API HRESULT KaAVDBBackup(DBHandle* handle, const char* path, StringList* report);

/* Copying a whole catalogue to another engine, or to another file: src and dst are each a
 * catalogue file, a server URI (postgresql://...) or a link file naming one, as
 * KaAVDBOpen takes them; a missing dst is created as KaAVDBCreate does. Every row of
 * PathTable, of each configured metadata table the catalogue has and of MainTable is
 * copied with its key as it is (a server's counters are set past them), binary items
 * byte for byte; the text and place indexes src holds are made again in dst. */
/* The copy is then read back: each table's row count and checksum (its values in key
 * order) must agree on both sides; report gets one line per table saying so. progress,
 * when given, is called with context as rows are written (table, rows done, rows in the
 * table). */
typedef void (*KaCopyProgress)(void* context, const char* table, int64_t done, int64_t total);
/* A dst that already holds a catalogue with rows is refused with KAVDB_E_ALREADY_EXISTS,
 * and a table or item of src that dst lacks with KAVDB_E_NO_SUCH_TABLE or
 * KAVDB_E_UNKNOWN_COLUMN, before anything is written. The copy is one transaction of dst:
 * any failure (KAVDB_E_DAMAGED when the checks disagree) leaves no row written, and a
 * catalogue file the call created is removed again (a server catalogue it created stays,
 * empty). src is only read. */
KAVDB_API HRESULT KaAVDBCopyCatalogue(const char* src, const char* dst, StringList* report,
                                      KaCopyProgress progress, void* context);

/* The service facade: one process-wide catalogue. */
KAVDB_API HRESULT KaDBSVInitDatabase(const char* path);
KAVDB_API HRESULT KaDBSVExitDatabase();
KAVDB_API HRESULT KaDBSVGetDataTableNum(int32_t* count);
KAVDB_API HRESULT KaDBSVGetDataTable(int32_t index, char** table, char** item, int32_t* type,
                                     int32_t* size);
KAVDB_API HRESULT KaDBSVEnrollFolder(const char* folder);
KAVDB_API HRESULT KaDBSVEnrollFile(const char* path, MetaDataList* data);
KAVDB_API HRESULT KaDBSVEnrollImage(const char* path, ImageData* image);
KAVDB_API HRESULT KaDBSVUpdateFile(const char* path, MetaDataList* data);
KAVDB_API HRESULT KaDBSVSetFolderInfo(const char* folder, const char* text);
KAVDB_API HRESULT KaDBSVDeleteFolder(const char* folder);
KAVDB_API HRESULT KaDBSVDeleteFile(const char* path);
KAVDB_API HRESULT KaDBSVMoveFile(const char* src, const char* dst, int32_t keepMark);
KAVDB_API HRESULT KaDBSVReadFile(const char* path, MetaDataList* data);
KAVDB_API HRESULT KaDBSVReadFilePartially(const char* path, const char* table, const char* item,
                                          int32_t type, int32_t* size, void** data);
KAVDB_API HRESULT KaDBSVGetFolderInfo(const char* folder, char** text);
KAVDB_API HRESULT KaDBSVReadImage(const char* path, ImageData* image);
KAVDB_API HRESULT KaDBSVUpdateImage(const char* path, const ImageData* image);
KAVDB_API HRESULT KaDBSVReadComment(const char* path, char** text);
KAVDB_API HRESULT KaDBSVUpdateComment(const char* path, const char* comment);
KAVDB_API HRESULT KaDBSVQuery(const char* strSQL, StringList* lpList);
KAVDB_API HRESULT KaDBSVGetReadTableDataCount(const char* table, int32_t* count);
KAVDB_API HRESULT KaDBSVGetReadTableData(int32_t position, const char* table, MetaTagList* tags);
KAVDB_API HRESULT KaDBSVGetReadTableDataEx(int32_t first, int32_t last, const char* table,
                                           MetaIdxDataList* rows);
KAVDB_API HRESULT KaDBSVRefreshFolder(const char* folder, int32_t mode);
KAVDB_API HRESULT KaDBSVCopyFile(const char* src, const char* dst, int32_t keepMark);
KAVDB_API HRESULT KaDBSVRefreshFiles(StringList* paths, int32_t mode);
KAVDB_API HRESULT KaDBSVRefreshAll(int32_t mode);
KAVDB_API HRESULT KaDBSVWriteUpdateData(const char* path, const char* text);
KAVDB_API HRESULT KaDBSVReadUpdateData(const char* path, char* text);
KAVDB_API HRESULT KaDBSVDeleteInfo(char* sql);
KAVDB_API HRESULT KaDBSVUpdateTableData(const char* table, const char* item, const char* oldText,
                                        const char* newText);
KAVDB_API HRESULT KaDBSVReadImageBatch(StringList* paths, ImageDataList* out);
KAVDB_API HRESULT KaDBSVReadImages(void* context, StringList* paths, ImageReadCallback callback);
KAVDB_API HRESULT KaDBSVSetCheck(const char* path, int32_t mark);
KAVDB_API HRESULT KaDBSVGetCheck(const char* path, int32_t* mark);
KAVDB_API HRESULT KaDBSVGetQueryFileList(const char* sql, StringList* out, int32_t namesOnly);
KAVDB_API HRESULT KaDBSVExecuteSQL(const char* sql);
KAVDB_API HRESULT KaDBSVGetCountSQL(const char* sql, int32_t* count);
KAVDB_API HRESULT KaDBSVCreateTextIndex(StringList* items);
KAVDB_API HRESULT KaDBSVSearchText(const char* text, int32_t limit, StringList* out);
KAVDB_API HRESULT KaDBSVCreatePlaceIndex(const char* table, const char* latitude,
                                         const char* longitude);
KAVDB_API HRESULT KaDBSVSearchPlace(double latitude, double longitude, double metres, int32_t limit,
                                    StringList* out);
KAVDB_API HRESULT KaDBSVRefreshStatistics(void);
KAVDB_API HRESULT KaDBSVCheck(int32_t repair, StringList* report, int32_t* problems);
KAVDB_API HRESULT KaDBSVBackup(const char* path, StringList* report);

/* Records, lists and helpers. */
KAVDB_API HRESULT FreeMetaTag(MetaTag* tag);
KAVDB_API HRESULT CopyMetaTag(const MetaTag* src, MetaTag* dst);
KAVDB_API HRESULT FreeMetaTagList(MetaTagList* list);
KAVDB_API HRESULT FreeMetaIdxDataList(MetaIdxDataList* list);
KAVDB_API HRESULT FreeMetaDataList(MetaDataList* list);
KAVDB_API HRESULT FreeImageData(ImageData* image);
KAVDB_API HRESULT FreeImageDataList(ImageDataList* list);
KAVDB_API HRESULT FreeStringList(StringList* list);
KAVDB_API void SYSTEMTIMEtoSTR(SYSTEMTIME time, char* text);
KAVDB_API void STRtoSYSTEMTIME(SYSTEMTIME* time, const char* text);
KAVDB_API int32_t GetFileUpdateTM(const char* path, SYSTEMTIME* time);
/* Releases a buffer handed out by KaAVDBReadFilePartially. */
KAVDB_API HRESULT FreeBuffer(void* buffer);

/* Handlers: null restores the default (diagnostics to standard error; errors nowhere). */
KAVDB_API void KaSetDiagnosticHandler(KaDiagnosticHandler handler);
KAVDB_API void KaSetErrorHandler(KaErrorHandler handler);

} /* extern "C" */

#endif /* KAVDBMGR_H */
