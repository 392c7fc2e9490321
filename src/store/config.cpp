/*
 * Configuration reading: the profile reader, the two configuration paths, kadb.ini taken
 * whole at a call's start, and the look-ups by table name metadata operations make.
 *
 * Taking the file costs one look at it (its identity, size and modification time): a file
 * unchanged since it was last parsed is shared, not parsed again, so a folder walk's
 * thousands of calls read the same bytes once.
 */
#include "store/config.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <strings.h>

namespace kavdb::store {

struct IniEntry {
    std::string section;
    std::string key;
    std::string value;
};

struct Config::Entries {
    std::vector<IniEntry> entries;
};

namespace {

std::string trim(const std::string& s)
{
    auto b = s.find_first_not_of(" \t\r\n");
    return b == std::string::npos ? "" : s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

std::string unquote(const std::string& v)
{
    bool quoted = v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
    return quoted ? v.substr(1, v.size() - 2) : v;
}

std::vector<IniEntry> parseIni(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<IniEntry> entries;
    std::string line, section;
    bool inSection = false;
    while (std::getline(in, line)) {
        std::string t = trim(line);
        auto eq = t.find('=');
        if (!t.empty() && t[0] == '[') {
            auto close = t.find(']');
            section = trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            inSection = true;
        } else if (!t.empty() && t[0] != ';' && inSection && eq != std::string::npos) {
            entries.push_back({section, trim(t.substr(0, eq)), unquote(trim(t.substr(eq + 1)))});
        }
    }
    return entries;
}

std::string lookUp(const std::vector<IniEntry>& entries, const std::string& section,
                   const std::string& key, std::size_t bufferSize)
{
    for (const auto& e : entries) {
        if (bufferSize > 0 && strcasecmp(e.section.c_str(), section.c_str()) == 0 &&
            strcasecmp(e.key.c_str(), key.c_str()) == 0) {
            return e.value.substr(0, bufferSize - 1);
        }
    }
    return "";
}

/* The directory the library's file lies in, found once: it never moves. */
const std::string& libraryDir()
{
    static const std::string dir = [] {
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&libraryDir), &info) == 0 || info.dli_fname == nullptr) {
            return std::string();
        }
        std::string so = info.dli_fname;
        auto slash = so.rfind('/');
        return slash == std::string::npos ? std::string("./") : so.substr(0, slash + 1);
    }();
    return dir;
}

/* A configuration file in KAVDB_CONFIG_DIR, read at every call so that a change of it
 * is seen, else in the library's own directory. */
HResult configPath(const char* fileName, std::string& out)
{
    const char* env = std::getenv("KAVDB_CONFIG_DIR");
    std::string dir = env != nullptr && *env != '\0' ? env : libraryDir();
    if (dir.empty()) {
        return E_FAIL;
    }
    out = dir + (dir.back() == '/' ? "" : "/") + fileName;
    return S_OK;
}

/* kadb.ini's entries, shared while the file on disk is the one parsed last. */
std::shared_ptr<const Config::Entries> entriesOf(const std::string& file)
{
    static std::mutex guard;
    static struct {
        std::string path;
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = -1;
        timespec mtime{};
        std::shared_ptr<const Config::Entries> entries;
    } last;
    struct stat st {};
    if (stat(file.c_str(), &st) != 0) {
        return std::make_shared<const Config::Entries>();
    }
    std::lock_guard<std::mutex> lock(guard);
    bool same = last.entries && last.path == file && last.dev == st.st_dev &&
                last.ino == st.st_ino && last.size == st.st_size &&
                last.mtime.tv_sec == st.st_mtim.tv_sec && last.mtime.tv_nsec == st.st_mtim.tv_nsec;
    if (!same) {
        last = {
            file,       st.st_dev,
            st.st_ino,  st.st_size,
            st.st_mtim, std::make_shared<const Config::Entries>(Config::Entries{parseIni(file)})};
    }
    return last.entries;
}

/* The 1-based number of the first table of that name: E_INVALIDARG for an empty name,
 * E_FAIL when no table has it. */
HResult tableNumber(const Config& config, const std::string& table, int& number)
{
    if (table.empty()) {
        return E_INVALIDARG;
    }
    std::vector<std::string> names = config.tableNames();
    auto it = std::find(names.begin(), names.end(), table);
    if (!config.found() || it == names.end()) {
        return E_FAIL;
    }
    number = static_cast<int>(it - names.begin()) + 1;
    return S_OK;
}

} // namespace

HResult kaGetIniPath(std::string& out)
{
    return configPath("kadb.ini", out);
}

HResult kaGetDatPath(std::string& out)
{
    return configPath("kadb.dat", out);
}

std::string GetProfileString(const std::string& section, const std::string& key,
                             std::size_t bufferSize, const std::string& file)
{
    return lookUp(parseIni(file), section, key, bufferSize);
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

Config Config::load()
{
    Config config;
    std::string ini;
    config.found_ = kaGetIniPath(ini) == S_OK;
    config.entries_ = config.found_ ? entriesOf(ini) : std::make_shared<const Entries>();
    return config;
}

std::string Config::value(const std::string& section, const std::string& key,
                          std::size_t bufferSize) const
{
    return lookUp(entries_->entries, section, key, bufferSize);
}

std::string Config::tableName(int k) const
{
    return value(sectionName(k), "TableName");
}

std::string Config::item(int k, int i) const
{
    return value(sectionName(k), "Item" + std::to_string(i));
}

std::vector<std::string> Config::tableNames() const
{
    std::vector<std::string> names;
    for (int k = 1; !tableName(k).empty(); ++k) {
        names.push_back(tableName(k));
    }
    return names;
}

std::vector<ConfiguredItem> Config::items() const
{
    std::vector<ConfiguredItem> out;
    for (int k = 1; !tableName(k).empty(); ++k) {
        for (int i = 1; !item(k, i).empty(); ++i) {
            out.push_back({k, tableName(k), item(k, i)});
        }
    }
    return out;
}

Config configOf(DBHandle* h)
{
    return h != nullptr && h->CallConfig != nullptr ? *h->CallConfig : Config::load();
}

std::string sectionName(int k)
{
    return "DataTable" + std::to_string(k);
}

HResult kaCountDataTables(const Config& config, int32_t* count)
{
    if (count == nullptr) {
        return E_INVALIDARG;
    }
    if (!config.found()) {
        return E_FAIL;
    }
    *count = static_cast<int32_t>(config.tableNames().size());
    return S_OK;
}

HResult configuredItems(const Config& config, std::vector<ConfiguredItem>& out)
{
    if (!config.found()) {
        return E_FAIL;
    }
    out = config.items();
    return S_OK;
}

HResult kaGetLinkColumn(const Config& config, const std::string& table, std::string& out)
{
    int k = 0;
    HResult hr = tableNumber(config, table, k);
    if (hr == S_OK) {
        out = "DataID" + std::to_string(k);
    }
    return hr;
}

HResult kaGetTableName(const Config& config, std::string& out, int k)
{
    if (k < 1) {
        return E_INVALIDARG;
    }
    if (!config.found() || static_cast<int>(config.tableNames().size()) < k) {
        return E_FAIL; // the names run on while each is found
    }
    out = config.tableName(k);
    return S_OK;
}

HResult kaGetItemNames(const Config& config, const std::string& table,
                       std::vector<std::string>& out)
{
    out.clear();
    int k = 0;
    HResult hr = tableNumber(config, table, k);
    if (hr < 0) {
        return hr;
    }
    for (int i = 1;; ++i) {
        std::string item = config.item(k, i);
        auto comma = item.find(',');
        if (item.empty() || comma == std::string::npos) {
            break;
        }
        out.push_back(item.substr(0, comma));
    }
    return out.empty() ? E_FAIL : S_OK;
}

HResult kaGetItemValues(const Config& config, const std::string& table, FieldValueList& out)
{
    out.clear();
    std::vector<std::string> names;
    HResult hr = kaGetItemNames(config, table, names);
    for (const auto& n : names) {
        out.push_back({Value::text(n), Value()});
    }
    return hr;
}

} // namespace kavdb::store
