/*
 * The Jet functions, as SQLite user functions on every connection. Texts are UTF-8 and
 * lengths and positions count characters; case folding is ASCII, as the text columns'
 * NOCASE comparison is. Only the arities Jet uses are registered, so SQLite's own
 * functions of the same names keep their other forms (trim(x, chars) among them).
 *
 * Where Jet raises on a Null argument (Val, CStr, CLng) the result is Null instead, so a
 * query over rows with empty columns runs; a compare mode left out compares text.
 */
#include "store/engine/functions.h"

#include <sqlite3.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

namespace kavdb::engine {

namespace {

using Args = sqlite3_value**;

std::string_view textOf(sqlite3_value* v)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return p != nullptr ? std::string_view(p, static_cast<std::size_t>(sqlite3_value_bytes(v)))
                        : std::string_view();
}

bool anyNull(int argc, Args argv)
{
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            return true;
        }
    }
    return false;
}

void resultText(sqlite3_context* ctx, std::string_view s)
{
    sqlite3_result_text64(ctx, s.data(), s.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void invalidCall(sqlite3_context* ctx)
{
    sqlite3_result_error(ctx, "Invalid procedure call or argument", -1);
}

/* Byte offset of character index chars (0-based) in s, or s.size() past the end. */
std::size_t charOffset(std::string_view s, int64_t chars)
{
    std::size_t i = 0;
    for (; i < s.size() && chars > 0; ++i) {
        if (i + 1 >= s.size() || (static_cast<unsigned char>(s[i + 1]) & 0xC0) != 0x80) {
            --chars;
        }
    }
    return i;
}

int64_t charCount(std::string_view s)
{
    int64_t n = 0;
    for (char c : s) {
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return n;
}

int compareText(std::string_view a, std::string_view b, bool ignoreCase)
{
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        int x = static_cast<unsigned char>(a[i]);
        int y = static_cast<unsigned char>(b[i]);
        if (ignoreCase) {
            x = x < 0x80 ? std::tolower(x) : x;
            y = y < 0x80 ? std::tolower(y) : y;
        }
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

/* Position (1-based, in characters) of needle in hay from character start, 0 if none. */
int64_t findText(std::string_view hay, std::string_view needle, int64_t start, bool ignoreCase)
{
    std::size_t from = charOffset(hay, start - 1);
    if (from > hay.size() || (from == hay.size() && !needle.empty())) {
        return 0;
    }
    for (std::size_t i = from; i + needle.size() <= hay.size(); ++i) {
        if (compareText(hay.substr(i, needle.size()), needle, ignoreCase) == 0) {
            return charCount(hay.substr(0, i)) + 1;
        }
    }
    return 0;
}

void strCompFn(sqlite3_context* ctx, int argc, Args argv)
{
    if (anyNull(argc, argv)) {
        return sqlite3_result_null(ctx);
    }
    bool ignoreCase = argc < 3 || sqlite3_value_int(argv[2]) != 0;
    sqlite3_result_int(ctx, compareText(textOf(argv[0]), textOf(argv[1]), ignoreCase));
}

void caseFn(sqlite3_context* ctx, Args argv, bool upper)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        return sqlite3_result_null(ctx);
    }
    std::string s(textOf(argv[0]));
    for (char& c : s) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            c = static_cast<char>(upper ? std::toupper(u) : std::tolower(u));
        }
    }
    resultText(ctx, s);
}

void ucaseFn(sqlite3_context* ctx, int, Args argv)
{
    caseFn(ctx, argv, true);
}

void lcaseFn(sqlite3_context* ctx, int, Args argv)
{
    caseFn(ctx, argv, false);
}

void lenFn(sqlite3_context* ctx, int, Args argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        return sqlite3_result_null(ctx);
    }
    sqlite3_result_int64(ctx, charCount(textOf(argv[0])));
}

void midFn(sqlite3_context* ctx, int argc, Args argv)
{
    if (anyNull(argc, argv)) {
        return sqlite3_result_null(ctx);
    }
    int64_t start = sqlite3_value_int64(argv[1]);
    int64_t length = argc > 2 ? sqlite3_value_int64(argv[2]) : std::numeric_limits<int32_t>::max();
    if (start < 1 || length < 0) {
        return invalidCall(ctx);
    }
    std::string_view s = textOf(argv[0]);
    std::size_t from = charOffset(s, start - 1);
    std::string_view rest = s.substr(from);
    resultText(ctx, rest.substr(0, charOffset(rest, length)));
}

void leftRight(sqlite3_context* ctx, Args argv, bool left)
{
    if (anyNull(2, argv)) {
        return sqlite3_result_null(ctx);
    }
    int64_t n = sqlite3_value_int64(argv[1]);
    if (n < 0) {
        return invalidCall(ctx);
    }
    std::string_view s = textOf(argv[0]);
    int64_t total = charCount(s);
    if (left) {
        return resultText(ctx, s.substr(0, charOffset(s, n)));
    }
    resultText(ctx, s.substr(charOffset(s, n >= total ? 0 : total - n)));
}

void leftFn(sqlite3_context* ctx, int, Args argv)
{
    leftRight(ctx, argv, true);
}

void rightFn(sqlite3_context* ctx, int, Args argv)
{
    leftRight(ctx, argv, false);
}

/* InStr([start,] s1, s2[, compare]) */
void instrFn(sqlite3_context* ctx, int argc, Args argv)
{
    if (anyNull(argc, argv)) {
        return sqlite3_result_null(ctx);
    }
    bool withStart = argc >= 3;
    int64_t start = withStart ? sqlite3_value_int64(argv[0]) : 1;
    if (start < 1) {
        return invalidCall(ctx);
    }
    bool ignoreCase = argc < 4 || sqlite3_value_int(argv[3]) != 0;
    std::string_view hay = textOf(argv[withStart ? 1 : 0]);
    std::string_view needle = textOf(argv[withStart ? 2 : 1]);
    sqlite3_result_int64(ctx, findText(hay, needle, start, ignoreCase));
}

void trimFn(sqlite3_context* ctx, Args argv, bool front, bool back)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        return sqlite3_result_null(ctx);
    }
    std::string_view s = textOf(argv[0]);
    while (front && !s.empty() && s.front() == ' ') {
        s.remove_prefix(1);
    }
    while (back && !s.empty() && s.back() == ' ') {
        s.remove_suffix(1);
    }
    resultText(ctx, s);
}

void trimBothFn(sqlite3_context* ctx, int, Args argv)
{
    trimFn(ctx, argv, true, true);
}

void ltrimFn(sqlite3_context* ctx, int, Args argv)
{
    trimFn(ctx, argv, true, false);
}

void rtrimFn(sqlite3_context* ctx, int, Args argv)
{
    trimFn(ctx, argv, false, true);
}

void iifFn(sqlite3_context* ctx, int, Args argv)
{
    int type = sqlite3_value_type(argv[0]);
    bool truth = type != SQLITE_NULL && type != SQLITE_BLOB && sqlite3_value_double(argv[0]) != 0;
    sqlite3_result_value(ctx, argv[truth ? 1 : 2]);
}

void nzFn(sqlite3_context* ctx, int argc, Args argv)
{
    if (sqlite3_value_type(argv[0]) != SQLITE_NULL) {
        return sqlite3_result_value(ctx, argv[0]);
    }
    if (argc > 1) {
        return sqlite3_result_value(ctx, argv[1]);
    }
    resultText(ctx, "");
}

/* Val's reading of a text: blanks anywhere are skipped, &H and &O prefixes give hex and
 * octal, and the number ends at the first character that cannot continue it. */
void valFn(sqlite3_context* ctx, int, Args argv)
{
    int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_NULL || type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        return sqlite3_result_value(ctx, argv[0]);
    }
    std::string packed;
    for (char c : textOf(argv[0])) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') {
            packed += c;
        }
    }
    if (packed.size() > 2 && packed[0] == '&' && std::strchr("HhOo", packed[1]) != nullptr) {
        int base = (packed[1] == 'H' || packed[1] == 'h') ? 16 : 8;
        return sqlite3_result_int64(ctx, std::strtoll(packed.c_str() + 2, nullptr, base));
    }
    for (char& c : packed) {
        c = (c == 'd' || c == 'D') ? 'e' : c; // VBA's double exponent
    }
    char* end = nullptr;
    const char* begin = packed.c_str();
    double d = std::strtod(begin, &end);
    std::string_view number(begin, static_cast<std::size_t>(end - begin));
    if (number.empty() || number.find_first_of("xXnNiI") != std::string_view::npos) {
        return sqlite3_result_int(ctx, 0); // no leading number, or strtod's hex/inf/nan
    }
    if (number.find_first_of(".eE") == std::string_view::npos && std::fabs(d) < 9.2e18) {
        return sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(d));
    }
    sqlite3_result_double(ctx, d);
}

void cstrFn(sqlite3_context* ctx, int, Args argv)
{
    int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_NULL) {
        return sqlite3_result_null(ctx);
    }
    if (type == SQLITE_FLOAT) {
        char text[40];
        std::snprintf(text, sizeof text, "%.15g", sqlite3_value_double(argv[0]));
        return resultText(ctx, text);
    }
    resultText(ctx, textOf(argv[0]));
}

/* CLng rounds half to even, as VBA does. */
void clngFn(sqlite3_context* ctx, int, Args argv)
{
    int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_NULL) {
        return sqlite3_result_null(ctx);
    }
    double d = 0;
    if (type == SQLITE_TEXT) {
        std::string s(textOf(argv[0]));
        char* end = nullptr;
        d = std::strtod(s.c_str(), &end);
        while (end != nullptr && *end == ' ') {
            ++end;
        }
        if (end == s.c_str() || (end != nullptr && *end != '\0')) {
            return sqlite3_result_error(ctx, "Type mismatch", -1);
        }
    } else {
        d = sqlite3_value_double(argv[0]);
    }
    double r = std::nearbyint(d); // the default rounding mode: half to even
    if (!(r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max())) {
        return sqlite3_result_error(ctx, "Overflow", -1);
    }
    sqlite3_result_int(ctx, static_cast<int>(r));
}

struct JetFunction {
    const char* name;
    int arity;
    void (*fn)(sqlite3_context*, int, Args);
};

constexpr JetFunction kFunctions[] = {
    {"StrComp", 2, strCompFn}, {"StrComp", 3, strCompFn}, {"UCase", 1, ucaseFn},
    {"LCase", 1, lcaseFn},     {"Len", 1, lenFn},         {"Mid", 2, midFn},
    {"Mid", 3, midFn},         {kJetLeft, 2, leftFn},     {kJetRight, 2, rightFn},
    {"InStr", 2, instrFn},     {"InStr", 3, instrFn},     {"InStr", 4, instrFn},
    {"Trim", 1, trimBothFn},   {"LTrim", 1, ltrimFn},     {"RTrim", 1, rtrimFn},
    {"IIf", 3, iifFn},         {"Nz", 1, nzFn},           {"Nz", 2, nzFn},
    {"Val", 1, valFn},         {"CStr", 1, cstrFn},       {"CLng", 1, clngFn},
};

} // namespace

void registerJetFunctions(sqlite3* db)
{
    for (const JetFunction& f : kFunctions) {
        sqlite3_create_function_v2(db, f.name, f.arity,
                                   SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                   f.fn, nullptr, nullptr, nullptr);
    }
}

} // namespace kavdb::engine
