/*
 * The statement `kavdb search` hands to the library's search: SELECT * FROM <tables>
 * WHERE (<condition>). The library appends its joins after the condition, so the
 * condition is parenthesised (an OR inside it then stays inside it) and must not carry
 * an ORDER BY (search prints paths in path order; sql sorts). Whole keywords are matched
 * against the "; "-separated Caption.Keywords list, so "sea" never matches "overseas";
 * a range of dates taken is compared with ExifInfo.DateTaken, a text that sorts as the
 * dates do.
 */
#pragma once

#include <string>
#include <vector>

namespace kavdb {

struct SearchRequest {
    std::string statement;             // full form, or empty
    std::string where;                 // short form's condition, or empty
    std::string table = "ExifInfo";    // short form's tables
    std::vector<std::string> keywords; // whole keywords that must all be present
    std::string takenFrom{};           // date-taken bounds as dateBound gives them, or empty
    std::string takenTo{};
};

struct SearchStatement {
    std::string sql;   // what the library is given; empty when refused
    std::string error; // why it was refused
};

SearchStatement composeSearch(const SearchRequest& request);

/* True when the request holds a condition for the library's search. */
bool hasCondition(const SearchRequest& request);

/* The condition that one whole keyword is among a photo's keywords. */
std::string keywordCondition(const std::string& keyword);

} // namespace kavdb
