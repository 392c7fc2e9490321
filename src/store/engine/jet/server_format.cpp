/*
 * Format on a server catalogue (see server_format.h): a Jet date pattern becomes a
 * to_char template piece by piece, a number pattern a template of digit places read by
 * readNumberPattern (dates.h), so both engines read a pattern alike. to_char rounds
 * numerics half away from zero, as Jet's Format does; its FM drops the padding of the
 * one field it precedes.
 */
#include "store/engine/jet/server_format.h"

#include "store/engine/jet/dates.h"
#include "store/engine/jet/lexer.h"
#include "store/engine/native.h"

#include <algorithm>

#include <cctype>

namespace kavdb::engine::jet {

namespace {

constexpr int kIntegerPlaces = 30; // beyond them to_char writes #, where Jet writes digits

[[noreturn]] void refuse(std::string_view pattern)
{
    raiseEngine(code::kSyntax, "Format's pattern '" + std::string(pattern) +
                                   "' has no counterpart on a server catalogue.");
}

/* Text to_char copies as it is. */
std::string literal(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        out += (c == '"' || c == '\\' ? "\\" : "") + std::string(1, c);
    }
    return out + "\"";
}

bool lowerIs(std::string_view s, std::string_view lower)
{
    if (s.size() != lower.size()) {
        return false;
    }
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[i])) != lower[i]) {
            return false;
        }
    }
    return true;
}

/* One run of one letter of a date pattern (run long), as to_char fields. */
std::string dateField(char letter, std::size_t run, bool twelve, bool afterHour)
{
    auto number = [&](const char* field) { return (run >= 2 ? "" : "FM") + std::string(field); };
    switch (letter) {
    case 'y':
        return run >= 3 ? "YYYY" : run == 2 ? "YY" : "FMDDD";
    case 'm':
        return afterHour && run <= 2 ? number("MI")
               : run >= 4            ? "FMMonth"
               : run == 3            ? "Mon"
                                     : number("MM");
    case 'd':
        return run >= 4 ? "FMDay" : run == 3 ? "Dy" : number("DD");
    case 'h':
        return number(twelve ? "HH12" : "HH24");
    case 'n':
        return number("MI");
    case 's':
        return number("SS");
    case 'q':
        return "Q";
    default:
        return letter == 'w' && run == 1 ? "D" : "";
    }
}

std::string dateTemplate(std::string_view p)
{
    std::string lower(p);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    bool twelve = lower.find("am/pm") != std::string::npos;
    if (lower.find("a/p") != std::string::npos) {
        refuse(p);
    }
    std::string out;
    bool afterHour = false;
    for (std::size_t i = 0; i < p.size();) {
        if (p[i] == '"' || (p[i] == '\\' && i + 1 < p.size())) {
            std::size_t close = p[i] == '"' ? std::min(p.find('"', i + 1), p.size()) : i + 2;
            out += literal(p.substr(i + 1, close - i - 1));
            i = close + (p[i] == '"' ? 1 : 0);
        } else if (lower.compare(i, 5, "am/pm") == 0) {
            out += p[i] == 'a' ? "am" : "AM";
            i += 5;
        } else if (std::isalpha(static_cast<unsigned char>(p[i])) != 0) {
            char letter = lower[i];
            std::size_t run = lower.find_first_not_of(letter, i);
            run = (run == std::string::npos ? p.size() : run) - i;
            std::string field = dateField(letter, run, twelve, afterHour);
            if (field.empty() && std::string_view("yqmdwhns").find(letter) != std::string::npos) {
                refuse(p);
            }
            out += field.empty() ? literal(p.substr(i, run)) : field;
            afterHour = letter == 'h';
            i += run;
        } else {
            out += literal(p.substr(i++, 1));
        }
    }
    return out;
}

/* One section of a number pattern, for a value already scaled for its percent sign. */
std::string numberTemplate(const NumberPattern& np)
{
    std::string digits;
    for (int place = 0; place < kIntegerPlaces; ++place) {
        if (np.thousands && place > 0 && place % 3 == 0) {
            digits.insert(0, ",");
        }
        digits.insert(0, place < np.intZeros ? "0" : "9");
    }
    std::string decimals = np.point
                               ? "." + std::string(static_cast<std::size_t>(np.decZeros), '0') +
                                     std::string(static_cast<std::size_t>(np.decHashes), '9')
                               : "";
    return (np.prefix.empty() ? "" : literal(np.prefix)) + "FM" + digits + decimals +
           (np.suffix.empty() ? "" : literal(np.suffix));
}

std::string formatNumber(const std::string& value, std::string_view pattern)
{
    // Read through text: a literal cast to numeric straight would be read when the
    // statement is parsed, failing a text that is no number before the CASE can see it.
    const std::string number = "((" + value + ")::text)::numeric";
    auto section = [&](std::string_view text, const std::string& v) {
        NumberPattern np = readNumberPattern(text);
        return "to_char(" + v + (np.percent ? " * 100" : "") + ", " +
               quoteLiteral(numberTemplate(np)) + ")";
    };
    std::size_t semi = pattern.find(';');
    std::string formatted = semi == std::string_view::npos
                                ? section(pattern, number)
                                : "CASE WHEN " + number + " < 0 THEN " +
                                      section(pattern.substr(semi + 1), "-" + number) + " ELSE " +
                                      section(pattern.substr(0, semi), number) + " END";
    // A text that is no number is given back as it is, as Jet's Format does.
    return "(CASE WHEN ((" + value +
           ")::text COLLATE \"C\") ~ "
           "'^\\s*[-+]?([0-9]+[.]?[0-9]*|[.][0-9]+)([eE][-+]?[0-9]+)?\\s*$' THEN " +
           formatted + " ELSE (" + value + ")::text END)";
}

} // namespace

std::string serverFormat(const std::string& value, std::string_view pattern)
{
    for (std::string_view truth : {"yes/no", "true/false", "on/off"}) {
        if (lowerIs(pattern, truth)) {
            std::string yes(truth.substr(0, truth.find('/')));
            std::string no(truth.substr(truth.find('/') + 1));
            yes[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(yes[0])));
            no[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(no[0])));
            return "(CASE WHEN (" + value + ")::float8 <> 0 THEN " + quoteLiteral(yes) + " WHEN (" +
                   value + ") IS NOT NULL THEN " + quoteLiteral(no) + " END)";
        }
    }
    if (pattern.empty() || lowerIs(pattern, "general number")) {
        return "((" + value + ")::text)";
    }
    if (lowerIs(pattern, "scientific")) {
        refuse(pattern);
    }
    if (lowerIs(pattern, "general date")) { // the time only when it is not midnight
        std::string at = "(" + value + ")::timestamp";
        return "(CASE WHEN " + at + "::time = '00:00' THEN to_char(" + at +
               ", 'FMMM/FMDD/YYYY') ELSE to_char(" + at +
               ", 'FMMM/FMDD/YYYY FMHH12:MI:SS AM') END)";
    }
    if (isDatePattern(pattern)) {
        return "to_char((" + value + ")::timestamp, " +
               quoteLiteral(dateTemplate(namedPattern(pattern))) + ")";
    }
    return formatNumber(value, namedPattern(pattern));
}

} // namespace kavdb::engine::jet
