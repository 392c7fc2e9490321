/*
 * Configuration: kadb.ini (metadata tables and their items) and the level file kadb.dat.
 *
 * Both live beside the library (or in KAVDB_CONFIG_DIR); their paths are found once per
 * process. An export call takes kadb.ini as it is when the call starts (call.h) and sees
 * that one snapshot throughout, so an application may change the file between calls. The
 * reader follows the private-profile rules: names ignore case, values are trimmed and
 * lose one pair of surrounding quotes, ';' starts a comment, the first match wins, and a
 * value is cut to its buffer size minus one.
 */
#pragma once

#include "store/record_access.h"

#include <memory>
#include <string>
#include <vector>

namespace kavdb::store {

HResult kaGetIniPath(std::string& out);
HResult kaGetDatPath(std::string& out);

/* The profile reader over any file: the value of key in section, "" when absent. */
std::string GetProfileString(const std::string& section, const std::string& key,
                             std::size_t bufferSize, const std::string& file);

/* One item value "name,kind,size,": which commas it holds decides what it gives. */
struct ItemSpec {
    std::string name;
    bool hasFirstComma = false;  // a name was given
    bool hasSecondComma = false; // a kind was given
    bool hasThirdComma = false;  // a size was given
    int kind = 0;
    int size = 0;
};
ItemSpec parseItem(const std::string& value);

/* Every configured item, table by table and key by key: the running sequence. */
struct ConfiguredItem {
    int table = 0; // 1-based table number
    std::string tableName;
    std::string value; // the item's raw value
};

/* kadb.ini as read at one moment. */
class Config {
  public:
    /* The file as it is on disk now; one unchanged since it was last read is not parsed
     * again. A missing file is an empty configuration. */
    static Config load();

    /* False when the configuration's directory cannot be found at all. */
    bool found() const { return found_; }
    std::string value(const std::string& section, const std::string& key,
                      std::size_t bufferSize = kConfigMax + 1) const;
    /* "DataTable%d"'s TableName, and its item i; "" when absent. */
    std::string tableName(int k) const;
    std::string item(int k, int i) const;
    std::vector<std::string> tableNames() const;
    std::vector<ConfiguredItem> items() const;

    struct Entries;

  private:
    std::shared_ptr<const Entries> entries_;
    bool found_ = false;
};

/* The configuration an export call took: the handle's during a call, else read now. */
Config configOf(DBHandle* h);

/* "DataTable%d", the name of table k's section. */
std::string sectionName(int k);
HResult kaCountDataTables(const Config& config, int32_t* count);
HResult configuredItems(const Config& config, std::vector<ConfiguredItem>& out);

/* Look-ups by table name (case-sensitive). */
HResult kaGetLinkColumn(const Config& config, const std::string& table, std::string& out);
HResult kaGetTableName(const Config& config, std::string& out, int k);
HResult kaGetItemNames(const Config& config, const std::string& table,
                       std::vector<std::string>& out);
HResult kaGetItemValues(const Config& config, const std::string& table, FieldValueList& out);

} // namespace kavdb::store
