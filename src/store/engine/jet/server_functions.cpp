/*
 * Jet's functions PostgreSQL lacks, as SQL functions the catalogue holds (see
 * server_functions.h), with the meaning of the SQLite functions in functions.cpp and
 * dates.cpp: Null in gives Null out (STRICT), texts compare under "C" with ASCII case
 * folding, interval words are Jet's in any case, dates are read in every form Jet reads.
 * Where Jet fails on an argument, jet_fail raises SQLSTATE 22023 with Jet's words.
 */
#include "store/engine/jet/server_functions.h"

#include <cstdlib>

namespace kavdb::engine::jet {

namespace {

// The texts compared, folded to lower case when the comparison is textual (fold <> 0).
#define KAVDB_FOLDED                                                                               \
    "(SELECT CASE WHEN fold <> 0 THEN lower(s COLLATE \"C\") ELSE s COLLATE \"C\" END AS a, "      \
    "CASE WHEN fold <> 0 THEN lower(t COLLATE \"C\") ELSE t COLLATE \"C\" END AS b) AS f"

// Raised whenever a statement below is added or changed.
#define KAVDB_LEVEL "3"

// Jet's failure on an argument it cannot take, as a value of the type of t.
#define KAVDB_INVALID(t) "jet_fail('Invalid procedure call or argument', " t ")"

const char* const kFunctions[] = {
    // Raises Jet's failure; VOLATILE, so that the planner never runs it ahead of the
    // CASE that guards it.
    "CREATE OR REPLACE FUNCTION jet_fail(message text, t anyelement) RETURNS anyelement "
    "LANGUAGE plpgsql VOLATILE AS $$ BEGIN RAISE EXCEPTION USING MESSAGE = message, "
    "ERRCODE = '22023'; END $$",
    // A date as Jet reads one: a day number (1899-12-30 is day 0), a date, or a text in
    // ISO, US (m/d/y) or EXIF (y:m:d) order, or a time alone (on day 0).
    "CREATE OR REPLACE FUNCTION jet_date(d timestamp) RETURNS timestamp LANGUAGE sql "
    "IMMUTABLE STRICT AS $$ SELECT d $$",
    "CREATE OR REPLACE FUNCTION jet_date(n float8) RETURNS timestamp LANGUAGE sql "
    "IMMUTABLE STRICT AS $$ SELECT timestamp '1899-12-30' + n * interval '1 day' $$",
    "CREATE OR REPLACE FUNCTION jet_date(s text) RETURNS timestamp LANGUAGE sql STABLE "
    "STRICT AS $$ SELECT CASE WHEN t ~ '^[+-]?([0-9]+[.]?[0-9]*|[.][0-9]+)$' THEN "
    "jet_date(t::float8) WHEN us IS NOT NULL THEN make_date(CASE WHEN length(us[3]) > 2 "
    "THEN us[3]::int WHEN us[3]::int < 30 THEN 2000 + us[3]::int ELSE 1900 + us[3]::int "
    "END, us[1]::int, us[2]::int) + coalesce(nullif(btrim(us[4]), '')::time, time '00:00') "
    "WHEN t ~ '^[0-9]{1,2}:[0-9]{2}' THEN ('1899-12-30 ' || t)::timestamp "
    "ELSE regexp_replace(t, '^([0-9]{4}):([0-9]{1,2}):([0-9]{1,2})', '\\1-\\2-\\3')::timestamp "
    "END FROM btrim(s COLLATE \"C\") AS t, "
    "regexp_match(t, '^([0-9]{1,2})/([0-9]{1,2})/([0-9]{2,4})(.*)$') "
    "AS us $$",
    // + and - on dates count days; two dates give the days between them.
    "CREATE OR REPLACE FUNCTION jet_add(d timestamp, n float8) RETURNS timestamp LANGUAGE "
    "sql IMMUTABLE STRICT AS $$ SELECT d + n * interval '1 day' $$",
    "CREATE OR REPLACE FUNCTION jet_add(n float8, d timestamp) RETURNS timestamp LANGUAGE "
    "sql IMMUTABLE STRICT AS $$ SELECT d + n * interval '1 day' $$",
    "CREATE OR REPLACE FUNCTION jet_sub(d timestamp, n float8) RETURNS timestamp LANGUAGE "
    "sql IMMUTABLE STRICT AS $$ SELECT d - n * interval '1 day' $$",
    "CREATE OR REPLACE FUNCTION jet_sub(a timestamp, b timestamp) RETURNS float8 LANGUAGE "
    "sql IMMUTABLE STRICT AS $$ SELECT extract(epoch FROM a - b)::float8 / 86400 $$",
    // + between two texts joins them, as Jet's does; Null with either gives Null.
    "CREATE OR REPLACE FUNCTION jet_join(a text, b text) RETURNS text LANGUAGE sql IMMUTABLE "
    "STRICT AS $$ SELECT a || b $$",
    "DO $$ BEGIN CREATE OPERATOR + (LEFTARG = text, RIGHTARG = text, FUNCTION = jet_join); "
    "EXCEPTION WHEN duplicate_function THEN NULL; END $$",
    // Mid, Left and Right, refusing a start before the first character or a negative length.
    "CREATE OR REPLACE FUNCTION jet_mid(s text, start bigint, n bigint) RETURNS text "
    "LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT CASE WHEN start < 1 OR n < 0 THEN " KAVDB_INVALID(
        "NULL::text") " ELSE substr(s, start::int, n::int) END $$",
    "CREATE OR REPLACE FUNCTION jet_mid(s text, start bigint) RETURNS text LANGUAGE sql "
    "IMMUTABLE STRICT AS $$ SELECT CASE WHEN start < 1 THEN " KAVDB_INVALID(
        "NULL::text") " ELSE substr(s, start::int) END $$",
    "CREATE OR REPLACE FUNCTION jet_left(s text, n bigint) RETURNS text LANGUAGE sql "
    "IMMUTABLE STRICT AS $$ SELECT CASE WHEN n < 0 THEN " KAVDB_INVALID(
        "NULL::text") " ELSE left(s, n::int) END $$",
    "CREATE OR REPLACE FUNCTION jet_right(s text, n bigint) RETURNS text LANGUAGE sql "
    "IMMUTABLE STRICT AS $$ SELECT CASE WHEN n < 0 THEN " KAVDB_INVALID(
        "NULL::text") " ELSE right(s, n::int) END $$",
    // CInt and CLng: rounded half to even, within the type's range or Jet's Overflow.
    "CREATE OR REPLACE FUNCTION jet_whole(x float8, low bigint, high bigint) RETURNS bigint "
    "LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT CASE WHEN round(x) BETWEEN low AND high "
    "THEN round(x)::bigint ELSE jet_fail('Overflow', NULL::bigint) END $$",
    // InStr(start, s, t, compare): the first place of t in s from start, or 0.
    "CREATE OR REPLACE FUNCTION jet_instr(s text, t text, start bigint, fold bigint) "
    "RETURNS bigint LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT CASE WHEN start < 1 "
    "THEN " KAVDB_INVALID(
        "NULL::bigint") " WHEN p = 0 THEN 0 ELSE p + start - 1 END FROM " KAVDB_FOLDED
                        ", strpos(substr(a, greatest(start, 1)::int), b) AS p $$",
    // InStrRev(s, t, start, compare): the last place of t that ends by start (-1: the end).
    "CREATE OR REPLACE FUNCTION jet_instrrev(s text, t text, start bigint, fold bigint) "
    "RETURNS bigint LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT CASE WHEN p = 0 THEN 0 ELSE "
    "length(h) - p - length(b) + 2 END FROM " KAVDB_FOLDED ", "
    "LATERAL (SELECT CASE WHEN start > 0 THEN left(a, start::int) ELSE a END AS h) AS c, "
    "strpos(reverse(h), reverse(b)) AS p $$",
    // DatePart(interval, d, first day of the week); Weekday is its "w".
    "CREATE OR REPLACE FUNCTION jet_datepart(iv text, d timestamp, first bigint) "
    "RETURNS bigint LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT coalesce((CASE lower(iv COLLATE "
    "\"C\") WHEN 'yyyy' THEN extract(year FROM d) WHEN 'q' THEN extract(quarter FROM d) "
    "WHEN 'm' THEN extract(month FROM d) WHEN 'y' THEN extract(doy FROM d) "
    "WHEN 'd' THEN extract(day FROM d) "
    "WHEN 'w' THEN CASE WHEN first BETWEEN 1 AND 7 THEN (extract(dow FROM d) - first + 8) % 7 "
    "+ 1 ELSE extract(dow FROM d) + 1 END "
    "WHEN 'ww' THEN div(extract(doy FROM d) + extract(dow FROM date_trunc('year', d)) - 1, 7) "
    "+ 1 WHEN 'h' THEN extract(hour FROM d) WHEN 'n' THEN extract(minute FROM d) "
    "WHEN 's' THEN floor(extract(second FROM d)) END)::bigint, " KAVDB_INVALID(
        "NULL::bigint") ") $$",
    // DateAdd(interval, n, d): months past a month's last day end on it, as Jet's do.
    "CREATE OR REPLACE FUNCTION jet_dateadd(iv text, n float8, d timestamp) "
    "RETURNS timestamp LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT d + trunc(n) * "
    "coalesce(CASE lower(iv COLLATE \"C\") WHEN 'yyyy' THEN interval '1 year' "
    "WHEN 'q' THEN interval '3 months' WHEN 'm' THEN interval '1 month' "
    "WHEN 'y' THEN interval '1 day' WHEN 'd' THEN interval '1 day' "
    "WHEN 'w' THEN interval '1 day' WHEN 'ww' THEN interval '7 days' "
    "WHEN 'h' THEN interval '1 hour' WHEN 'n' THEN interval '1 minute' "
    "WHEN 's' THEN interval '1 second' END, " KAVDB_INVALID("NULL::interval") ") $$",
    // DateDiff(interval, a, b): the boundaries of the interval crossed from a to b; "ww"
    // counts Sundays (Jet's day 1 was one).
    "CREATE OR REPLACE FUNCTION jet_datediff(iv text, a timestamp, b timestamp) "
    "RETURNS bigint LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT coalesce((CASE lower(iv COLLATE "
    "\"C\") WHEN 'yyyy' THEN extract(year FROM b) - extract(year FROM a) "
    "WHEN 'q' THEN extract(year FROM b) * 4 + extract(quarter FROM b) - extract(year FROM a) * "
    "4 - extract(quarter FROM a) "
    "WHEN 'm' THEN extract(year FROM b) * 12 + extract(month FROM b) - extract(year FROM a) * "
    "12 - extract(month FROM a) "
    "WHEN 'y' THEN b::date - a::date WHEN 'd' THEN b::date - a::date "
    "WHEN 'w' THEN (b::date - a::date) / 7 "
    "WHEN 'ww' THEN floor((b::date - date '1899-12-31') / 7.0) - "
    "floor((a::date - date '1899-12-31') / 7.0) "
    "WHEN 'h' THEN floor(extract(epoch FROM b) / 3600) - floor(extract(epoch FROM a) / 3600) "
    "WHEN 'n' THEN floor(extract(epoch FROM b) / 60) - floor(extract(epoch FROM a) / 60) "
    "WHEN 's' THEN extract(epoch FROM b) - extract(epoch FROM a) END)::bigint, " KAVDB_INVALID(
        "NULL::bigint") ") $$",
    // Val(s): blanks skipped, &H and &O numbers, else the leading decimal number, else 0.
    "CREATE OR REPLACE FUNCTION jet_val(s text) RETURNS float8 LANGUAGE sql IMMUTABLE "
    "STRICT AS $$ SELECT CASE WHEN p ~* '^&h[0-9a-f]' THEN ('x' || lpad(substring(p FROM "
    "'^&[hH]([0-9a-fA-F]{1,16})'), 16, '0'))::bit(64)::bigint::float8 "
    "WHEN p ~* '^&o[0-7]' THEN (SELECT sum(substr(o, i, 1)::int * 8::numeric ^ (length(o) - "
    "i)) FROM substring(p FROM '^&[oO]([0-7]{1,21})') AS o, generate_series(1, length(o)) AS "
    "i)::float8 ELSE coalesce(translate(substring(p FROM '^[+-]{0,1}(?:[0-9]+[.]{0,1}[0-9]*|"
    "[.][0-9]+)(?:[eEdD][+-]{0,1}[0-9]+){0,1}'), 'dD', 'ee')::float8, 0) END "
    "FROM translate(s COLLATE \"C\", ' ' || chr(9) || chr(10) || chr(13), '') AS p $$",
    // Last: the level these statements bring a catalogue to.
    "CREATE OR REPLACE FUNCTION kavdb_functions_level() RETURNS int LANGUAGE sql IMMUTABLE "
    "AS $$ SELECT " KAVDB_LEVEL " $$",
};

#undef KAVDB_FOLDED
#undef KAVDB_INVALID

const int kLevel = std::atoi(KAVDB_LEVEL);
#undef KAVDB_LEVEL

/* ICU's secondary strength: case ignored, accents not. */
const char* const kCatalogueObjects[] = {
    "CREATE COLLATION IF NOT EXISTS kavdb_nocase (provider = icu, locale = "
    "'und-u-ks-level2', deterministic = false)",
    "CREATE OR REPLACE FUNCTION jet_cat(VARIADIC parts text[]) RETURNS text LANGUAGE sql "
    "IMMUTABLE AS $$ SELECT CASE WHEN num_nonnulls(VARIADIC parts) = 0 THEN NULL ELSE "
    "array_to_string(parts, '') END $$",
};

} // namespace

std::span<const char* const> catalogueObjects()
{
    return kCatalogueObjects;
}

std::span<const char* const> serverFunctions()
{
    return kFunctions;
}

int serverFunctionsLevel()
{
    return kLevel;
}

const char* recordedFunctionsLevel()
{
    // Read from the function's text, not by calling it: a catalogue made before it must not
    // fail the statement, and reads as level 0 by its jet_cat (made with every catalogue).
    return "SELECT coalesce((SELECT substring(prosrc FROM '[0-9]+') FROM pg_proc WHERE "
           "proname = 'kavdb_functions_level'), (SELECT '0' FROM pg_proc WHERE proname = "
           "'jet_cat' LIMIT 1))";
}

} // namespace kavdb::engine::jet
