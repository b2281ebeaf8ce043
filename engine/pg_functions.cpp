// The Jet dialect's functions on a PostgreSQL server, the twins of
// engine/jet/functions.cpp and its neighbours: the same rules, the same error
// numbers ("#NNNN#description" in the exception's message, read back by the
// connection like the file side's).
//
// Values cross into these functions as jsonb variants, because the server's
// functions are typed where SQLite's are not: a text is a JSON string, a
// number a JSON number, a Date {"d": days}, Null an SQL NULL (the translator
// writes them: variantArg), a Decimal {"n": digits} (a jsonb number keeps
// them exactly). An optional argument left out is the JSON false,
// which no value is. Results are plain SQL values of the function's type:
// text, integer, double precision (Dates as days from 30 December 1899),
// integer -1/0 for Booleans, boolean where the translator wants a condition
// (Like, the truth of a value), jsonb where the type is the value's (CVar,
// text + number).
//
// They are STABLE, not IMMUTABLE, although they are deterministic: the
// planner evaluates an IMMUTABLE call with constant arguments ahead, so that
// IIf(False, CLng('x'), 1) would fail where Jet (and a local file) give 1.
//
// The set carries a version in the name of the function jet_functions_vN:
// a connection that finds no function of this version replaces them all.
#include "engine/pg_functions.h"

#include <string>

namespace svrZIVE::engine::detail {

namespace {

// The version of the functions below (kFunctionsVersion).
// The catalog's rows of a table are looked up by its name in any letter
// case; a database made by an earlier build gets the index with the functions.
constexpr std::string_view kCatalogIndex = R"sql(
DO $d$ BEGIN
  IF to_regclass('zive_fields') IS NOT NULL THEN
    CREATE INDEX IF NOT EXISTS zive_fields_by_table ON zive_fields (lower(table_name COLLATE "C"));
  END IF;
END $d$;
)sql";

constexpr std::string_view kVersion =
    "\nCREATE OR REPLACE FUNCTION " ZIVE_FUNCTIONS_VERSION "() RETURNS integer LANGUAGE sql STABLE AS $f$ SELECT 1 $f$;\n";

// Jet's conversion of a value written to a field: the rules (and the
// messages) of storeValue in engine/jet/functions.cpp. The value comes as
// text; the result is the text of the stored value, which the statement
// casts to the column's type. A value of unknown type (jsonb) is stored as
// its plain text (a Date as its days).
constexpr std::string_view kStore = R"sql(
CREATE OR REPLACE FUNCTION jet_store(v text, t integer, size integer, flags integer, name text) RETURNS text
LANGUAGE plpgsql STABLE AS $f$
DECLARE d double precision; x numeric; r numeric; lo numeric; hi numeric; guid text;
BEGIN
  IF v IS NULL THEN
    IF flags & 1 <> 0 AND flags & 4 = 0 THEN
      RAISE EXCEPTION USING MESSAGE = '#3314#The field ''' || name ||
        ''' is required (its Required property is True): it cannot be Null.';
    END IF;
    RETURN NULL;
  END IF;
  IF t IN (10, 12) THEN
    IF v = '' AND flags & 2 = 0 THEN
      RAISE EXCEPTION USING MESSAGE = '#3315#The field ''' || name ||
        ''' does not allow the zero-length text (AllowZeroLength is False).';
    END IF;
    IF t = 10 AND char_length(v) > size THEN
      RAISE EXCEPTION USING MESSAGE = '#3163#The text is too long for the field ''' || name ||
        ''', which holds at most ' || size || ' characters.';
    END IF;
    RETURN v;
  END IF;
  IF t = 15 THEN
    -- GUID: its text in braces, upper case.
    guid := upper(CASE WHEN length(v) = 38 AND v LIKE '{%}' THEN substr(v, 2, 36) ELSE v END);
    IF guid !~ '^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$' THEN
      RAISE EXCEPTION USING MESSAGE = '#3464#Data type mismatch: the value ''' || v ||
        ''' is not a GUID and cannot be stored in the field ''' || name || '''.';
    END IF;
    RETURN '{' || guid || '}';
  END IF;
  IF t = 20 THEN
    -- Decimal: rounded to the field's scale (size & 255), halves to even; no
    -- more digits before the point than its precision (size >> 8) leaves.
    x := jet_decparse(v);
    IF x IS NULL THEN
      RAISE EXCEPTION USING MESSAGE = '#3464#Data type mismatch: the value ''' || v ||
        ''' is not a number and cannot be stored in the field ''' || name || '''.';
    END IF;
    x := trim_scale(jet_roundeven(x, size & 255));
    IF abs(x) >= 10::numeric ^ ((size >> 8) - (size & 255)) THEN
      RAISE EXCEPTION USING MESSAGE = '#3349#The value ' || x || ' does not fit the field ''' || name ||
        ''', which holds ' || (size >> 8) - (size & 255) || ' digits before the point and ' || (size & 255) || ' after it.';
    END IF;
    RETURN x::text;
  END IF;
  IF t = 1 AND lower(v) IN ('true', 'yes', 'on') THEN RETURN '-1'; END IF;
  IF t = 1 AND lower(v) IN ('false', 'no', 'off') THEN RETURN '0'; END IF;
  IF t NOT BETWEEN 1 AND 8 THEN RETURN v; END IF;
  -- A plain number is read without the subtransaction of an exception block.
  IF v ~ '^\s*[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]{1,2})?\s*$' THEN
    d := v::double precision;
  ELSE
    BEGIN
      d := trim(v)::double precision;
    EXCEPTION WHEN others THEN
      RAISE EXCEPTION USING MESSAGE = '#3464#Data type mismatch: the value ''' || v ||
        ''' is not a number and cannot be stored in the field ''' || name || '''.';
    END;
  END IF;
  IF t = 1 THEN RETURN CASE WHEN d <> 0 THEN '-1' ELSE '0' END; END IF;
  IF t = 8 THEN RETURN d::text; END IF;
  IF t = 7 THEN
    IF d IN ('Infinity', '-Infinity', 'NaN') THEN RAISE EXCEPTION USING MESSAGE = '#6#Overflow'; END IF;
    RETURN d::text;
  END IF;
  IF t = 6 THEN
    IF abs(d) > 3.402823466e38 THEN RAISE EXCEPTION USING MESSAGE = '#6#Overflow'; END IF;
    RETURN d::text;
  END IF;
  IF d IN ('Infinity', '-Infinity', 'NaN') THEN RAISE EXCEPTION USING MESSAGE = '#6#Overflow'; END IF;
  x := d::numeric;
  IF t = 5 THEN
    IF abs(x) > 922337203685477 THEN RAISE EXCEPTION USING MESSAGE = '#6#Overflow'; END IF;
    x := x * 10000;
  END IF;
  -- Half to even.
  r := round(x);
  IF abs(x - trunc(x)) = 0.5 AND mod(r, 2) <> 0 THEN r := r - sign(x); END IF;
  IF t = 5 THEN RETURN (r / 10000)::double precision::text; END IF;
  lo := CASE t WHEN 2 THEN 0 WHEN 3 THEN -32768 ELSE -2147483648 END;
  hi := CASE t WHEN 2 THEN 255 WHEN 3 THEN 32767 ELSE 2147483647 END;
  IF r < lo OR r > hi THEN RAISE EXCEPTION USING MESSAGE = '#6#Overflow'; END IF;
  RETURN r::text;
END $f$;
-- A Double's 15 significant digits make a Decimal, as CDec takes them.
CREATE OR REPLACE FUNCTION jet_store(v double precision, t integer, size integer, flags integer, name text) RETURNS text
LANGUAGE sql STABLE AS $f$ SELECT jet_store(CASE WHEN t = 20 THEN jet_numtext(v) ELSE v::text END, t, size, flags, name) $f$;
CREATE OR REPLACE FUNCTION jet_store(v numeric, t integer, size integer, flags integer, name text) RETURNS text
LANGUAGE sql STABLE AS $f$ SELECT jet_store(v::text, t, size, flags, name) $f$;
CREATE OR REPLACE FUNCTION jet_store(v bigint, t integer, size integer, flags integer, name text) RETURNS text
LANGUAGE sql STABLE AS $f$ SELECT jet_store(v::text, t, size, flags, name) $f$;
CREATE OR REPLACE FUNCTION jet_store(v jsonb, t integer, size integer, flags integer, name text) RETURNS text
LANGUAGE sql STABLE AS $f$
SELECT jet_store(CASE WHEN v -> 'n' IS NOT NULL THEN v ->> 'n'
                      WHEN t = 20 AND jsonb_typeof(v) <> 'string' THEN jet_numtext(jet_number(v))
                      WHEN jsonb_typeof(v) = 'object' THEN v ->> 'd' ELSE v #>> '{}' END, t, size, flags, name) $f$;
CREATE OR REPLACE AGGREGATE jet_stdev(double precision) (sfunc = float8_accum, stype = float8[],
  finalfunc = float8_stddev_samp, initcond = '{0,0,0}');
CREATE OR REPLACE AGGREGATE jet_stdevp(double precision) (sfunc = float8_accum, stype = float8[],
  finalfunc = float8_stddev_pop, initcond = '{0,0,0}');
CREATE OR REPLACE AGGREGATE jet_var(double precision) (sfunc = float8_accum, stype = float8[],
  finalfunc = float8_var_samp, initcond = '{0,0,0}');
CREATE OR REPLACE AGGREGATE jet_varp(double precision) (sfunc = float8_accum, stype = float8[],
  finalfunc = float8_var_pop, initcond = '{0,0,0}');
)sql";

// Values, their texts and numbers, dates as days, errors; the operators, Like, the conversions and the number functions.
constexpr std::string_view kCore = R"sql(
CREATE OR REPLACE FUNCTION jet_fail(n integer, what text DEFAULT NULL) RETURNS void
LANGUAGE plpgsql STABLE AS $f$
BEGIN
  RAISE EXCEPTION USING MESSAGE = '#' || n || '#' || coalesce(what, CASE n
    WHEN 5 THEN 'Invalid procedure call or argument' WHEN 6 THEN 'Overflow' WHEN 11 THEN 'Division by zero.'
    WHEN 13 THEN 'Type mismatch' WHEN 94 THEN 'Invalid use of Null'
    ELSE 'Data type mismatch in criteria expression.' END);
END $f$;
CREATE OR REPLACE FUNCTION jet_vdate(d double precision) RETURNS jsonb
LANGUAGE sql STABLE AS $f$ SELECT CASE WHEN d IS NOT NULL THEN jsonb_build_object('d', d) END $f$;
CREATE OR REPLACE FUNCTION jet_given(v jsonb) RETURNS boolean
LANGUAGE sql STABLE AS $f$ SELECT v IS DISTINCT FROM 'false'::jsonb $f$;
-- Decimals: PostgreSQL's numeric holding the runtime's Decimal (base/decimal.h).
CREATE OR REPLACE FUNCTION jet_vdec(x numeric) RETURNS jsonb
LANGUAGE sql STABLE AS $f$ SELECT CASE WHEN x IS NOT NULL THEN jsonb_build_object('n', x) END $f$;
-- `places` places, halves to the even neighbour (round takes them away from zero).
CREATE OR REPLACE FUNCTION jet_roundeven(x numeric, places integer) RETURNS numeric
LANGUAGE sql STABLE AS $f$
SELECT CASE WHEN abs(x - trunc(x, places)) * 10::numeric ^ places = 0.5
             AND mod(trunc(x, places) * 10::numeric ^ places, 2) = 0 THEN trunc(x, places)
            ELSE round(x, places) END $f$;
-- What a Decimal keeps of a number: 29 digits, at most 28 of them after the
-- point, below 2^96 (Overflow beyond).
CREATE OR REPLACE FUNCTION jet_decfit(x numeric) RETURNS numeric
LANGUAGE plpgsql STABLE STRICT AS $f$
DECLARE whole integer; places integer;
BEGIN
  IF x IN ('Infinity', '-Infinity', 'NaN') THEN PERFORM jet_fail(6); END IF;
  whole := CASE WHEN trunc(x) = 0 THEN 0 ELSE length(trunc(abs(x))::text) END;
  IF whole > 29 THEN PERFORM jet_fail(6); END IF;
  places := least(28, 29 - whole);
  IF places > 0 AND trunc(abs(x) * 10::numeric ^ places) > 79228162514264337593543950335 THEN places := places - 1; END IF;
  x := jet_roundeven(x, places);
  IF abs(x) > 79228162514264337593543950335 THEN PERFORM jet_fail(6); END IF;
  RETURN trim_scale(x);
END $f$;
-- The Decimal a text reads as (plain or exponent notation, blanks around
-- it), Null when it is no number.
CREATE OR REPLACE FUNCTION jet_decparse(t text) RETURNS numeric
LANGUAGE plpgsql STABLE STRICT AS $f$
DECLARE m text[] := regexp_match(t, '^[ \t]*([+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+))(?:[eE]([+-]?[0-9]+))?[ \t]*$');
        e numeric;
BEGIN
  IF m IS NULL THEN RETURN NULL; END IF;
  e := coalesce(m[2], '0')::numeric;
  -- Far beyond the range: zero below it, Overflow above.
  IF m[1]::numeric = 0 OR e < -1000 THEN RETURN 0; END IF;
  IF e > 1000 THEN PERFORM jet_fail(6); END IF;
  RETURN jet_decfit((m[1] || 'e' || e)::numeric);
END $f$;
-- A number as the runtime writes it: 15 significant digits, plainly unless
-- it needs more than 15 positions (then as 1.5E-16).
CREATE OR REPLACE FUNCTION jet_numtext(d double precision) RETURNS text
LANGUAGE plpgsql STABLE STRICT AS $f$
DECLARE s text; digits text; e integer; n integer; out text;
BEGIN
  IF d = 0 THEN RETURN '0'; END IF;
  IF d = 'NaN' THEN RETURN 'NaN'; END IF;
  IF d IN ('Infinity', '-Infinity') THEN RETURN CASE WHEN d < 0 THEN '-Infinity' ELSE 'Infinity' END; END IF;
  s := btrim(to_char(abs(d), '9.99999999999999EEEE'));
  digits := rtrim(replace(split_part(s, 'e', 1), '.', ''), '0');
  IF digits = '' THEN digits := '0'; END IF;
  e := split_part(s, 'e', 2)::integer;
  n := length(digits);
  out := CASE WHEN d < 0 THEN '-' ELSE '' END;
  IF e >= 15 OR (e < 0 AND n - e - 1 > 15) THEN
    out := out || left(digits, 1) || CASE WHEN n > 1 THEN '.' || substr(digits, 2) ELSE '' END ||
           CASE WHEN e < 0 THEN 'E-' ELSE 'E+' END || lpad(abs(e)::text, 2, '0');
  ELSIF e < 0 THEN
    out := out || '0.' || repeat('0', -e - 1) || digits;
  ELSIF n <= e + 1 THEN
    out := out || digits || repeat('0', e + 1 - n);
  ELSE
    out := out || left(digits, e + 1) || '.' || substr(digits, e + 2);
  END IF;
  RETURN out;
END $f$;
-- Dates are days from 30 December 1899; before it the day counts down and
-- the time of day still counts up (-1.25 is 29 December 1899, 6:00).
CREATE OR REPLACE FUNCTION jet_ts(d double precision) RETURNS timestamp
LANGUAGE sql STABLE STRICT AS $f$
SELECT timestamp '1899-12-30' + make_interval(days => trunc(d)::integer)
       + make_interval(secs => round(abs(d - trunc(d)) * 86400)) $f$;
CREATE OR REPLACE FUNCTION jet_combine(day double precision, t double precision) RETURNS double precision
LANGUAGE sql STABLE AS $f$ SELECT CASE WHEN day < 0 THEN day - t ELSE day + t END $f$;
CREATE OR REPLACE FUNCTION jet_days(ts timestamp) RETURNS double precision
LANGUAGE sql STABLE AS $f$
SELECT jet_combine((ts::date - date '1899-12-30')::double precision, extract(epoch FROM ts::time)::double precision / 86400) $f$;
CREATE OR REPLACE FUNCTION jet_validdate(d double precision) RETURNS boolean
LANGUAGE sql STABLE AS $f$ SELECT d > -657435 AND d < 2958466 $f$;
CREATE OR REPLACE FUNCTION jet_datetext(d double precision) RETURNS text
LANGUAGE sql STABLE STRICT AS $f$
SELECT CASE WHEN trunc(d) = 0 AND ts::time <> '00:00' THEN tm
            WHEN ts::time <> '00:00' THEN dt || ' ' || tm ELSE dt END
FROM (SELECT jet_ts(d) AS ts) s,
     LATERAL (SELECT to_char(ts, 'FMMM/FMDD/YYYY') AS dt, to_char(ts, 'FMHH12:MI:SS AM') AS tm) t $f$;
-- A whole number of 16 bits (an Integer) when it fits, else of 32 (a Long),
-- the top bit the sign, as "&H" and "&O" numbers read.
CREATE OR REPLACE FUNCTION jet_twos(v bigint) RETURNS double precision
LANGUAGE sql STABLE AS $f$
SELECT CASE WHEN v <= 65535 THEN CASE WHEN v >= 32768 THEN v - 65536 ELSE v END
            ELSE CASE WHEN v % 4294967296 >= 2147483648 THEN v % 4294967296 - 4294967296 ELSE v % 4294967296 END END $f$;
-- The value of digits in base 16 or 8, read until it passes 32 bits.
CREATE OR REPLACE FUNCTION jet_radixvalue(digits text, base integer) RETURNS bigint
LANGUAGE plpgsql STABLE STRICT AS $f$
DECLARE v bigint := 0; i integer;
BEGIN
  FOR i IN 1 .. length(digits) LOOP
    v := v * base + strpos('0123456789abcdef', lower(substr(digits, i, 1))) - 1;
    EXIT WHEN v > 4294967295;
  END LOOP;
  RETURN v;
END $f$;
-- "&H" (hexadecimal) and "&O" (octal) digits, either letter case; wider
-- than 32 bits reads as an infinity; Null when the text is none.
CREATE OR REPLACE FUNCTION jet_radix(s text) RETURNS double precision
LANGUAGE plpgsql STABLE STRICT AS $f$
DECLARE base integer := CASE lower(substr(s, 2, 1)) WHEN 'h' THEN 16 WHEN 'o' THEN 8 END; v bigint;
        digits text := CASE lower(substr(s, 2, 1)) WHEN 'h' THEN '^[0-9a-f]+$' ELSE '^[0-7]+$' END;
BEGIN
  IF base IS NULL OR substr(s, 3) !~* digits THEN RETURN NULL; END IF;
  v := jet_radixvalue(substr(s, 3), base);
  RETURN CASE WHEN v > 4294967295 THEN 'Infinity' ELSE jet_twos(v) END;
END $f$;
-- The number a text reads as (blanks around it allowed), Null when none.
CREATE OR REPLACE FUNCTION jet_parsenum(t text) RETURNS double precision
LANGUAGE plpgsql STABLE STRICT AS $f$
DECLARE s text := btrim(t, E' \t\r\n');
BEGIN
  IF left(s, 1) = '&' THEN RETURN jet_radix(s); END IF;
  IF s !~ '^[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?$' THEN RETURN NULL; END IF;
  RETURN s::double precision;
END $f$;
-- The date a text reads as (the rules of base/date_time.cpp): numbers and a
-- month's name (three letters of it or more) with blanks, commas, / - . or
-- : between them; the numbers joined by ':' are the time, with AM/PM or
-- alone with it ("3 PM"); the others month/day/year, day/month/year when
-- the first is above 12, year-month-day when the first has more than two
-- digits, "5 March 2020" or "March 5, 2020"; Null when it reads as none.
CREATE OR REPLACE FUNCTION jet_parsedate(t text) RETURNS double precision
LANGUAGE plpgsql STABLE STRICT AS $f$
DECLARE i integer := 1; n integer := length(t); c text; w text; k integer := 0;
        nums integer[] := '{}'; digits integer[] := '{}'; seps text[] := '{}';
        ymd integer[] := '{}'; tm integer[] := '{}'; month integer := 0; am boolean := false; pm boolean := false;
        y integer; mo integer; d integer; h integer; day double precision := 0; frac double precision := 0;
BEGIN
  WHILE i <= n LOOP
    c := substr(t, i, 1);
    IF c ~ '^[ \t\n\r\f\v,]$' THEN
      IF k > 0 AND seps[k] = '' THEN seps[k] := ' '; END IF;
      i := i + 1;
    ELSIF c IN ('/', '-', '.', ':') THEN
      IF k = 0 OR seps[k] <> '' THEN RETURN NULL; END IF;
      seps[k] := c;
      i := i + 1;
    ELSE
      w := substr(t, i);
      w := coalesce(substring(w FROM '^[0-9]+'), lower(substring(w FROM '^[A-Za-z]+')));
      IF w IS NULL OR length(w) > 4 AND w ~ '^[0-9]' THEN RETURN NULL; END IF;
      i := i + length(w);
      IF w IN ('am', 'a') THEN am := true;
      ELSIF w IN ('pm', 'p') THEN pm := true;
      ELSE
        k := k + 1;
        seps[k] := '';
        IF w ~ '^[0-9]' THEN nums[k] := w::integer; digits[k] := length(w);
        ELSIF month <> 0 THEN RETURN NULL;
        ELSE
          SELECT min(o) INTO month FROM unnest(jet_monthnames()) WITH ORDINALITY AS x(name, o)
          WHERE length(w) >= 3 AND starts_with(lower(name), w);
          IF month IS NULL THEN RETURN NULL; END IF;
        END IF;
      END IF;
    END IF;
  END LOOP;
  FOR i IN 1 .. k LOOP
    IF nums[i] IS NULL THEN CONTINUE; END IF;
    IF seps[i] = ':' OR (i > 1 AND seps[i - 1] = ':') THEN tm := tm || nums[i]; ELSE ymd := ymd || nums[i]; END IF;
  END LOOP;
  IF cardinality(tm) = 1 OR cardinality(tm) > 3 THEN RETURN NULL; END IF;
  IF (am OR pm) AND cardinality(tm) = 0 AND cardinality(ymd) = 1 AND month = 0 THEN
    tm := ARRAY[ymd[1], 0];
    ymd := '{}';
  END IF;
  IF cardinality(ymd) > 0 OR month <> 0 THEN
    IF month <> 0 THEN
      IF cardinality(ymd) <> 2 THEN RETURN NULL; END IF;
      mo := month; d := ymd[1]; y := ymd[2];
    ELSIF cardinality(ymd) = 3 THEN
      IF digits[1] > 2 THEN y := ymd[1]; mo := ymd[2]; d := ymd[3];
      ELSIF ymd[1] > 12 AND ymd[2] <= 12 THEN d := ymd[1]; mo := ymd[2]; y := ymd[3];
      ELSE mo := ymd[1]; d := ymd[2]; y := ymd[3];
      END IF;
    ELSE
      RETURN NULL;
    END IF;
    IF y < 100 THEN y := y + CASE WHEN y < 30 THEN 2000 ELSE 1900 END; END IF;
    IF mo < 1 OR mo > 12 OR d < 1 OR y > 9999 THEN RETURN NULL; END IF;
    IF d > extract(day FROM make_date(y, mo, 1) + interval '1 month - 1 day') THEN RETURN NULL; END IF;
    day := make_date(y, mo, d) - date '1899-12-30';
  END IF;
  IF cardinality(tm) > 0 THEN
    h := tm[1];
    IF am OR pm THEN
      IF h < 1 OR h > 12 THEN RETURN NULL; END IF;
      h := h % 12 + CASE WHEN pm THEN 12 ELSE 0 END;
    END IF;
    IF h > 23 OR tm[2] > 59 OR coalesce(tm[3], 0) > 59 THEN RETURN NULL; END IF;
    frac := (h * 3600 + tm[2] * 60 + coalesce(tm[3], 0))::double precision / 86400;
  ELSIF am OR pm THEN
    RETURN NULL;
  END IF;
  IF cardinality(ymd) = 0 AND month = 0 AND cardinality(tm) = 0 THEN RETURN NULL; END IF;
  RETURN jet_combine(day, frac);
END $f$;
-- A value's text in an expression: numbers as the runtime writes them.
CREATE OR REPLACE FUNCTION jet_text(v jsonb) RETURNS text
LANGUAGE sql STABLE AS $f$
SELECT CASE jsonb_typeof(v) WHEN 'string' THEN v #>> '{}'
  WHEN 'number' THEN CASE WHEN v #>> '{}' ~ '^-?[0-9]{1,15}$' THEN v #>> '{}' ELSE jet_numtext((v #>> '{}')::double precision) END
  WHEN 'object' THEN coalesce(trim_scale((v ->> 'n')::numeric)::text, jet_datetext((v ->> 'd')::double precision)) END $f$;
-- The number a value stands for; `err` for a text that reads as none.
CREATE OR REPLACE FUNCTION jet_number(v jsonb, err integer DEFAULT 3464) RETURNS double precision
LANGUAGE plpgsql STABLE AS $f$
DECLARE d double precision;
BEGIN
  CASE jsonb_typeof(v)
    WHEN 'number' THEN RETURN (v #>> '{}')::double precision;
    WHEN 'object' THEN RETURN coalesce(v ->> 'd', v ->> 'n')::double precision;
    WHEN 'string' THEN
      d := jet_parsenum(v #>> '{}');
      IF d IS NULL THEN PERFORM jet_fail(err); END IF;
      RETURN d;
    ELSE RETURN NULL;
  END CASE;
END $f$;
-- A whole-number argument (a count, a position), rounded half to even.
CREATE OR REPLACE FUNCTION jet_whole(v jsonb, err integer DEFAULT 3464) RETURNS bigint
LANGUAGE plpgsql STABLE AS $f$
DECLARE d double precision;
BEGIN
  IF v IS NULL THEN PERFORM jet_fail(94); END IF;
  d := round(jet_number(v, err));
  IF abs(d) > 2147483647 THEN PERFORM jet_fail(6); END IF;
  RETURN d::bigint;
END $f$;
-- The date a value stands for (13 for a text that is none, 5 outside the years 100-9999).
CREATE OR REPLACE FUNCTION jet_todate(v jsonb) RETURNS double precision
LANGUAGE plpgsql STABLE AS $f$
DECLARE d double precision;
BEGIN
  IF v IS NULL THEN PERFORM jet_fail(94); END IF;
  IF jsonb_typeof(v) = 'string' THEN
    d := coalesce(jet_parsedate(v #>> '{}'), jet_parsenum(v #>> '{}'));
    IF d IS NULL THEN PERFORM jet_fail(13); END IF;
  ELSE
    d := jet_number(v);
  END IF;
  IF NOT jet_validdate(d) THEN PERFORM jet_fail(5); END IF;
  RETURN d;
END $f$;
-- ---- operators ----
CREATE OR REPLACE FUNCTION jet_compare(a jsonb, b jsonb) RETURNS integer
LANGUAGE plpgsql STABLE AS $f$
DECLARE x double precision; y double precision;
BEGIN
  IF a IS NULL OR b IS NULL THEN RETURN NULL; END IF;
  IF jsonb_typeof(a) = 'string' AND jsonb_typeof(b) = 'string' THEN
    RETURN CASE WHEN (a #>> '{}') < (b #>> '{}') COLLATE "JET" THEN -1
                WHEN (a #>> '{}') > (b #>> '{}') COLLATE "JET" THEN 1 ELSE 0 END;
  END IF;
  IF a -> 'd' IS NOT NULL OR b -> 'd' IS NOT NULL THEN
    x := CASE WHEN jsonb_typeof(a) = 'string' THEN coalesce(jet_parsedate(a #>> '{}'), jet_number(a)) ELSE jet_number(a) END;
    y := CASE WHEN jsonb_typeof(b) = 'string' THEN coalesce(jet_parsedate(b #>> '{}'), jet_number(b)) ELSE jet_number(b) END;
  ELSIF a -> 'n' IS NOT NULL OR b -> 'n' IS NOT NULL THEN
    -- A Decimal against another number or a text that reads as one compares exactly.
    RETURN sign(jet_decimal(a) - jet_decimal(b));
  ELSE
    x := jet_number(a);
    y := jet_number(b);
  END IF;
  RETURN CASE WHEN x < y THEN -1 WHEN x > y THEN 1 ELSE 0 END;
END $f$;
CREATE OR REPLACE FUNCTION jet_concat(VARIADIC p jsonb[]) RETURNS text
LANGUAGE plpgsql STABLE AS $f$
DECLARE x jsonb; out text;
BEGIN
  FOREACH x IN ARRAY p LOOP
    IF x IS NOT NULL THEN out := coalesce(out, '') || jet_text(x); END IF;
  END LOOP;
  RETURN out;
END $f$;
CREATE OR REPLACE FUNCTION jet_num(v jsonb) RETURNS double precision
LANGUAGE sql STABLE AS $f$ SELECT jet_number(v) $f$;
CREATE OR REPLACE FUNCTION jet_truth(v jsonb) RETURNS boolean
LANGUAGE sql STABLE AS $f$ SELECT jet_number(v) <> 0 $f$;
CREATE OR REPLACE FUNCTION jet_add(a jsonb, b jsonb) RETURNS jsonb
LANGUAGE sql STABLE AS $f$
SELECT CASE WHEN jsonb_typeof(a) = 'string' AND jsonb_typeof(b) = 'string' THEN to_jsonb((a #>> '{}') || (b #>> '{}'))
            ELSE to_jsonb(jet_number(a) + jet_number(b)) END $f$;
CREATE OR REPLACE FUNCTION jet_divide(a jsonb, b jsonb, kind integer) RETURNS double precision
LANGUAGE plpgsql STABLE AS $f$
DECLARE x double precision := jet_number(a); y double precision := jet_number(b);
BEGIN
  IF x IS NULL OR y IS NULL THEN RETURN NULL; END IF;
  IF kind > 0 THEN x := round(x); y := round(y); END IF;
  IF y = 0 THEN PERFORM jet_fail(11); END IF;
  RETURN CASE kind WHEN 0 THEN x / y WHEN 1 THEN trunc(x / y) ELSE x - trunc(x / y) * y END;
END $f$;
CREATE OR REPLACE FUNCTION jet_div(a jsonb, b jsonb) RETURNS double precision
LANGUAGE sql STABLE AS $f$ SELECT jet_divide(a, b, 0) $f$;
CREATE OR REPLACE FUNCTION jet_idiv(a jsonb, b jsonb) RETURNS double precision
LANGUAGE sql STABLE AS $f$ SELECT jet_divide(a, b, 1) $f$;
CREATE OR REPLACE FUNCTION jet_mod(a jsonb, b jsonb) RETURNS double precision
LANGUAGE sql STABLE AS $f$ SELECT jet_divide(a, b, 2) $f$;
CREATE OR REPLACE FUNCTION jet_pow(a jsonb, b jsonb) RETURNS double precision
LANGUAGE plpgsql STABLE AS $f$
DECLARE x double precision := jet_number(a); y double precision := jet_number(b);
BEGIN
  IF x IS NULL OR y IS NULL THEN RETURN NULL; END IF;
  BEGIN
    RETURN power(x, y);
  EXCEPTION WHEN numeric_value_out_of_range THEN PERFORM jet_fail(6);
            WHEN others THEN PERFORM jet_fail(5);
  END;
END $f$;
-- Like with Jet's wildcards (* ? # [a-z] [!a]), letter case ignored: the
-- pattern becomes an anchored regular expression.
CREATE OR REPLACE FUNCTION jet_like(a jsonb, b jsonb) RETURNS boolean
LANGUAGE plpgsql STABLE AS $f$
DECLARE p text := jet_text(b); re text := '^'; i integer := 1; n integer; c text; close integer; j integer;
        list text;
BEGIN
  IF a IS NULL OR b IS NULL THEN RETURN NULL; END IF;
  n := char_length(p);
  WHILE i <= n LOOP
    c := substr(p, i, 1);
    IF c = '*' THEN re := re || '.*';
    ELSIF c = '?' THEN re := re || '.';
    ELSIF c = '#' THEN re := re || '[0-9]';
    ELSIF c = '[' THEN
      -- A ']' right after '[' or '[!' belongs to the list.
      close := i + 1;
      IF substr(p, close, 1) = '!' THEN close := close + 1; END IF;
      IF substr(p, close, 1) = ']' THEN close := close + 1; END IF;
      WHILE close <= n AND substr(p, close, 1) <> ']' LOOP close := close + 1; END LOOP;
      IF close > n THEN
        re := re || '\[';
      ELSE
        j := i + 1;
        list := '';
        IF substr(p, j, 1) = '!' AND j + 1 < close THEN list := '^'; j := j + 1; END IF;
        WHILE j < close LOOP
          c := substr(p, j, 1);
          IF j + 2 < close AND substr(p, j + 1, 1) = '-' THEN
            list := list || regexp_replace(c, '([\\\]\[^-])', '\\\1') || '-' ||
                    regexp_replace(substr(p, j + 2, 1), '([\\\]\[^-])', '\\\1');
            j := j + 3;
          ELSE
            list := list || regexp_replace(c, '([\\\]\[^-])', '\\\1');
            j := j + 1;
          END IF;
        END LOOP;
        re := re || '[' || list || ']';
        i := close;
      END IF;
    ELSE
      re := re || regexp_replace(c, '([.^$*+?()\[\]{}|\\])', '\\\1');
    END IF;
    i := i + 1;
  END LOOP;
  RETURN jet_text(a) ~* (re || '$');
END $f$;
-- ---- conversions ----
CREATE OR REPLACE FUNCTION jet_nonull(v jsonb) RETURNS jsonb
LANGUAGE plpgsql STABLE AS $f$
BEGIN
  IF v IS NULL THEN PERFORM jet_fail(94); END IF;
  RETURN v;
END $f$;
CREATE OR REPLACE FUNCTION jet_cstr(v jsonb) RETURNS text
LANGUAGE sql STABLE AS $f$ SELECT jet_text(jet_nonull(v)) $f$;
CREATE OR REPLACE FUNCTION jet_cdbl(v jsonb) RETURNS double precision
LANGUAGE sql STABLE AS $f$ SELECT jet_number(jet_nonull(v)) $f$;
CREATE OR REPLACE FUNCTION jet_convertwhole(v jsonb, lo double precision, hi double precision) RETURNS integer
LANGUAGE plpgsql STABLE AS $f$
DECLARE d double precision := round(jet_number(jet_nonull(v)));
BEGIN
  IF NOT (d >= lo AND d <= hi) THEN PERFORM jet_fail(6); END IF;
  RETURN d::integer;
END $f$;
CREATE OR REPLACE FUNCTION jet_clng(v jsonb) RETURNS integer
LANGUAGE sql STABLE AS $f$ SELECT jet_convertwhole(v, -2147483648, 2147483647) $f$;
CREATE OR REPLACE FUNCTION jet_cint(v jsonb) RETURNS integer
LANGUAGE sql STABLE AS $f$ SELECT jet_convertwhole(v, -32768, 32767) $f$;
CREATE OR REPLACE FUNCTION jet_cbyte(v jsonb) RETURNS integer
LANGUAGE sql STABLE AS $f$ SELECT jet_convertwhole(v, 0, 255) $f$;
CREATE OR REPLACE FUNCTION jet_cbool(v jsonb) RETURNS integer
LANGUAGE sql STABLE AS $f$
SELECT CASE WHEN jsonb_typeof(v) = 'string' AND lower(v #>> '{}') = 'true' THEN -1
            WHEN jsonb_typeof(v) = 'string' AND lower(v #>> '{}') = 'false' THEN 0
            WHEN jet_number(jet_nonull(v)) <> 0 THEN -1 ELSE 0 END $f$;
CREATE OR REPLACE FUNCTION jet_ccur(v jsonb) RETURNS double precision
LANGUAGE plpgsql STABLE AS $f$
DECLARE d double precision := jet_number(jet_nonull(v), 13);
BEGIN
  IF NOT abs(d) <= 922337203685477.5807 THEN PERFORM jet_fail(6); END IF;
  RETURN round(d * 10000) / 10000;
END $f$;
CREATE OR REPLACE FUNCTION jet_isnumeric(v jsonb) RETURNS integer
LANGUAGE sql STABLE AS $f$
SELECT CASE WHEN jsonb_typeof(v) = 'number' OR v -> 'n' IS NOT NULL
                 OR (jsonb_typeof(v) = 'string' AND jet_parsenum(v #>> '{}') IS NOT NULL) THEN -1 ELSE 0 END $f$;
CREATE OR REPLACE FUNCTION jet_isempty(v jsonb) RETURNS integer LANGUAGE sql STABLE AS $f$ SELECT 0 $f$;
-- Val: the number at the start of a text, blanks anywhere ignored.
CREATE OR REPLACE FUNCTION jet_val(v jsonb) RETURNS double precision
LANGUAGE plpgsql STABLE AS $f$
DECLARE t text := regexp_replace(jet_text(jet_nonull(v)), '[ \t\r\n]', '', 'g'); m text[]; d double precision;
BEGIN
  IF t ~* '^&h' THEN RETURN jet_twos(jet_radixvalue(substring(t FROM '^..([0-9a-fA-F]*)'), 16)); END IF;
  IF t ~* '^&o' THEN RETURN jet_twos(jet_radixvalue(substring(t FROM '^..([0-7]*)'), 8)); END IF;
  m := regexp_match(t, '^([+-]?)([0-9]*)(?:\.([0-9]*))?(?:[eEdD]([+-]?[0-9]+))?');
  IF coalesce(m[2], '') = '' AND coalesce(m[3], '') = '' THEN RETURN 0; END IF;
  BEGIN
    d := (m[1] || coalesce(nullif(m[2], ''), '0') || '.' || coalesce(m[3], '') || '0' ||
          coalesce('E' || m[4], ''))::double precision;
  EXCEPTION WHEN others THEN PERFORM jet_fail(6);
  END;
  RETURN d;
END $f$;
-- ---- numbers ----
CREATE OR REPLACE FUNCTION jet_math(v jsonb, f text) RETURNS double precision
LANGUAGE plpgsql STABLE AS $f$
DECLARE d double precision := jet_number(v, 13); r double precision;
BEGIN
  IF d IS NULL THEN RETURN NULL; END IF;
  IF (f = 'sqr' AND d < 0) OR (f = 'log' AND d <= 0) THEN PERFORM jet_fail(5); END IF;
  BEGIN
    r := CASE f WHEN 'sqr' THEN sqrt(d) WHEN 'exp' THEN exp(d) WHEN 'log' THEN ln(d) WHEN 'sin' THEN sin(d)
                WHEN 'cos' THEN cos(d) WHEN 'tan' THEN tan(d) ELSE atan(d) END;
  EXCEPTION WHEN others THEN PERFORM jet_fail(6);
  END;
  IF r IN ('Infinity', '-Infinity', 'NaN') THEN PERFORM jet_fail(6); END IF;
  RETURN r;
END $f$;
CREATE OR REPLACE FUNCTION jet_sqr(v jsonb) RETURNS double precision LANGUAGE sql STABLE AS $f$ SELECT jet_math(v, 'sqr') $f$;
CREATE OR REPLACE FUNCTION jet_exp(v jsonb) RETURNS double precision LANGUAGE sql STABLE AS $f$ SELECT jet_math(v, 'exp') $f$;
CREATE OR REPLACE FUNCTION jet_log(v jsonb) RETURNS double precision LANGUAGE sql STABLE AS $f$ SELECT jet_math(v, 'log') $f$;
CREATE OR REPLACE FUNCTION jet_sin(v jsonb) RETURNS double precision LANGUAGE sql STABLE AS $f$ SELECT jet_math(v, 'sin') $f$;
CREATE OR REPLACE FUNCTION jet_cos(v jsonb) RETURNS double precision LANGUAGE sql STABLE AS $f$ SELECT jet_math(v, 'cos') $f$;
CREATE OR REPLACE FUNCTION jet_tan(v jsonb) RETURNS double precision LANGUAGE sql STABLE AS $f$ SELECT jet_math(v, 'tan') $f$;
CREATE OR REPLACE FUNCTION jet_atn(v jsonb) RETURNS double precision LANGUAGE sql STABLE AS $f$ SELECT jet_math(v, 'atn') $f$;
CREATE OR REPLACE FUNCTION jet_abs(v jsonb) RETURNS double precision LANGUAGE sql STABLE AS $f$ SELECT abs(jet_number(v)) $f$;
CREATE OR REPLACE FUNCTION jet_int(v jsonb) RETURNS double precision LANGUAGE sql STABLE AS $f$ SELECT floor(jet_number(v)) $f$;
CREATE OR REPLACE FUNCTION jet_fix(v jsonb) RETURNS double precision LANGUAGE sql STABLE AS $f$ SELECT trunc(jet_number(v)) $f$;
CREATE OR REPLACE FUNCTION jet_sgn(v jsonb) RETURNS integer LANGUAGE sql STABLE AS $f$ SELECT sign(jet_number(v))::integer $f$;
CREATE OR REPLACE FUNCTION jet_round(v jsonb, places jsonb DEFAULT 'false') RETURNS double precision
LANGUAGE plpgsql STABLE AS $f$
DECLARE d double precision := jet_number(v); k bigint := 0; scale double precision;
BEGIN
  IF d IS NULL THEN RETURN NULL; END IF;
  IF jet_given(places) THEN k := jet_whole(places); END IF;
  IF k < 0 THEN PERFORM jet_fail(5); END IF;
  IF k > 15 THEN RETURN d; END IF;
  scale := power(10::double precision, k);
  -- The decimal value is rounded, not its binary neighbour: 2.675 is 2.675.
  RETURN round(jet_numtext(d * scale)::double precision) / scale;
END $f$;
-- Rnd: the runtime's 24-bit generator, its state kept in the session (one
-- per connection, as a file's is one per thread). Rnd(-n) seeds it from the
-- bits of n as a Single, Rnd(0) repeats the last number.
CREATE OR REPLACE FUNCTION jet_rnd(v jsonb DEFAULT 'false') RETURNS double precision
LANGUAGE plpgsql VOLATILE AS $f$
DECLARE n double precision := 1; state bigint := coalesce(nullif(current_setting('zive.rnd', true), '')::bigint, 327680);
        bits bigint;
BEGIN
  IF jet_given(v) THEN n := jet_number(jet_nonull(v), 13); END IF;
  IF n < 0 THEN
    bits := ('x' || encode(float4send(n::real), 'hex'))::bit(32)::bigint;
    state := (bits + (bits >> 24)) & 16777215;
  END IF;
  IF n <> 0 THEN state := (state * 1140671485 + 12820163) & 16777215; END IF;
  PERFORM set_config('zive.rnd', state::text, false);
  RETURN state / 16777216.0;
END $f$;
-- CDec (the translator also makes numbers Decimals with it to compare them
-- with Decimals): a Double gives its 15 significant digits, which its cast
-- to numeric keeps. A plain numeric here is a number of Jet's other types
-- (a literal, an average), so a Double too.
CREATE OR REPLACE FUNCTION jet_decimal(v jsonb) RETURNS numeric
LANGUAGE plpgsql STABLE AS $f$
DECLARE x numeric;
BEGIN
  CASE jsonb_typeof(v)
    WHEN 'string' THEN
      x := jet_decparse(v #>> '{}');
      IF x IS NULL THEN PERFORM jet_fail(3464); END IF;
      RETURN x;
    WHEN 'number' THEN RETURN jet_decfit((v #>> '{}')::double precision::numeric);
    WHEN 'object' THEN RETURN coalesce((v ->> 'n')::numeric, jet_decfit((v ->> 'd')::double precision::numeric));
    ELSE RETURN NULL;
  END CASE;
END $f$;
CREATE OR REPLACE FUNCTION jet_decimal(v numeric) RETURNS numeric
LANGUAGE sql STABLE AS $f$ SELECT jet_decfit(v::double precision::numeric) $f$;
CREATE OR REPLACE FUNCTION jet_decimal(v double precision) RETURNS numeric
LANGUAGE sql STABLE AS $f$ SELECT jet_decfit(v::numeric) $f$;
-- First and Last: the value of the row first or last added (the rowids of
-- the query's tables follow the value).
CREATE OR REPLACE FUNCTION jet_pick(state jsonb, v jsonb, last boolean, keys bigint[]) RETURNS jsonb
LANGUAGE sql STABLE AS $f$
SELECT CASE WHEN state IS NULL OR (last AND to_jsonb(keys) >= state -> 'k') OR (NOT last AND to_jsonb(keys) < state -> 'k')
            THEN jsonb_build_object('k', to_jsonb(keys), 'v', v) ELSE state END $f$;
CREATE OR REPLACE FUNCTION jet_firststep(state jsonb, v jsonb, VARIADIC keys bigint[]) RETURNS jsonb
LANGUAGE sql STABLE AS $f$ SELECT jet_pick(state, v, false, keys) $f$;
CREATE OR REPLACE FUNCTION jet_laststep(state jsonb, v jsonb, VARIADIC keys bigint[]) RETURNS jsonb
LANGUAGE sql STABLE AS $f$ SELECT jet_pick(state, v, true, keys) $f$;
CREATE OR REPLACE FUNCTION jet_picked(state jsonb) RETURNS jsonb
LANGUAGE sql STABLE AS $f$ SELECT nullif(state -> 'v', 'null'::jsonb) $f$;
CREATE OR REPLACE AGGREGATE jet_first(jsonb, VARIADIC bigint[]) (sfunc = jet_firststep, stype = jsonb, finalfunc = jet_picked);
CREATE OR REPLACE AGGREGATE jet_last(jsonb, VARIADIC bigint[]) (sfunc = jet_laststep, stype = jsonb, finalfunc = jet_picked);
)sql";

// The text functions.
constexpr std::string_view kTexts = R"sql(
-- ---- texts ----
CREATE OR REPLACE FUNCTION jet_count(v jsonb) RETURNS integer
LANGUAGE plpgsql STABLE AS $f$
DECLARE n bigint := jet_whole(v);
BEGIN
  IF n < 0 THEN PERFORM jet_fail(5); END IF;
  RETURN least(n, 2147483647)::integer;
END $f$;
CREATE OR REPLACE FUNCTION jet_left(v jsonb, n jsonb) RETURNS text
LANGUAGE sql STABLE AS $f$ SELECT CASE WHEN v IS NOT NULL THEN left(jet_text(v), jet_count(n)) END $f$;
CREATE OR REPLACE FUNCTION jet_right(v jsonb, n jsonb) RETURNS text
LANGUAGE sql STABLE AS $f$ SELECT CASE WHEN v IS NOT NULL THEN right(jet_text(v), jet_count(n)) END $f$;
CREATE OR REPLACE FUNCTION jet_mid(v jsonb, s jsonb, n jsonb DEFAULT 'false') RETURNS text
LANGUAGE plpgsql STABLE AS $f$
DECLARE start bigint;
BEGIN
  IF v IS NULL THEN RETURN NULL; END IF;
  start := jet_whole(s);
  IF start < 1 THEN PERFORM jet_fail(5); END IF;
  IF NOT jet_given(n) THEN RETURN substr(jet_text(v), start::integer); END IF;
  RETURN substr(jet_text(v), start::integer, jet_count(n));
END $f$;
CREATE OR REPLACE FUNCTION jet_len(v jsonb) RETURNS integer
LANGUAGE sql STABLE AS $f$ SELECT char_length(jet_text(v)) $f$;
CREATE OR REPLACE FUNCTION jet_trim(v jsonb) RETURNS text LANGUAGE sql STABLE AS $f$ SELECT btrim(jet_text(v), ' ') $f$;
CREATE OR REPLACE FUNCTION jet_ltrim(v jsonb) RETURNS text LANGUAGE sql STABLE AS $f$ SELECT ltrim(jet_text(v), ' ') $f$;
CREATE OR REPLACE FUNCTION jet_rtrim(v jsonb) RETURNS text LANGUAGE sql STABLE AS $f$ SELECT rtrim(jet_text(v), ' ') $f$;
CREATE OR REPLACE FUNCTION jet_ucase(v jsonb) RETURNS text LANGUAGE sql STABLE AS $f$ SELECT upper(jet_text(v) COLLATE "JET") $f$;
CREATE OR REPLACE FUNCTION jet_lcase(v jsonb) RETURNS text LANGUAGE sql STABLE AS $f$ SELECT lower(jet_text(v) COLLATE "JET") $f$;
-- A compare argument: 0 binary (exact characters), 1, 2 or -1 letter case ignored.
CREATE OR REPLACE FUNCTION jet_binary(mode jsonb) RETURNS boolean
LANGUAGE plpgsql STABLE AS $f$
DECLARE m bigint;
BEGIN
  IF NOT jet_given(mode) THEN RETURN false; END IF;
  m := jet_whole(mode);
  IF m < -1 OR m > 2 THEN PERFORM jet_fail(5); END IF;
  RETURN m = 0;
END $f$;
CREATE OR REPLACE FUNCTION jet_folded(t text, bin boolean) RETURNS text
LANGUAGE sql STABLE AS $f$ SELECT CASE WHEN bin THEN t ELSE lower(t COLLATE "JET") END $f$;
-- InStr([start, ]text, sought[, compare]).
CREATE OR REPLACE FUNCTION jet_instr(a jsonb, b jsonb, c jsonb DEFAULT 'false', d jsonb DEFAULT 'false') RETURNS integer
LANGUAGE plpgsql STABLE AS $f$
DECLARE start bigint := 1; t jsonb := a; s jsonb := b; bin boolean; x text; y text; at integer;
BEGIN
  IF jet_given(c) THEN
    start := jet_whole(a);
    IF start < 1 THEN PERFORM jet_fail(5); END IF;
    t := b; s := c;
  END IF;
  bin := jet_binary(d);
  IF t IS NULL OR s IS NULL THEN RETURN NULL; END IF;
  x := jet_folded(jet_text(t), bin); y := jet_folded(jet_text(s), bin);
  IF start > char_length(x) THEN RETURN 0; END IF;
  IF y = '' THEN RETURN start; END IF;
  at := strpos(substr(x, start::integer), y);
  RETURN CASE WHEN at = 0 THEN 0 ELSE at + start - 1 END;
END $f$;
CREATE OR REPLACE FUNCTION jet_instrrev(a jsonb, b jsonb, st jsonb DEFAULT 'false', mode jsonb DEFAULT 'false') RETURNS integer
LANGUAGE plpgsql STABLE AS $f$
DECLARE start bigint := -1; bin boolean; x text; y text; stop integer; i integer;
BEGIN
  IF jet_given(st) THEN start := jet_whole(st); END IF;
  IF start = 0 OR start < -1 THEN PERFORM jet_fail(5); END IF;
  bin := jet_binary(mode);
  IF a IS NULL OR b IS NULL THEN RETURN NULL; END IF;
  x := jet_folded(jet_text(a), bin); y := jet_folded(jet_text(b), bin);
  stop := CASE WHEN start = -1 THEN char_length(x) ELSE start END;
  IF stop > char_length(x) THEN RETURN 0; END IF;
  IF y = '' THEN RETURN stop; END IF;
  FOR i IN REVERSE stop - char_length(y) + 1 .. 1 LOOP
    IF substr(x, i, char_length(y)) = y THEN RETURN i; END IF;
  END LOOP;
  RETURN 0;
END $f$;
CREATE OR REPLACE FUNCTION jet_replace(a jsonb, b jsonb, r jsonb, st jsonb DEFAULT 'false', cnt jsonb DEFAULT 'false',
                                       mode jsonb DEFAULT 'false') RETURNS text
LANGUAGE plpgsql STABLE AS $f$
DECLARE start bigint := 1; k bigint := -1; bin boolean; original text; x text; y text; rep text; out text := '';
        at integer; found integer; done bigint := 0;
BEGIN
  IF a IS NULL OR b IS NULL OR r IS NULL OR st IS NULL OR cnt IS NULL OR mode IS NULL THEN PERFORM jet_fail(94); END IF;
  IF jet_given(st) THEN start := jet_whole(st); END IF;
  IF jet_given(cnt) THEN k := jet_whole(cnt); END IF;
  IF start < 1 OR k < -1 THEN PERFORM jet_fail(5); END IF;
  bin := jet_binary(mode);
  original := jet_text(a);
  IF start > char_length(original) THEN RETURN ''; END IF;
  x := jet_folded(original, bin); y := jet_folded(jet_text(b), bin); rep := jet_text(r);
  at := start::integer;
  IF y = '' OR k = 0 THEN RETURN substr(original, at); END IF;
  WHILE k < 0 OR done < k LOOP
    found := strpos(substr(x, at), y);
    EXIT WHEN found = 0;
    out := out || substr(original, at, found - 1) || rep;
    at := at + found - 1 + char_length(y);
    done := done + 1;
  END LOOP;
  RETURN out || substr(original, at);
END $f$;
CREATE OR REPLACE FUNCTION jet_strreverse(v jsonb) RETURNS text
LANGUAGE sql STABLE AS $f$ SELECT reverse(jet_text(jet_nonull(v))) $f$;
CREATE OR REPLACE FUNCTION jet_strcomp(a jsonb, b jsonb, mode jsonb DEFAULT 'false') RETURNS integer
LANGUAGE plpgsql STABLE AS $f$
DECLARE bin boolean := jet_binary(mode); x text; y text;
BEGIN
  IF a IS NULL OR b IS NULL THEN RETURN NULL; END IF;
  x := jet_text(a); y := jet_text(b);
  IF bin THEN RETURN CASE WHEN x < y COLLATE "C" THEN -1 WHEN x > y COLLATE "C" THEN 1 ELSE 0 END; END IF;
  RETURN CASE WHEN x < y COLLATE "JET" THEN -1 WHEN x > y COLLATE "JET" THEN 1 ELSE 0 END;
END $f$;
-- StrConv: 1 upper case, 2 lower case, 3 each word's first letter upper and the rest lower.
CREATE OR REPLACE FUNCTION jet_strconv(v jsonb, conv jsonb, lcid jsonb DEFAULT 'false') RETURNS text
LANGUAGE plpgsql STABLE AS $f$
DECLARE k bigint := jet_whole(conv); t text; out text := ''; c text; start boolean := true; i integer;
BEGIN
  IF jet_given(lcid) THEN PERFORM jet_whole(lcid); END IF;
  IF k < 1 OR k > 3 THEN PERFORM jet_fail(5); END IF;
  IF v IS NULL THEN RETURN NULL; END IF;
  t := jet_text(v);
  IF k < 3 THEN RETURN CASE k WHEN 1 THEN upper(t COLLATE "JET") ELSE lower(t COLLATE "JET") END; END IF;
  FOR i IN 1 .. char_length(t) LOOP
    c := substr(t, i, 1);
    out := out || CASE WHEN start THEN upper(c COLLATE "JET") ELSE lower(c COLLATE "JET") END;
    start := c ~ '^[\s\x00]$';
  END LOOP;
  RETURN out;
END $f$;
-- Character codes in the Windows Latin code page: its 128-159 are these.
CREATE OR REPLACE FUNCTION jet_cp1252() RETURNS integer[] LANGUAGE sql STABLE AS $f$
SELECT ARRAY[8364, 129, 8218, 402, 8222, 8230, 8224, 8225, 710, 8240, 352, 8249, 338, 141, 381, 143, 144, 8216,
             8217, 8220, 8221, 8226, 8211, 8212, 732, 8482, 353, 8250, 339, 157, 382, 376] $f$;
CREATE OR REPLACE FUNCTION jet_asc(v jsonb) RETURNS integer
LANGUAGE plpgsql STABLE AS $f$
DECLARE t text := jet_text(jet_nonull(v)); c integer;
BEGIN
  IF t = '' THEN PERFORM jet_fail(5); END IF;
  c := ascii(t);
  IF c < 128 OR (c >= 160 AND c < 256) THEN RETURN c; END IF;
  RETURN coalesce(127 + array_position(jet_cp1252(), c), 63);
END $f$;
CREATE OR REPLACE FUNCTION jet_chr(v jsonb) RETURNS text
LANGUAGE plpgsql STABLE AS $f$
DECLARE d double precision := round(jet_number(jet_nonull(v), 13));
BEGIN
  IF d < 0 OR d > 255 THEN PERFORM jet_fail(5); END IF;
  IF d = 0 THEN RETURN chr(0 + 65533); END IF;
  RETURN chr(CASE WHEN d >= 128 AND d < 160 THEN (jet_cp1252())[d::integer - 127] ELSE d::integer END);
END $f$;
CREATE OR REPLACE FUNCTION jet_str(v jsonb) RETURNS text
LANGUAGE plpgsql STABLE AS $f$
DECLARE d double precision; t text;
BEGIN
  IF v IS NULL THEN RETURN NULL; END IF;
  IF v -> 'd' IS NOT NULL THEN RETURN jet_text(v); END IF;
  d := jet_number(v, 13);
  t := jet_numtext(abs(d));
  IF t LIKE '0.%' THEN t := substr(t, 2); END IF;
  RETURN CASE WHEN d < 0 THEN '-' ELSE ' ' END || t;
END $f$;
CREATE OR REPLACE FUNCTION jet_length(v jsonb) RETURNS integer
LANGUAGE plpgsql STABLE AS $f$
DECLARE n bigint;
BEGIN
  PERFORM jet_number(jet_nonull(v), 13);
  n := jet_whole(v);
  IF n < 0 THEN PERFORM jet_fail(5); END IF;
  IF n > 16777216 THEN PERFORM jet_fail(6); END IF;
  RETURN n;
END $f$;
CREATE OR REPLACE FUNCTION jet_space(v jsonb) RETURNS text
LANGUAGE sql STABLE AS $f$ SELECT repeat(' ', jet_length(v)) $f$;
CREATE OR REPLACE FUNCTION jet_string(v jsonb, c jsonb) RETURNS text
LANGUAGE plpgsql STABLE AS $f$
DECLARE n integer; one text; code double precision;
BEGIN
  IF v IS NULL OR c IS NULL THEN RETURN NULL; END IF;
  n := jet_length(v);
  IF jsonb_typeof(c) = 'string' THEN
    one := left(c #>> '{}', 1);
    IF one = '' THEN PERFORM jet_fail(5); END IF;
  ELSE
    code := round(jet_number(c, 13))::numeric % 256;
    one := jet_chr(to_jsonb(CASE WHEN code < 0 THEN code + 256 ELSE code END));
  END IF;
  IF octet_length(one) * n > 16777216 THEN PERFORM jet_fail(6); END IF;
  RETURN repeat(one, n);
END $f$;
)sql";

// The date functions.
constexpr std::string_view kDates = R"sql(
-- ---- dates ----
CREATE OR REPLACE FUNCTION jet_dateresult(d double precision) RETURNS double precision
LANGUAGE plpgsql STABLE AS $f$
BEGIN
  IF d IS NOT NULL AND NOT jet_validdate(d) THEN PERFORM jet_fail(5); END IF;
  RETURN d;
END $f$;
CREATE OR REPLACE FUNCTION jet_date(v jsonb) RETURNS double precision
LANGUAGE sql STABLE AS $f$ SELECT CASE WHEN v IS NOT NULL THEN jet_todate(v) END $f$;
CREATE OR REPLACE FUNCTION jet_part(v jsonb, field text) RETURNS integer
LANGUAGE sql STABLE AS $f$
SELECT CASE WHEN v IS NOT NULL THEN date_part(field, jet_ts(jet_todate(v)))::integer END $f$;
CREATE OR REPLACE FUNCTION jet_year(v jsonb) RETURNS integer LANGUAGE sql STABLE AS $f$ SELECT jet_part(v, 'year') $f$;
CREATE OR REPLACE FUNCTION jet_month(v jsonb) RETURNS integer LANGUAGE sql STABLE AS $f$ SELECT jet_part(v, 'month') $f$;
CREATE OR REPLACE FUNCTION jet_day(v jsonb) RETURNS integer LANGUAGE sql STABLE AS $f$ SELECT jet_part(v, 'day') $f$;
CREATE OR REPLACE FUNCTION jet_hour(v jsonb) RETURNS integer LANGUAGE sql STABLE AS $f$ SELECT jet_part(v, 'hour') $f$;
CREATE OR REPLACE FUNCTION jet_minute(v jsonb) RETURNS integer LANGUAGE sql STABLE AS $f$ SELECT jet_part(v, 'minute') $f$;
CREATE OR REPLACE FUNCTION jet_second(v jsonb) RETURNS integer LANGUAGE sql STABLE AS $f$ SELECT jet_part(v, 'second') $f$;
-- The first day of the week a call asks for (1 Sunday .. 7 Saturday, 0 or none: Sunday).
CREATE OR REPLACE FUNCTION jet_firstday(v jsonb) RETURNS integer
LANGUAGE plpgsql STABLE AS $f$
DECLARE d bigint;
BEGIN
  IF v IS NULL OR NOT jet_given(v) THEN RETURN 1; END IF;
  d := jet_whole(v);
  IF d < 0 OR d > 7 THEN PERFORM jet_fail(5); END IF;
  RETURN greatest(d, 1);
END $f$;
CREATE OR REPLACE FUNCTION jet_weekday(v jsonb, first jsonb DEFAULT 'false') RETURNS integer
LANGUAGE sql STABLE AS $f$
SELECT CASE WHEN v IS NOT NULL THEN (jet_part(v, 'dow') + 1 - jet_firstday(first) + 7) % 7 + 1 END $f$;
CREATE OR REPLACE FUNCTION jet_dateserial(y jsonb, m jsonb, d jsonb) RETURNS double precision
LANGUAGE plpgsql STABLE AS $f$
DECLARE yy bigint; mm bigint; dd bigint;
BEGIN
  IF y IS NULL OR m IS NULL OR d IS NULL THEN RETURN NULL; END IF;
  yy := jet_whole(y); mm := jet_whole(m); dd := jet_whole(d);
  IF abs(mm) > 120000 OR abs(dd) > 4000000 OR abs(yy) > 10000 THEN PERFORM jet_fail(5); END IF;
  -- A two-digit year is of the 1900s from 30 on, of the 2000s below.
  yy := CASE WHEN yy >= 0 AND yy < 30 THEN yy + 2000 WHEN yy >= 30 AND yy < 100 THEN yy + 1900 ELSE yy END;
  RETURN jet_dateresult(((make_date(2000, 1, 1) + make_interval(years => yy::integer - 2000, months => mm::integer - 1))::date
                         + (dd::integer - 1) - date '1899-12-30')::double precision);
EXCEPTION WHEN datetime_field_overflow OR invalid_datetime_format OR numeric_value_out_of_range THEN
  PERFORM jet_fail(5);
END $f$;
CREATE OR REPLACE FUNCTION jet_timeserial(h jsonb, m jsonb, s jsonb) RETURNS double precision
LANGUAGE plpgsql STABLE AS $f$
DECLARE t double precision;
BEGIN
  IF h IS NULL OR m IS NULL OR s IS NULL THEN RETURN NULL; END IF;
  t := (jet_whole(h) * 3600 + jet_whole(m) * 60 + jet_whole(s))::double precision / 86400;
  RETURN jet_dateresult(jet_combine(trunc(t), abs(t - trunc(t))));
END $f$;
CREATE OR REPLACE FUNCTION jet_datevalue(v jsonb) RETURNS double precision
LANGUAGE sql STABLE AS $f$ SELECT trunc(jet_date(v)) $f$;
CREATE OR REPLACE FUNCTION jet_timevalue(v jsonb) RETURNS double precision
LANGUAGE sql STABLE AS $f$ SELECT abs(d - trunc(d)) FROM (SELECT jet_date(v) AS d) s $f$;
CREATE OR REPLACE FUNCTION jet_isdate(v jsonb) RETURNS integer
LANGUAGE sql STABLE AS $f$
SELECT CASE WHEN v -> 'd' IS NOT NULL OR (jsonb_typeof(v) = 'string' AND jet_parsedate(v #>> '{}') IS NOT NULL)
            THEN -1 ELSE 0 END $f$;
CREATE OR REPLACE FUNCTION jet_now() RETURNS double precision
LANGUAGE sql STABLE AS $f$ SELECT jet_days(date_trunc('second', localtimestamp)) $f$;
CREATE OR REPLACE FUNCTION jet_today() RETURNS double precision
LANGUAGE sql STABLE AS $f$ SELECT trunc(jet_now()) $f$;
CREATE OR REPLACE FUNCTION jet_time() RETURNS double precision
LANGUAGE sql STABLE AS $f$ SELECT jet_now() - trunc(jet_now()) $f$;
-- The interval argument of DateAdd, DateDiff and DatePart.
CREATE OR REPLACE FUNCTION jet_interval(v jsonb) RETURNS text
LANGUAGE plpgsql STABLE AS $f$
DECLARE i text := lower(v #>> '{}');
BEGIN
  IF jsonb_typeof(v) IS DISTINCT FROM 'string' OR i NOT IN ('yyyy', 'q', 'm', 'y', 'd', 'w', 'ww', 'h', 'n', 's') THEN
    PERFORM jet_fail(5);
  END IF;
  RETURN i;
END $f$;
-- Seconds from the origin, on a straight line across it.
CREATE OR REPLACE FUNCTION jet_seconds(d double precision) RETURNS double precision
LANGUAGE sql STABLE AS $f$ SELECT extract(epoch FROM jet_ts(d) - timestamp '1899-12-30')::double precision $f$;
CREATE OR REPLACE FUNCTION jet_dateadd(i jsonb, n jsonb, v jsonb) RETURNS double precision
LANGUAGE plpgsql STABLE AS $f$
DECLARE what text; k double precision; d double precision; s double precision; w double precision;
BEGIN
  IF i IS NULL OR n IS NULL OR v IS NULL THEN RETURN NULL; END IF;
  what := jet_interval(i);
  k := trunc(jet_number(n));
  d := jet_todate(v);
  IF abs(k) > 1e9 THEN PERFORM jet_fail(5); END IF;
  IF what IN ('yyyy', 'q', 'm') THEN
    k := k * CASE what WHEN 'yyyy' THEN 12 WHEN 'q' THEN 3 ELSE 1 END;
    IF abs(k) > 120000 THEN PERFORM jet_fail(5); END IF;
    RETURN jet_dateresult(jet_days(jet_ts(d) + make_interval(months => k::integer)));
  END IF;
  IF what IN ('ww', 'y', 'd', 'w') THEN
    RETURN jet_dateresult(jet_combine(trunc(d) + k * CASE WHEN what = 'ww' THEN 7 ELSE 1 END, abs(d - trunc(d))));
  END IF;
  s := jet_seconds(d) + k * CASE what WHEN 'h' THEN 3600 WHEN 'n' THEN 60 ELSE 1 END;
  w := floor(s / 86400);
  RETURN jet_dateresult(jet_combine(w, (s - w * 86400) / 86400));
EXCEPTION WHEN datetime_field_overflow OR numeric_value_out_of_range THEN
  PERFORM jet_fail(5);
END $f$;
CREATE OR REPLACE FUNCTION jet_datediff(i jsonb, a jsonb, b jsonb, first jsonb DEFAULT 'false',
                                        firstweek jsonb DEFAULT 'false') RETURNS integer
LANGUAGE plpgsql STABLE AS $f$
DECLARE what text; t1 timestamp; t2 timestamp; y1 integer; y2 integer; m1 integer; m2 integer;
        day1 integer; day2 integer; fd integer; r double precision;
BEGIN
  IF a IS NULL OR b IS NULL THEN RETURN NULL; END IF;
  what := jet_interval(i);
  t1 := jet_ts(jet_todate(a)); t2 := jet_ts(jet_todate(b));
  y1 := extract(year FROM t1); y2 := extract(year FROM t2); m1 := extract(month FROM t1); m2 := extract(month FROM t2);
  day1 := t1::date - date '1899-12-30'; day2 := t2::date - date '1899-12-30';
  r := CASE what
    WHEN 'yyyy' THEN y2 - y1
    WHEN 'q' THEN (y2 * 4 + (m2 - 1) / 3) - (y1 * 4 + (m1 - 1) / 3)
    WHEN 'm' THEN (y2 * 12 + m2) - (y1 * 12 + m1)
    WHEN 'w' THEN trunc((day2 - day1) / 7.0)
    WHEN 'h' THEN floor(jet_seconds(jet_days(t2)) / 3600) - floor(jet_seconds(jet_days(t1)) / 3600)
    WHEN 'n' THEN floor(jet_seconds(jet_days(t2)) / 60) - floor(jet_seconds(jet_days(t1)) / 60)
    WHEN 's' THEN jet_seconds(jet_days(t2)) - jet_seconds(jet_days(t1))
    ELSE day2 - day1 END;
  IF what = 'ww' THEN
    -- Week boundaries (first days of the week) crossed.
    fd := jet_firstday(first);
    r := ((day2 - (extract(dow FROM t2)::integer + 1 - fd + 7) % 7) - (day1 - (extract(dow FROM t1)::integer + 1 - fd + 7) % 7)) / 7;
  END IF;
  IF r < -2147483648 OR r > 2147483647 THEN PERFORM jet_fail(6); END IF;
  RETURN r::integer;
END $f$;
CREATE OR REPLACE FUNCTION jet_datepart(i jsonb, v jsonb, first jsonb DEFAULT 'false',
                                        firstweek jsonb DEFAULT 'false') RETURNS integer
LANGUAGE plpgsql STABLE AS $f$
DECLARE what text; t timestamp; fd integer; jan1 date;
BEGIN
  IF v IS NULL THEN RETURN NULL; END IF;
  what := jet_interval(i);
  t := jet_ts(jet_todate(v));
  fd := jet_firstday(first);
  IF what = 'w' THEN RETURN (extract(dow FROM t)::integer + 1 - fd + 7) % 7 + 1; END IF;
  IF what = 'ww' THEN
    -- The week holding 1 January is the first.
    jan1 := date_trunc('year', t)::date;
    RETURN (t::date - (jan1 - (extract(dow FROM jan1)::integer + 1 - fd + 7) % 7)) / 7 + 1;
  END IF;
  RETURN date_part(CASE what WHEN 'yyyy' THEN 'year' WHEN 'q' THEN 'quarter' WHEN 'm' THEN 'month' WHEN 'y' THEN 'doy'
                             WHEN 'd' THEN 'day' WHEN 'h' THEN 'hour' WHEN 'n' THEN 'minute' ELSE 'second' END, t)::integer;
END $f$;
CREATE OR REPLACE FUNCTION jet_monthnames() RETURNS text[] LANGUAGE sql STABLE AS $f$
SELECT ARRAY['January', 'February', 'March', 'April', 'May', 'June', 'July', 'August', 'September', 'October',
             'November', 'December'] $f$;
CREATE OR REPLACE FUNCTION jet_daynames() RETURNS text[] LANGUAGE sql STABLE AS $f$
SELECT ARRAY['Sunday', 'Monday', 'Tuesday', 'Wednesday', 'Thursday', 'Friday', 'Saturday'] $f$;
CREATE OR REPLACE FUNCTION jet_abbreviated(v jsonb) RETURNS boolean
LANGUAGE sql STABLE AS $f$ SELECT jet_given(v) AND v IS NOT NULL AND jet_number(v) <> 0 $f$;
CREATE OR REPLACE FUNCTION jet_monthname(v jsonb, abbr jsonb DEFAULT 'false') RETURNS text
LANGUAGE plpgsql STABLE AS $f$
DECLARE m bigint := jet_whole(v);
BEGIN
  IF m < 1 OR m > 12 THEN PERFORM jet_fail(5); END IF;
  RETURN CASE WHEN jet_abbreviated(abbr) THEN left((jet_monthnames())[m], 3) ELSE (jet_monthnames())[m] END;
END $f$;
CREATE OR REPLACE FUNCTION jet_weekdayname(v jsonb, abbr jsonb DEFAULT 'false', first jsonb DEFAULT 'false') RETURNS text
LANGUAGE plpgsql STABLE AS $f$
DECLARE w bigint := jet_whole(v); k integer;
BEGIN
  IF w < 1 OR w > 7 THEN PERFORM jet_fail(5); END IF;
  k := (w - 1 + jet_firstday(first) - 1) % 7 + 1;
  RETURN CASE WHEN jet_abbreviated(abbr) THEN left((jet_daynames())[k], 3) ELSE (jet_daynames())[k] END;
END $f$;
)sql";

// Format: the named formats, number patterns of up to three sections, date patterns.
constexpr std::string_view kFormat = R"sql(
-- ---- Format ----
-- One section of a number pattern for |value|: 0 # . , % E+ E- and literals.
CREATE OR REPLACE FUNCTION jet_formatsection(value double precision, sec text) RETURNS text
LANGUAGE plpgsql STABLE AS $f$
DECLARE kinds text[] := '{}'; texts text[] := '{}'; i integer := 1; n integer := char_length(sec); c text; cl integer;
        point integer := 0; expo integer := 0; pct boolean := false; mend integer; iend integer;
        intzeros integer := 0; intplaces integer := 0; fraczeros integer := 0; fracplaces integer := 0;
        expzeros integer := 0; grouping boolean := false; intliterals boolean := false; firstint integer := 0;
        lastint integer := 0; s text; digits text := ''; pointpos integer := 0; exp10 integer := 0; keep integer;
        up boolean; intdigits text := ''; fracdigits text := ''; inttext text; out text := ''; ph integer := 0;
        fi integer := 1; k integer; e text; idn integer;
BEGIN
  WHILE i <= n LOOP
    c := substr(sec, i, 1);
    IF c IN ('0', '#', '.', ',', '%') THEN kinds := kinds || c; texts := texts || c;
    ELSIF c IN ('E', 'e') AND substr(sec, i + 1, 1) IN ('+', '-') THEN
      kinds := kinds || 'E'::text; texts := texts || substr(sec, i, 2); i := i + 1;
    ELSIF c = '\' THEN
      IF i < n THEN kinds := kinds || 'L'::text; texts := texts || substr(sec, i + 1, 1); END IF;
      i := i + 1;
    ELSIF c = '"' THEN
      cl := strpos(substr(sec, i + 1), '"');
      cl := CASE WHEN cl = 0 THEN n + 1 ELSE i + cl END;
      kinds := kinds || 'L'::text; texts := texts || substr(sec, i + 1, cl - i - 1); i := cl;
    ELSE kinds := kinds || 'L'::text; texts := texts || c;
    END IF;
    i := i + 1;
  END LOOP;
  n := coalesce(array_length(kinds, 1), 0);
  FOR i IN 1 .. n LOOP
    IF kinds[i] = '.' AND point = 0 AND expo = 0 THEN point := i; END IF;
    IF kinds[i] = 'E' AND expo = 0 THEN expo := i; END IF;
    IF kinds[i] = '%' THEN pct := true; END IF;
  END LOOP;
  mend := CASE WHEN expo > 0 THEN expo - 1 ELSE n END;
  iend := CASE WHEN point > 0 THEN point - 1 ELSE mend END;
  FOR i IN 1 .. iend LOOP
    IF kinds[i] IN ('0', '#') THEN
      intplaces := intplaces + 1;
      IF kinds[i] = '0' THEN intzeros := intzeros + 1; END IF;
      IF firstint = 0 THEN firstint := i; END IF;
      lastint := i;
    END IF;
  END LOOP;
  FOR i IN 1 .. iend LOOP
    IF firstint > 0 AND i > firstint AND i < lastint THEN
      IF kinds[i] = ',' THEN grouping := true; END IF;
      IF kinds[i] = 'L' THEN intliterals := true; END IF;
    END IF;
  END LOOP;
  FOR i IN iend + 1 .. mend LOOP
    IF kinds[i] IN ('0', '#') THEN
      fracplaces := fracplaces + 1;
      IF kinds[i] = '0' AND fraczeros = fracplaces - 1 THEN fraczeros := fraczeros + 1; END IF;
    END IF;
  END LOOP;
  IF expo > 0 THEN
    FOR i IN expo + 1 .. n LOOP
      IF kinds[i] IN ('0', '#') THEN expzeros := expzeros + 1; END IF;
    END LOOP;
  END IF;
  IF pct THEN value := value * 100; END IF;
  -- The 15 significant digits, rounded half away from zero to what the pattern shows.
  IF value <> 0 THEN
    s := btrim(to_char(abs(value), '9.99999999999999EEEE'));
    digits := replace(split_part(s, 'e', 1), '.', '');
    pointpos := split_part(s, 'e', 2)::integer + 1;
  END IF;
  keep := CASE WHEN expo > 0 THEN greatest(intplaces, 1) + fracplaces ELSE pointpos + fracplaces END;
  IF digits <> '' AND keep < length(digits) THEN
    IF keep < 0 THEN digits := '';
    ELSE
      up := substr(digits, keep + 1, 1) >= '5';
      digits := left(digits, keep);
      IF up THEN
        digits := (coalesce(nullif(digits, '')::numeric, 0) + 1)::text;
        IF length(digits) > keep THEN pointpos := pointpos + 1; END IF;
      END IF;
      IF digits ~ '^0*$' THEN digits := ''; END IF;
    END IF;
  END IF;
  IF expo > 0 AND digits <> '' THEN
    idn := greatest(intplaces, 1);
    exp10 := pointpos - idn;
    pointpos := idn;
  END IF;
  FOR i IN 1 .. pointpos LOOP intdigits := intdigits || coalesce(nullif(substr(digits, i, 1), ''), '0'); END LOOP;
  FOR i IN 1 .. fracplaces LOOP
    k := pointpos + i;
    fracdigits := fracdigits || CASE WHEN k >= 1 AND k <= length(digits) THEN substr(digits, k, 1) ELSE '0' END;
  END LOOP;
  IF length(intdigits) < intzeros THEN intdigits := repeat('0', intzeros - length(intdigits)) || intdigits; END IF;
  WHILE length(fracdigits) > fraczeros AND right(fracdigits, 1) = '0' LOOP
    fracdigits := left(fracdigits, -1);
  END LOOP;
  inttext := CASE WHEN grouping AND intdigits <> '' THEN
    btrim(to_char(intdigits::numeric, 'FM999,999,999,999,999,999,999,999,999,999')) ELSE intdigits END;
  FOR i IN 1 .. n LOOP
    IF i <= iend THEN
      IF kinds[i] IN ('0', '#') THEN
        IF NOT intliterals THEN
          IF ph = 0 THEN out := out || inttext; END IF;
        ELSE
          -- Digits fill the placeholders from the right; the leftmost takes the rest.
          k := intplaces - 1 - ph;
          IF ph = 0 AND length(intdigits) > intplaces THEN out := out || left(intdigits, length(intdigits) - intplaces); END IF;
          IF k < length(intdigits) THEN out := out || substr(intdigits, length(intdigits) - k, 1); END IF;
        END IF;
        ph := ph + 1;
      ELSIF kinds[i] IN ('L', '%') THEN out := out || texts[i];
      END IF;
    ELSIF i = point THEN out := out || '.';
    ELSIF i <= mend THEN
      IF kinds[i] IN ('0', '#') THEN
        out := out || substr(fracdigits, fi, 1);
        fi := fi + 1;
      ELSIF kinds[i] IN ('L', '%') THEN out := out || texts[i];
      END IF;
    ELSIF i = expo THEN
      out := out || left(texts[i], 1) || CASE WHEN exp10 < 0 THEN '-' WHEN right(texts[i], 1) = '+' THEN '+' ELSE '' END;
      e := abs(exp10)::text;
      out := out || lpad(e, greatest(expzeros, length(e)), '0');
    ELSIF kinds[i] IN ('L', '%') THEN out := out || texts[i];
    END IF;
  END LOOP;
  RETURN out;
END $f$;
CREATE OR REPLACE FUNCTION jet_formatnumber(value double precision, pattern text) RETURNS text
LANGUAGE plpgsql STABLE AS $f$
DECLARE p text := lower(pattern); sections text[] := '{}'; start integer := 1; quoted boolean := false; i integer := 1;
        t text;
BEGIN
  IF p IN ('', 'general number') THEN RETURN jet_numtext(value); END IF;
  IF p = 'yes/no' THEN RETURN CASE WHEN value <> 0 THEN 'Yes' ELSE 'No' END; END IF;
  IF p = 'true/false' THEN RETURN CASE WHEN value <> 0 THEN 'True' ELSE 'False' END; END IF;
  IF p = 'on/off' THEN RETURN CASE WHEN value <> 0 THEN 'On' ELSE 'Off' END; END IF;
  pattern := CASE p WHEN 'fixed' THEN '0.00' WHEN 'standard' THEN '#,##0.00' WHEN 'percent' THEN '0.00%'
    WHEN 'scientific' THEN '0.00E+00' WHEN 'currency' THEN '$#,##0.00;($#,##0.00)' ELSE pattern END;
  WHILE i <= char_length(pattern) LOOP
    t := substr(pattern, i, 1);
    IF t = '"' THEN quoted := NOT quoted;
    ELSIF t = '\' THEN i := i + 1;
    ELSIF t = ';' AND NOT quoted THEN sections := sections || substr(pattern, start, i - start); start := i + 1;
    END IF;
    i := i + 1;
  END LOOP;
  sections := sections || substr(pattern, start);
  IF value = 0 AND array_length(sections, 1) >= 3 AND sections[3] <> '' THEN RETURN jet_formatsection(0, sections[3]); END IF;
  IF value < 0 AND array_length(sections, 1) >= 2 AND sections[2] <> '' THEN RETURN jet_formatsection(-value, sections[2]); END IF;
  RETURN CASE WHEN value < 0 THEN '-' ELSE '' END || jet_formatsection(abs(value), sections[1]);
END $f$;
CREATE OR REPLACE FUNCTION jet_nameddate(pattern text) RETURNS text
LANGUAGE sql STABLE AS $f$
SELECT CASE lower(pattern) WHEN 'long date' THEN 'dddd, mmmm d, yyyy' WHEN 'medium date' THEN 'dd-mmm-yy'
  WHEN 'short date' THEN 'm/d/yyyy' WHEN 'long time' THEN 'h:nn:ss AM/PM' WHEN 'medium time' THEN 'hh:nn AM/PM'
  WHEN 'short time' THEN 'hh:nn' END $f$;
CREATE OR REPLACE FUNCTION jet_isdatepattern(pattern text) RETURNS boolean
LANGUAGE sql STABLE AS $f$
SELECT lower(pattern) = 'general date' OR jet_nameddate(pattern) IS NOT NULL OR
       (regexp_replace(pattern, '"[^"]*("|$)|\\.', '', 'g') !~ '[0#]' AND
        regexp_replace(pattern, '"[^"]*("|$)|\\.', '', 'g') ~* '[dmyhnswqct]') $f$;
CREATE OR REPLACE FUNCTION jet_formatdate(days double precision, pattern text) RETURNS text
LANGUAGE plpgsql STABLE AS $f$
DECLARE ts timestamp := jet_ts(days); twelve boolean; out text := ''; i integer := 1; n integer; raw text; ch text;
        r integer; cl integer; j integer; hr integer; afterhour boolean := false; minutes boolean; v integer;
BEGIN
  IF pattern = '' OR lower(pattern) = 'general date' THEN RETURN jet_datetext(days); END IF;
  pattern := coalesce(jet_nameddate(pattern), pattern);
  twelve := pattern ~* '(AM/PM|A/P|AMPM)';
  n := char_length(pattern);
  hr := extract(hour FROM ts);
  WHILE i <= n LOOP
    raw := substr(pattern, i, 1);
    ch := lower(raw);
    IF raw = '"' THEN
      cl := strpos(substr(pattern, i + 1), '"');
      cl := CASE WHEN cl = 0 THEN n + 1 ELSE i + cl END;
      out := out || substr(pattern, i + 1, cl - i - 1);
      i := cl + 1;
      CONTINUE;
    END IF;
    IF raw = '\' THEN out := out || substr(pattern, i + 1, 1); i := i + 2; CONTINUE; END IF;
    IF upper(substr(pattern, i, 5)) = 'AM/PM' OR upper(substr(pattern, i, 4)) = 'AMPM' THEN
      out := out || CASE WHEN raw = 'A' THEN CASE WHEN hr < 12 THEN 'AM' ELSE 'PM' END
                         ELSE CASE WHEN hr < 12 THEN 'am' ELSE 'pm' END END;
      i := i + CASE WHEN upper(substr(pattern, i, 5)) = 'AM/PM' THEN 5 ELSE 4 END;
      CONTINUE;
    END IF;
    IF upper(substr(pattern, i, 3)) = 'A/P' THEN
      out := out || CASE WHEN raw = 'A' THEN CASE WHEN hr < 12 THEN 'A' ELSE 'P' END
                         ELSE CASE WHEN hr < 12 THEN 'a' ELSE 'p' END END;
      i := i + 3;
      CONTINUE;
    END IF;
    r := 0;
    WHILE i + r <= n AND lower(substr(pattern, i + r, 1)) = ch LOOP r := r + 1; END LOOP;
    IF ch = 'c' THEN out := out || jet_datetext(days);
    ELSIF ch = 'd' THEN
      out := out || CASE r WHEN 1 THEN extract(day FROM ts)::text WHEN 2 THEN to_char(ts, 'DD')
        WHEN 3 THEN left((jet_daynames())[extract(dow FROM ts)::integer + 1], 3)
        WHEN 4 THEN (jet_daynames())[extract(dow FROM ts)::integer + 1]
        ELSE jet_formatdate(days, CASE WHEN r = 5 THEN 'Short Date' ELSE 'Long Date' END) END;
    ELSIF ch = 'w' THEN
      out := out || CASE WHEN r = 1 THEN (extract(dow FROM ts)::integer + 1)::text
        ELSE ((extract(doy FROM ts)::integer - 1 + extract(dow FROM date_trunc('year', ts))::integer) / 7 + 1)::text END;
    ELSIF ch = 'm' THEN
      j := i + r;
      WHILE j <= n AND substr(pattern, j, 1) !~ '[A-Za-z]' LOOP j := j + 1; END LOOP;
      minutes := r <= 2 AND (afterhour OR lower(substr(pattern, j, 1)) = 's');
      v := CASE WHEN minutes THEN extract(minute FROM ts) ELSE extract(month FROM ts) END;
      out := out || CASE WHEN minutes OR r <= 2 THEN CASE WHEN r = 1 THEN v::text ELSE lpad(v::text, 2, '0') END
        WHEN r = 3 THEN left((jet_monthnames())[v], 3) ELSE (jet_monthnames())[v] END;
    ELSIF ch = 'q' THEN out := out || extract(quarter FROM ts)::text;
    ELSIF ch = 'y' THEN
      out := out || CASE WHEN r IN (1, 3) THEN extract(doy FROM ts)::text || CASE WHEN r = 3 THEN to_char(ts, 'YY') ELSE '' END
        WHEN r = 2 THEN to_char(ts, 'YY') ELSE to_char(ts, 'YYYY') END;
    ELSIF ch = 'h' THEN
      v := CASE WHEN twelve THEN CASE WHEN hr % 12 = 0 THEN 12 ELSE hr % 12 END ELSE hr END;
      out := out || CASE WHEN r = 1 THEN v::text ELSE lpad(v::text, 2, '0') END;
    ELSIF ch IN ('n', 's') THEN
      v := date_part(CASE ch WHEN 'n' THEN 'minute' ELSE 'second' END, ts);
      out := out || CASE WHEN r = 1 THEN v::text ELSE lpad(v::text, 2, '0') END;
    ELSIF ch = 't' AND r >= 5 THEN out := out || jet_formatdate(days, 'Long Time');
    ELSE out := out || substr(pattern, i, greatest(r, 1));
    END IF;
    afterhour := ch = 'h' OR (afterhour AND raw !~ '[A-Za-z]');
    i := i + greatest(r, 1);
  END LOOP;
  RETURN out;
END $f$;
CREATE OR REPLACE FUNCTION jet_format(v jsonb, p jsonb DEFAULT 'false') RETURNS text
LANGUAGE plpgsql STABLE AS $f$
DECLARE pattern text := CASE WHEN jet_given(p) THEN coalesce(jet_text(p), '') ELSE '' END; d double precision;
        kind text := CASE WHEN v -> 'n' IS NOT NULL THEN 'number' ELSE jsonb_typeof(v) END; whole text;
BEGIN
  IF v IS NULL THEN RETURN NULL; END IF;
  IF kind = 'number' AND pattern ~ '^[0#.,]+$' THEN
    d := coalesce(v ->> 'n', v #>> '{}')::double precision;
    -- Zeros alone (the '00' of the rate lookups): the whole number, rounded half away from zero, padded.
    IF pattern ~ '^0+$' THEN
      whole := round(abs(d)::numeric)::text;
      RETURN CASE WHEN d < 0 THEN '-' ELSE '' END || lpad(whole, greatest(length(pattern), length(whole)), '0');
    END IF;
    RETURN jet_formatnumber(d, pattern);
  END IF;
  IF (jet_isdatepattern(pattern) AND lower(pattern) NOT IN ('general number', 'yes/no', 'true/false', 'on/off', 'fixed',
      'standard', 'percent', 'scientific', 'currency')) OR (kind = 'object' AND pattern = '') THEN
    d := CASE WHEN kind = 'string' THEN coalesce(jet_parsedate(v #>> '{}'), jet_parsenum(v #>> '{}')) ELSE jet_number(v) END;
    IF d IS NULL THEN RETURN v #>> '{}'; END IF;
    IF NOT jet_validdate(d) THEN RETURN jet_formatnumber(d, pattern); END IF;
    RETURN jet_formatdate(d, pattern);
  END IF;
  d := CASE WHEN kind = 'string' THEN jet_parsenum(v #>> '{}') ELSE jet_number(v) END;
  IF d IS NULL THEN RETURN v #>> '{}'; END IF;
  RETURN jet_formatnumber(d, pattern);
END $f$;
)sql";

std::string allFunctions() {
  std::string sql;
  for (std::string_view part : {kCore, kTexts, kDates, kFormat, kStore, kCatalogIndex, kVersion}) sql += part;
  return sql;
}

}  // namespace

void createServerFunctions(PgConnection& connection, std::string_view source) {
  connection.exec(allFunctions(), source);
  connection.takeFunctionsCurrent();  // the open's answer was from before
}

void ensureServerFunctions(PgConnection& connection, std::string_view source) {
  std::optional<bool> current = connection.takeFunctionsCurrent();
  if (!current) current = connection.queryInt("SELECT " + std::string(kFunctionsCurrentCheck), source) == 1;
  if (*current) return;
  // A database opened for reading still gets them; one that may not (a
  // role without the right to create functions) opens without them, and
  // the statements that need them fail as they would have.
  try {
    connection.exec("BEGIN READ WRITE; SELECT pg_advisory_xact_lock(hashtext('zive_functions')); " + allFunctions() +
                        "COMMIT",
                    source);
  } catch (const AutomationError&) {
    connection.execQuietly("ROLLBACK");
  }
}

}  // namespace svrZIVE::engine::detail
