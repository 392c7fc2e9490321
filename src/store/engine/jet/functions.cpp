/*
 * The Jet functions and operators as SQLite user functions (see functions.h). Texts are
 * UTF-8, lengths and positions count characters, case folding is ASCII as the text
 * columns' NOCASE is. Dates are the texts of dates.h; a number stands for Jet's day.
 * Where Jet fails on a value (a text where a number belongs, a division by zero) the
 * statement fails with Jet's words; Null in gives Null out, except where Jet says
 * otherwise (& treats Null as "").
 */
#include "store/engine/jet/functions.h"

#include "store/engine/jet/dates.h"

#include <sqlite3.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace kavdb::engine {

namespace {

using Args = sqlite3_value**;

constexpr const char* kMismatch = "Data type mismatch in criteria expression.";
constexpr const char* kInvalid = "Invalid procedure call or argument";

int typeOf(sqlite3_value* v)
{
    return sqlite3_value_type(v);
}

std::string_view textOf(sqlite3_value* v)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return p != nullptr ? std::string_view(p, static_cast<std::size_t>(sqlite3_value_bytes(v)))
                        : std::string_view();
}

/* A value as Jet turns it into text: a double as CStr writes it. */
std::string textFor(sqlite3_value* v)
{
    return typeOf(v) == SQLITE_FLOAT ? jet::numberText(sqlite3_value_double(v))
                                     : std::string(textOf(v));
}

void resultText(sqlite3_context* ctx, std::string_view s)
{
    sqlite3_result_text64(ctx, s.data(), s.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void fail(sqlite3_context* ctx, const char* message)
{
    sqlite3_result_error(ctx, message, -1);
}

/* A number as Jet reads one: a number, or a text that is wholly a decimal number. */
std::optional<double> numberOf(sqlite3_value* v)
{
    if (typeOf(v) == SQLITE_INTEGER || typeOf(v) == SQLITE_FLOAT) {
        return sqlite3_value_double(v);
    }
    std::string text(typeOf(v) == SQLITE_TEXT ? textOf(v) : "");
    if (text.empty() || text.find_first_not_of(" 0123456789.eE+-") != std::string::npos) {
        return std::nullopt;
    }
    char* end = nullptr;
    double d = std::strtod(text.c_str(), &end);
    while (*end == ' ') {
        ++end;
    }
    return end != text.c_str() && *end == '\0' ? std::optional<double>(d) : std::nullopt;
}

/* A date as Jet reads one: a date text, or a number of days within Jet's range. */
std::optional<double> dateOf(sqlite3_value* v)
{
    std::optional<double> d = typeOf(v) == SQLITE_TEXT ? jet::parseDate(textOf(v)) : numberOf(v);
    return d && jet::isDate(*d) ? d : std::nullopt;
}

void resultNumber(sqlite3_context* ctx, double d)
{
    if (std::nearbyint(d) == d && std::fabs(d) < 9.2e18) {
        return sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(d));
    }
    sqlite3_result_double(ctx, d);
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

uint32_t fold(uint32_t c, bool ignoreCase)
{
    return ignoreCase && c < 0x80 ? static_cast<uint32_t>(std::tolower(static_cast<int>(c))) : c;
}

int compareText(std::string_view a, std::string_view b, bool ignoreCase)
{
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        uint32_t x = fold(static_cast<unsigned char>(a[i]), ignoreCase);
        uint32_t y = fold(static_cast<unsigned char>(b[i]), ignoreCase);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

/* The character at i (its code point), i moved past it. */
uint32_t nextChar(std::string_view s, std::size_t& i)
{
    auto c = static_cast<unsigned char>(s[i++]);
    int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    uint32_t cp = more == 0 ? c : c & (0x3F >> more);
    for (; more > 0 && i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80; --more) {
        cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    return cp;
}

/* Whether c is in the character list at i (just past '['); i moves past its ']'. */
bool inList(std::string_view p, std::size_t& i, uint32_t c, bool ignoreCase)
{
    bool negate = i < p.size() && p[i] == '!';
    bool found = false;
    for (i += negate ? 1 : 0; i < p.size() && p[i] != ']';) {
        uint32_t low = fold(nextChar(p, i), ignoreCase);
        uint32_t high = low;
        if (i + 1 < p.size() && p[i] == '-' && p[i + 1] != ']') {
            ++i;
            high = fold(nextChar(p, i), ignoreCase);
        }
        found = found || (c >= low && c <= high);
    }
    ++i;
    return found != negate;
}

/* Jet's LIKE (as ADO writes it): % any run, _ one character, [abc], [a-z] and [!abc]
 * one character of a list, anything else itself. Greedy, back to the last % on a miss. */
bool likeMatch(std::string_view s, std::string_view p, bool ignoreCase)
{
    const std::size_t lastClose = p.rfind(']'); // a '[' with no ']' after it is itself
    std::size_t si = 0, pi = 0, starS = std::string_view::npos, starP = 0;
    while (si < s.size()) {
        if (pi < p.size() && p[pi] == '%') {
            starS = si;
            starP = ++pi;
            continue;
        }
        std::size_t next = si;
        uint32_t c = fold(nextChar(s, next), ignoreCase);
        std::size_t after = pi + 1;
        bool list =
            pi < p.size() && p[pi] == '[' && lastClose != std::string_view::npos && lastClose > pi;
        bool ok = pi < p.size() &&
                  (p[pi] == '_' || (list ? inList(p, after, c, ignoreCase)
                                         : fold(nextChar(p, after = pi), ignoreCase) == c));
        if (ok) {
            si = next;
            pi = after;
        } else if (starS != std::string_view::npos) {
            nextChar(s, starS);
            si = starS;
            pi = starP;
        } else {
            return false;
        }
    }
    return p.find_first_not_of('%', pi) == std::string_view::npos;
}

/* A registered function, for each of its arities; its Null rule is kept before it runs. */
struct JetFunction {
    const char* name;
    int minArgs, maxArgs;
    void (*fn)(sqlite3_context*, int, Args, intptr_t);
    intptr_t tag;      // which of its kind
    bool nullIsNull;   // a Null argument gives Null
    bool fixed = true; // the same arguments give the same value
};

void likeFn(sqlite3_context* ctx, int, Args argv, intptr_t)
{
    bool exact = sqlite3_value_int(argv[2]) != 0;
    sqlite3_result_int(ctx, likeMatch(textFor(argv[0]), textFor(argv[1]), !exact) ? 1 : 0);
}

/* Jet's &: Null only when every operand is Null, the others' texts joined. */
void catFn(sqlite3_context* ctx, int argc, Args argv, intptr_t)
{
    std::string joined;
    bool allNull = true;
    for (int i = 0; i < argc; ++i) {
        allNull = allNull && typeOf(argv[i]) == SQLITE_NULL;
        joined += textFor(argv[i]);
    }
    if (allNull) {
        return sqlite3_result_null(ctx);
    }
    resultText(ctx, joined);
}

enum Arith : intptr_t { kAdd, kSub, kMul, kDiv, kIntDiv, kMod, kPow };

/* + and - between a date and a number move the date by days; - between dates counts
 * the days. False for any other pair. */
bool dateArith(sqlite3_context* ctx, intptr_t op, sqlite3_value* a, sqlite3_value* b)
{
    bool dateA = typeOf(a) == SQLITE_TEXT && !numberOf(a);
    bool dateB = typeOf(b) == SQLITE_TEXT && !numberOf(b);
    std::optional<double> x = dateA ? jet::parseDate(textOf(a)) : numberOf(a);
    std::optional<double> y = dateB ? jet::parseDate(textOf(b)) : numberOf(b);
    if (!x || !y || !(dateA || dateB) || (op == kAdd && dateA && dateB) ||
        (op == kSub && dateB && !dateA) || (op != kAdd && op != kSub)) {
        return false;
    }
    double r = op == kAdd ? *x + *y : *x - *y;
    if (op == kSub && dateB) {
        resultNumber(ctx, r);
        return true;
    }
    if (!jet::isDate(r)) {
        return false;
    }
    resultText(ctx, jet::dateText(r));
    return true;
}

void arithFn(sqlite3_context* ctx, int, Args argv, intptr_t op)
{
    if (op == kAdd && typeOf(argv[0]) == SQLITE_TEXT && typeOf(argv[1]) == SQLITE_TEXT) {
        return resultText(ctx, std::string(textOf(argv[0])) + std::string(textOf(argv[1])));
    }
    std::optional<double> a = numberOf(argv[0]);
    std::optional<double> b = numberOf(argv[1]);
    if (!a || !b) {
        return dateArith(ctx, op, argv[0], argv[1]) ? void() : fail(ctx, kMismatch);
    }
    bool whole = op == kIntDiv || op == kMod; // on whole numbers, rounded as CLng rounds
    double x = whole ? std::nearbyint(*a) : *a;
    double y = whole ? std::nearbyint(*b) : *b;
    if ((whole || op == kDiv) && y == 0) {
        return fail(ctx, "Division by zero");
    }
    switch (op) {
    case kAdd:
        return resultNumber(ctx, x + y);
    case kSub:
        return resultNumber(ctx, x - y);
    case kMul:
        return resultNumber(ctx, x * y);
    case kIntDiv:
        return resultNumber(ctx, std::trunc(x / y));
    case kMod:
        return resultNumber(ctx, std::fmod(x, y));
    default:
        return sqlite3_result_double(ctx, op == kPow ? std::pow(x, y) : x / y);
    }
}

void strCompFn(sqlite3_context* ctx, int argc, Args argv, intptr_t)
{
    bool ignoreCase = argc < 3 || sqlite3_value_int(argv[2]) != 0;
    sqlite3_result_int(ctx, compareText(textFor(argv[0]), textFor(argv[1]), ignoreCase));
}

/* Mid(s, start[, length]), and Left and Right (tag: 1 left, 2 right). */
void midFn(sqlite3_context* ctx, int argc, Args argv, intptr_t side)
{
    std::string s = textFor(argv[0]);
    int64_t n = sqlite3_value_int64(argv[1]);
    int64_t length = argc > 2 ? sqlite3_value_int64(argv[2]) : std::numeric_limits<int32_t>::max();
    if ((side == 0 && n < 1) || n < 0 || length < 0) {
        return fail(ctx, kInvalid);
    }
    int64_t start = side == 0 ? n - 1 : side == 2 ? std::max<int64_t>(charCount(s) - n, 0) : 0;
    std::string_view rest = std::string_view(s).substr(charOffset(s, start));
    resultText(ctx, rest.substr(0, charOffset(rest, side == 1 ? n : length)));
}

/* InStr([start,] s1, s2[, compare]) and InStrRev(s1, s2[, start[, compare]]) (tag 1):
 * the position (from 1, in characters) of s2 in s1, first from start or last before it. */
void instrFn(sqlite3_context* ctx, int argc, Args argv, intptr_t reverse)
{
    bool withStart = reverse == 0 && argc >= 3;
    int hay = withStart ? 1 : 0;
    int64_t start = withStart                   ? sqlite3_value_int64(argv[0])
                    : reverse != 0 && argc >= 3 ? sqlite3_value_int64(argv[2])
                                                : (reverse != 0 ? -1 : 1);
    if (start == 0 || (start < 0 && !(reverse != 0 && start == -1))) {
        return fail(ctx, kInvalid);
    }
    bool ignoreCase = argc < 4 || sqlite3_value_int(argv[3]) != 0;
    std::string s = textFor(argv[hay]);
    std::string needle = textFor(argv[hay + 1]);
    std::size_t from = reverse != 0 ? 0 : charOffset(s, start - 1);
    std::size_t limit = reverse != 0 && start > 0 ? charOffset(s, start) : s.size();
    int64_t found = 0;
    for (std::size_t i = from; i + needle.size() <= limit && (found == 0 || reverse != 0); ++i) {
        if ((i == 0 || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) &&
            compareText(std::string_view(s).substr(i, needle.size()), needle, ignoreCase) == 0) {
            found = charCount(std::string_view(s).substr(0, i)) + 1;
        }
    }
    sqlite3_result_int64(ctx, found);
}

/* String(n, c): n times the first character of c (or the character numbered c). */
void stringFn(sqlite3_context* ctx, int, Args argv, intptr_t)
{
    int64_t n = sqlite3_value_int64(argv[0]);
    std::string c = typeOf(argv[1]) == SQLITE_INTEGER
                        ? std::string(1, static_cast<char>(sqlite3_value_int(argv[1]) & 0x7F))
                        : textFor(argv[1]);
    if (n < 0 || n > (1 << 24) || c.empty()) {
        return fail(ctx, kInvalid);
    }
    std::string out;
    for (std::string one = c.substr(0, charOffset(c, 1)); n > 0; --n) {
        out += one;
    }
    resultText(ctx, out);
}

/* Val's reading of a text: blanks anywhere are skipped, &H and &O prefixes give hex and
 * octal, and the number ends at the first character that cannot continue it. */
void valFn(sqlite3_context* ctx, int, Args argv, intptr_t)
{
    if (typeOf(argv[0]) == SQLITE_INTEGER || typeOf(argv[0]) == SQLITE_FLOAT) {
        return sqlite3_result_value(ctx, argv[0]);
    }
    std::string packed;
    for (char c : textOf(argv[0])) {
        packed += c != ' ' && c != '\t' && c != '\n' && c != '\r' ? std::string(1, c) : "";
    }
    if (packed.size() > 2 && packed[0] == '&' && std::strchr("HhOo", packed[1]) != nullptr) {
        int base = (packed[1] == 'H' || packed[1] == 'h') ? 16 : 8;
        return sqlite3_result_int64(ctx, std::strtoll(packed.c_str() + 2, nullptr, base));
    }
    for (char& c : packed) {
        c = c == 'd' || c == 'D' ? 'e' : c; // VBA's double exponent
    }
    char* end = nullptr;
    double d = std::strtod(packed.c_str(), &end);
    std::string_view number(packed.c_str(), static_cast<std::size_t>(end - packed.c_str()));
    if (number.empty() || number.find_first_of("xXnNiI") != std::string_view::npos) {
        return sqlite3_result_int(ctx, 0); // no leading number, or strtod's hex/inf/nan
    }
    return number.find_first_of(".eE") == std::string_view::npos ? resultNumber(ctx, d)
                                                                 : sqlite3_result_double(ctx, d);
}

void cstrFn(sqlite3_context* ctx, int, Args argv, intptr_t)
{
    resultText(ctx, textFor(argv[0]));
}

/* CInt, CLng (tag: their bits; rounding half to even, as VBA does) and CDbl (tag 0). */
void convertFn(sqlite3_context* ctx, int, Args argv, intptr_t bits)
{
    std::optional<double> d = numberOf(argv[0]);
    if (!d) {
        return fail(ctx, kMismatch);
    }
    double r = std::nearbyint(*d); // the default rounding mode: half to even
    double limit = std::ldexp(1.0, static_cast<int>(bits) - 1);
    if (bits != 0 && !(r >= -limit && r < limit)) {
        return fail(ctx, "Overflow");
    }
    return bits == 0 ? sqlite3_result_double(ctx, *d)
                     : sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(r));
}

/* Round(x[, places]): half to even, as VBA rounds. */
void roundFn(sqlite3_context* ctx, int argc, Args argv, intptr_t)
{
    std::optional<double> x = numberOf(argv[0]);
    int64_t places = argc > 1 ? sqlite3_value_int64(argv[1]) : 0;
    if (!x || places < 0 || places > 15) {
        return fail(ctx, x ? kInvalid : kMismatch);
    }
    double scale = std::pow(10.0, static_cast<double>(places));
    double r = std::nearbyint(*x * scale) / scale;
    return places == 0 ? resultNumber(ctx, r) : sqlite3_result_double(ctx, r);
}

/* Now, and Date (tag 1): the local time. */
void nowFn(sqlite3_context* ctx, int, Args, intptr_t dateOnly)
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    double serial = *jet::dateSerial(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    serial +=
        dateOnly != 0 ? 0 : (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) / 86400.0;
    resultText(ctx, jet::dateText(serial));
}

/* DatePart(interval, date[, first day]); Year ... Second and Weekday name their interval
 * by tag. */
void datePartFn(sqlite3_context* ctx, int argc, Args argv, intptr_t tag)
{
    const auto* fixed = reinterpret_cast<const char*>(tag);
    int at = fixed != nullptr ? 0 : 1;
    std::string interval = fixed != nullptr ? fixed : std::string(textOf(argv[0]));
    std::optional<double> date = dateOf(argv[at]);
    std::optional<int64_t> part = date ? jet::datePart(interval, *date) : std::nullopt;
    if (!part) {
        return fail(ctx, date ? kInvalid : kMismatch);
    }
    int64_t first = argc > at + 1 ? sqlite3_value_int64(argv[at + 1]) : 1; // Sunday
    if ((interval == "w" || interval == "W") && first >= 1 && first <= 7) {
        *part = (*part - first + 7) % 7 + 1;
    }
    sqlite3_result_int64(ctx, *part);
}

/* DateAdd(interval, n, date), DateDiff(interval, date1, date2) (tag 1). */
void dateAddDiffFn(sqlite3_context* ctx, int, Args argv, intptr_t diff)
{
    std::optional<double> a = diff != 0 ? dateOf(argv[1]) : numberOf(argv[1]);
    std::optional<double> b = dateOf(argv[2]);
    if (!a || !b) {
        return fail(ctx, kMismatch);
    }
    if (diff != 0) {
        std::optional<int64_t> n = jet::dateDiff(textOf(argv[0]), *a, *b);
        return n ? sqlite3_result_int64(ctx, *n) : fail(ctx, kInvalid);
    }
    std::optional<double> moved =
        std::fabs(*a) < 1e15
            ? jet::dateAdd(textOf(argv[0]), static_cast<int64_t>(std::trunc(*a)), *b)
            : std::nullopt;
    return moved ? resultText(ctx, jet::dateText(*moved)) : fail(ctx, kInvalid);
}

void dateSerialFn(sqlite3_context* ctx, int, Args argv, intptr_t)
{
    std::optional<double> date = jet::dateSerial(
        sqlite3_value_int64(argv[0]), sqlite3_value_int64(argv[1]), sqlite3_value_int64(argv[2]));
    return date ? resultText(ctx, jet::dateText(*date)) : fail(ctx, kInvalid);
}

/* Format(value[, pattern]): dates by a date pattern, numbers by a number pattern; a
 * value the pattern does not apply to comes back as its text. */
void formatFn(sqlite3_context* ctx, int argc, Args argv, intptr_t)
{
    std::string pattern = argc > 1 ? textFor(argv[1]) : "";
    std::optional<double> date = jet::isDatePattern(pattern) ? dateOf(argv[0]) : std::nullopt;
    std::optional<double> number = !date && !pattern.empty() ? numberOf(argv[0]) : std::nullopt;
    resultText(ctx, date     ? jet::formatDate(*date, pattern)
                    : number ? jet::formatNumber(*number, pattern)
                             : textFor(argv[0]));
}

const char* const kParts[] = {"yyyy", "m", "d", "h", "n", "s", "w"};

intptr_t tag(const char* interval)
{
    return reinterpret_cast<intptr_t>(interval);
}

const JetFunction kFunctions[] = {
    {"StrComp", 2, 3, strCompFn, 0, true},
    {"Mid", 2, 3, midFn, 0, true},
    {"jet_left", 2, 2, midFn, 1, true},
    {"jet_right", 2, 2, midFn, 2, true},
    {"InStr", 2, 4, instrFn, 0, true},
    {"InStrRev", 2, 4, instrFn, 1, true},
    {"String", 2, 2, stringFn, 0, true},
    {"Val", 1, 1, valFn, 0, true},
    {"CStr", 1, 1, cstrFn, 0, true},
    {"CInt", 1, 1, convertFn, 16, true},
    {"CLng", 1, 1, convertFn, 32, true},
    {"CDbl", 1, 1, convertFn, 0, true},
    {"jet_round", 1, 2, roundFn, 0, true},
    {"jet_like", 3, 3, likeFn, 0, true},
    {"jet_cat", 2, -1, catFn, 0, false},
    {"jet_add", 2, 2, arithFn, kAdd, true},
    {"jet_sub", 2, 2, arithFn, kSub, true},
    {"jet_mul", 2, 2, arithFn, kMul, true},
    {"jet_div", 2, 2, arithFn, kDiv, true},
    {"jet_idiv", 2, 2, arithFn, kIntDiv, true},
    {"jet_mod", 2, 2, arithFn, kMod, true},
    {"jet_pow", 2, 2, arithFn, kPow, true},
    {"Now", 0, 0, nowFn, 0, true, false},
    {"jet_date", 0, 0, nowFn, 1, true, false},
    {"Year", 1, 1, datePartFn, tag(kParts[0]), true},
    {"Month", 1, 1, datePartFn, tag(kParts[1]), true},
    {"Day", 1, 1, datePartFn, tag(kParts[2]), true},
    {"Hour", 1, 1, datePartFn, tag(kParts[3]), true},
    {"Minute", 1, 1, datePartFn, tag(kParts[4]), true},
    {"Second", 1, 1, datePartFn, tag(kParts[5]), true},
    {"Weekday", 1, 2, datePartFn, tag(kParts[6]), true},
    {"DatePart", 2, 4, datePartFn, 0, true},
    {"DateAdd", 3, 3, dateAddDiffFn, 0, true},
    {"DateDiff", 3, 5, dateAddDiffFn, 1, true},
    {"DateSerial", 3, 3, dateSerialFn, 0, true},
    {"jet_format", 1, 2, formatFn, 0, true},
};

void dispatch(sqlite3_context* ctx, int argc, Args argv)
{
    const auto* f = static_cast<const JetFunction*>(sqlite3_user_data(ctx));
    for (int i = 0; f->nullIsNull && i < argc; ++i) {
        if (typeOf(argv[i]) == SQLITE_NULL) {
            return sqlite3_result_null(ctx);
        }
    }
    f->fn(ctx, argc, argv, f->tag);
}

} // namespace

void registerJetFunctions(sqlite3* db)
{
    // Each arity on its own: SQLite's instr(x, y) would otherwise stand for InStr(x, y).
    // A maximum of -1 takes any number of arguments.
    for (const JetFunction& f : kFunctions) {
        int flags = SQLITE_UTF8 | SQLITE_INNOCUOUS | (f.fixed ? SQLITE_DETERMINISTIC : 0);
        auto add = [&](int arity) {
            sqlite3_create_function_v2(db, f.name, arity, flags, const_cast<JetFunction*>(&f),
                                       dispatch, nullptr, nullptr, nullptr);
        };
        if (f.maxArgs < 0) {
            add(-1);
        }
        for (int arity = f.minArgs; arity <= f.maxArgs; ++arity) {
            add(arity);
        }
    }
}

} // namespace kavdb::engine
