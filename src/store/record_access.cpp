/*
 * Record access helpers: recordsets from statements, row counting and the one-row rule,
 * field conversion and path keys.
 */
#include "store/record_access.h"

#include <cstring>

namespace kavdb::store {

namespace {

bool isSeparator(char c)
{
    return c == '/' || c == '\\';
}

/* Length of a leading drive ("X:"), 0 when the path has none. */
std::size_t driveLength(std::string_view p)
{
    bool letter = p.size() >= 2 && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
    return letter && p[1] == ':' ? 2 : 0;
}

/* Index just past the last separator (or the drive), where the file name starts. */
std::size_t nameStart(std::string_view p)
{
    for (std::size_t i = p.size(); i > 0; --i) {
        if (isSeparator(p[i - 1])) {
            return i;
        }
    }
    return driveLength(p);
}

} // namespace

FieldValue* findField(FieldValueList& list, std::string_view name)
{
    for (auto& f : list) {
        if (f.name.isText() && f.name.asText() == name) {
            return &f;
        }
    }
    return nullptr;
}

const FieldValue* findField(const FieldValueList& list, std::string_view name)
{
    return findField(const_cast<FieldValueList&>(list), name);
}

engine::Connection& connectionOf(DBHandle* h)
{
    if (h == nullptr || !h->Connection) {
        raiseError(E_POINTER, "The catalogue has no connection.");
    }
    return *h->Connection;
}

void raiseError(HResult code, const std::string& description)
{
    throw EngineError(code, "kavdb", description);
}

Recordset openRows(DBHandle* h, const Query& q, Cursor cursor)
{
    return q.values.empty() ? Recordset(connectionOf(h), q.sql, cursor)
                            : Recordset(connectionOf(h), q.sql, q.values, cursor);
}

HResult OpenRecordset(DBHandle* h, const Query& q, Cursor cursor, std::unique_ptr<Recordset>& out)
{
    out.reset();
    if (q.sql.size() > kSqlMax) {
        return E_INVALIDARG;
    }
    return guarded("Failed to open recordset", [&] {
        out = std::make_unique<Recordset>(openRows(h, q, cursor));
        return S_OK;
    });
}

long CountRows(Recordset& rs)
{
    rs.moveFirst();
    long n = 0;
    while (!rs.bof() && !rs.eof()) {
        ++n;
        rs.moveNext();
    }
    return n;
}

HResult standOnOnlyRow(Recordset& rs)
{
    long n = CountRows(rs);
    if (n != 1) {
        return n == 0 ? KAVDB_E_NOT_FOUND : E_FAIL;
    }
    rs.moveFirst();
    return S_OK;
}

HResult openOnlyRow(DBHandle* h, const Query& q, std::unique_ptr<Recordset>& rs)
{
    OpenRecordset(h, q, Cursor::Keyset, rs);
    if (!rs) {
        raiseError(E_POINTER, "There is no recordset to move on.");
    }
    return standOnOnlyRow(*rs);
}

bool yieldSlice(DBHandle* h)
{
    return h != nullptr && h->Connection && h->Connection->yieldIfDue();
}

int32_t readInt(Recordset& rs, const std::string& column)
{
    Value v = rs.get(column);
    return v.isInt() ? v.asInt() : v.toInt();
}

std::string readText(Recordset& rs, const std::string& column)
{
    Value v = rs.get(column);
    return v.isText() ? v.asText() : v.toText();
}

bool hasSeparator(std::string_view text)
{
    return text.find_first_of("/\\") != std::string_view::npos;
}

bool endsWithSeparator(std::string_view text)
{
    return !text.empty() && isSeparator(text.back());
}

void appendSeparator(std::string& text)
{
    auto last = text.find_last_of("/\\");
    text.push_back(last == std::string::npos ? '/' : text[last]);
}

HResult GetFolderPart(const char* path, std::string& out)
{
    if (path == nullptr || *path == '\0') {
        return E_INVALIDARG;
    }
    std::string_view p(path);
    std::size_t n = nameStart(p);
    if (n > kFolderMax) {
        return E_INVALIDARG;
    }
    out.assign(p.substr(0, n));
    return S_OK;
}

HResult GetFileNamePart(const char* path, std::string& out)
{
    if (path == nullptr || *path == '\0') {
        return E_INVALIDARG;
    }
    std::string_view p(path);
    std::string_view name = p.substr(nameStart(p));
    if (name.size() > kNameMax) {
        return E_INVALIDARG;
    }
    out.assign(name);
    return out.empty() ? E_FAIL : S_OK;
}

HResult SplitFilePath(const char* path, std::string& folder, std::string& name)
{
    HResult hr = GetFolderPart(path, folder);
    return hr < 0 ? hr : GetFileNamePart(path, name);
}

bool IsFolderPath(const char* path)
{
    return path != nullptr && *path != '\0' && std::strchr(path, '.') == nullptr;
}

HResult CheckName(std::string_view name)
{
    auto letter = [](unsigned char c) {
        return ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == '_' || c >= 0x80;
    };
    bool plain = !name.empty() && letter(static_cast<unsigned char>(name[0]));
    for (unsigned char c : name) {
        plain = plain && (letter(c) || (c >= '0' && c <= '9'));
    }
    return plain ? S_OK : KAVDB_E_SYNTAX;
}

} // namespace kavdb::store
