/*
 * Configuration reading: the profile reader over kadb.ini, the two configuration paths,
 * and the look-ups by table name that metadata operations make on every call.
 *
 * The file is parsed again whenever it changed on disk (its identity, size and
 * modification time), which keeps "read on every call" true without parsing the same
 * bytes thousands of times in a folder walk; inside one call it is looked at only once.
 */
#include "store/config.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <strings.h>

namespace kavdb::store {

namespace {

struct IniEntry {
    std::string section;
    std::string key;
    std::string value;
};

struct IniSnapshot {
    std::string path;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    struct timespec mtime = {0, 0};
    std::vector<IniEntry> entries;
};

std::string trim(const std::string& s)
{
    const char* ws = " \t\r\n";
    auto b = s.find_first_not_of(ws);
    if (b == std::string::npos) {
        return "";
    }
    auto e = s.find_last_not_of(ws);
    return s.substr(b, e - b + 1);
}

std::string unquote(const std::string& v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        return v.substr(1, v.size() - 2);
    }
    return v;
}

std::vector<IniEntry> parseIni(std::istream& in)
{
    std::vector<IniEntry> entries;
    std::string line;
    std::string section;
    bool inSection = false;
    while (std::getline(in, line)) {
        std::string t = trim(line);
        if (t.empty() || t[0] == ';') {
            continue;
        }
        if (t[0] == '[') {
            auto close = t.find(']');
            section = trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            inSection = true;
            continue;
        }
        auto eq = t.find('=');
        if (!inSection || eq == std::string::npos) {
            continue;
        }
        entries.push_back({section, trim(t.substr(0, eq)), unquote(trim(t.substr(eq + 1)))});
    }
    return entries;
}

thread_local int callDepth = 0;
thread_local bool checkedInCall = false;
thread_local unsigned long parses = 0; // moves whenever the snapshot's entries may change

/* The parsed file, re-read when the file on disk is not the one parsed last. */
const std::vector<IniEntry>& snapshotOf(const std::string& file)
{
    static thread_local IniSnapshot snap;
    if (checkedInCall && snap.path == file) {
        return snap.entries;
    }
    checkedInCall = callDepth > 0;
    struct stat st {};
    if (stat(file.c_str(), &st) != 0) {
        snap = IniSnapshot{};
        snap.path = file;
        ++parses;
        return snap.entries;
    }
    bool same = snap.path == file && snap.dev == st.st_dev && snap.ino == st.st_ino &&
                snap.size == st.st_size && snap.mtime.tv_sec == st.st_mtim.tv_sec &&
                snap.mtime.tv_nsec == st.st_mtim.tv_nsec;
    if (!same) {
        std::ifstream in(file, std::ios::binary);
        snap.entries = parseIni(in);
        ++parses;
        snap.path = file;
        snap.dev = st.st_dev;
        snap.ino = st.st_ino;
        snap.size = st.st_size;
        snap.mtime = st.st_mtim;
    }
    return snap.entries;
}

/* The directory of the configuration files: KAVDB_CONFIG_DIR, else the library's own. */
std::string configDir()
{
    const char* env = std::getenv("KAVDB_CONFIG_DIR");
    if (env != nullptr && *env != '\0') {
        std::string d = env;
        return d.back() == '/' ? d : d + "/";
    }
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&configDir), &info) == 0 || info.dli_fname == nullptr) {
        return "";
    }
    std::string so = info.dli_fname;
    auto slash = so.rfind('/');
    return slash == std::string::npos ? "./" : so.substr(0, slash + 1);
}

HResult cachedPath(const char* fileName, std::string& out)
{
    static std::once_flag once;
    static std::string dir;
    std::call_once(once, [] { dir = configDir(); });
    if (dir.empty()) {
        return E_FAIL;
    }
    out = dir + fileName;
    return S_OK;
}

} // namespace

ConfigCallScope::ConfigCallScope()
{
    ++callDepth;
}

ConfigCallScope::~ConfigCallScope()
{
    if (--callDepth == 0) {
        checkedInCall = false;
    }
}

std::string GetProfileString(const std::string& section, const std::string& key,
                             std::size_t bufferSize, const std::string& file)
{
    if (bufferSize == 0) {
        return "";
    }
    for (const auto& e : snapshotOf(file)) {
        if (strcasecmp(e.section.c_str(), section.c_str()) == 0 &&
            strcasecmp(e.key.c_str(), key.c_str()) == 0) {
            return e.value.substr(0, bufferSize - 1);
        }
    }
    return "";
}

HResult kaGetIniPath(std::string& out)
{
    return cachedPath("kadb.ini", out);
}
HResult kaGetDatPath(std::string& out)
{
    return cachedPath("kadb.dat", out);
}

std::string sectionName(int k)
{
    return "DataTable" + std::to_string(k);
}

std::string kaReadTableName(int k, const std::string& ini)
{
    return GetProfileString(sectionName(k), "TableName", kConfigMax + 1, ini);
}

std::string kaReadItem(int i, const std::string& section, const std::string& ini)
{
    return GetProfileString(section, "Item" + std::to_string(i), kConfigMax + 1, ini);
}

HResult kaCountDataTables(int32_t* count)
{
    if (count == nullptr) {
        return E_INVALIDARG;
    }
    std::vector<std::string> names;
    HResult hr = kaGetTableNames(names);
    if (hr < 0) {
        return hr;
    }
    *count = static_cast<int32_t>(names.size());
    return S_OK;
}

ItemSpec parseItem(const std::string& value)
{
    ItemSpec spec;
    auto c1 = value.find(',');
    spec.name = value.substr(0, c1);
    if (c1 == std::string::npos) {
        return spec;
    }
    spec.hasFirstComma = true;
    auto c2 = value.find(',', c1 + 1);
    spec.kind = std::atoi(value.substr(c1 + 1, c2 - c1 - 1).c_str());
    if (c2 == std::string::npos) {
        return spec;
    }
    spec.hasSecondComma = true;
    auto c3 = value.find(',', c2 + 1);
    spec.size = std::atoi(value.substr(c2 + 1, c3 - c2 - 1).c_str());
    spec.hasThirdComma = c3 != std::string::npos;
    return spec;
}

HResult configuredItems(std::vector<ConfiguredItem>& out)
{
    std::string ini;
    HResult hr = kaGetIniPath(ini);
    if (hr < 0) {
        return hr;
    }
    for (int k = 1;; ++k) {
        std::string table = kaReadTableName(k, ini);
        if (table.empty()) {
            return S_OK;
        }
        std::string section = sectionName(k);
        for (int i = 1;; ++i) {
            std::string item = kaReadItem(i, section, ini);
            if (item.empty()) {
                break;
            }
            out.push_back({k, table, item});
        }
    }
}

HResult kaGetTableNames(std::vector<std::string>& out)
{
    // Asked for on every file a walk registers: kept while the parsed file stays.
    static thread_local struct {
        std::string ini;
        unsigned long parse = 0;
        std::vector<std::string> names;
    } known;
    out.clear();
    std::string ini;
    HResult hr = kaGetIniPath(ini);
    if (hr < 0) {
        return hr;
    }
    snapshotOf(ini);
    if (known.parse == parses && known.ini == ini) {
        out = known.names;
        return S_OK;
    }
    for (int k = 1;; ++k) {
        std::string name = kaReadTableName(k, ini);
        if (name.empty()) {
            break;
        }
        out.push_back(name);
    }
    known = {ini, parses, out};
    return S_OK;
}

/* The 1-based number of the first table of that name: E_INVALIDARG for an empty name,
 * E_FAIL when no table has it. */
static HResult tableNumber(const std::string& table, int& number)
{
    if (table.empty()) {
        return E_INVALIDARG;
    }
    std::vector<std::string> names;
    HResult hr = kaGetTableNames(names);
    if (hr < 0) {
        return hr;
    }
    auto it = std::find(names.begin(), names.end(), table);
    if (it == names.end()) {
        return E_FAIL;
    }
    number = static_cast<int>(it - names.begin()) + 1;
    return S_OK;
}

HResult kaGetLinkColumn(const std::string& table, std::string& out)
{
    int k = 0;
    HResult hr = tableNumber(table, k);
    if (hr == S_OK) {
        out = "DataID" + std::to_string(k);
    }
    return hr;
}

HResult kaGetTableName(std::string& out, int k)
{
    if (k < 1) {
        return E_INVALIDARG;
    }
    std::vector<std::string> names;
    HResult hr = kaGetTableNames(names);
    if (hr < 0) {
        return hr;
    }
    if (static_cast<std::size_t>(k) > names.size()) {
        return E_FAIL;
    }
    out = names[static_cast<std::size_t>(k) - 1];
    return S_OK;
}

HResult kaGetItemNames(const std::string& table, std::vector<std::string>& out)
{
    out.clear();
    int k = 0;
    HResult hr = tableNumber(table, k);
    if (hr < 0) {
        return hr;
    }
    std::string ini;
    kaGetIniPath(ini);
    std::string section = sectionName(k);
    for (int i = 1;; ++i) {
        std::string item = kaReadItem(i, section, ini);
        auto comma = item.find(',');
        if (item.empty() || comma == std::string::npos) {
            break;
        }
        out.push_back(item.substr(0, comma));
    }
    return out.empty() ? E_FAIL : S_OK;
}

HResult kaGetItemValues(const std::string& table, FieldValueList& out)
{
    out.clear();
    std::vector<std::string> names;
    HResult hr = kaGetItemNames(table, names);
    for (const auto& n : names) {
        out.push_back({Value::text(n), Value()});
    }
    return hr;
}

} // namespace kavdb::store
