#include "ArchiveMigrations.h"

// Version 3: the list's "Код или Ф.И.О." field found through trigram indexes. A part of a code
// or name is a pattern no B-tree serves, so without them a text that few tests hold made the
// server read every row before the first page (seconds on a million tests). The match stays
// what it was, a case-insensitive part of the code or the name, now spelt as LIKE with the
// typed text's wildcards escaped, so that the indexes apply; list and count keep one rule.
//
// The indexes cannot be on ezr.tests itself: under its row-level security the server does not
// use an index for LIKE (an operator not marked leakproof may not see rows before the policy
// has judged them). So the codes and names, in lower case, are kept beside the tests in a
// table without policies that no client may read; the functions ask it for the numbers of the
// tests that hold the text, and the query on ezr.tests, under its policies, takes or leaves
// them.
namespace ezr {

const char* textSearchMigration() {
    return R"SQL(
-- pg_trgm is trusted and comes with PostgreSQL itself; in the archive's schema unless the
-- database has it already.
CREATE EXTENSION IF NOT EXISTS pg_trgm WITH SCHEMA ezr;
SET LOCAL ROLE ezr_owner;

-- The typed text as a LIKE pattern matching it anywhere, or NULL for no text.
CREATE FUNCTION ezr.text_pattern(p_text text) RETURNS text
LANGUAGE sql IMMUTABLE SET search_path = pg_catalog, pg_temp AS $$
  SELECT '%' || replace(replace(replace(lower(p_text), '\', '\\'), '%', '\%'), '_', '\_') || '%'
$$;
REVOKE ALL ON FUNCTION ezr.text_pattern(text) FROM PUBLIC;

CREATE TABLE ezr.test_texts (
  test_id bigint PRIMARY KEY REFERENCES ezr.tests ON DELETE CASCADE,
  code text NOT NULL,
  name text NOT NULL
);
REVOKE ALL ON ezr.test_texts FROM PUBLIC;
-- Written by whoever stores a test (the import function, as the owner); a deleted test's
-- row goes with it.
CREATE FUNCTION ezr.keep_test_text() RETURNS trigger
LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
BEGIN
  INSERT INTO ezr.test_texts VALUES (NEW.id, lower(NEW.code), lower(NEW.name));
  RETURN NULL;
END
$$;
REVOKE ALL ON FUNCTION ezr.keep_test_text() FROM PUBLIC;
CREATE TRIGGER tests_text AFTER INSERT ON ezr.tests
  FOR EACH ROW EXECUTE FUNCTION ezr.keep_test_text();
-- The tests stored already; whoever migrates is an administrator, who reads every unit.
INSERT INTO ezr.test_texts SELECT id, lower(code), lower(name) FROM ezr.tests;

DO $index$
DECLARE trgm name;
BEGIN
  SELECT n.nspname INTO trgm FROM pg_extension e JOIN pg_namespace n ON n.oid = e.extnamespace
  WHERE e.extname = 'pg_trgm';
  EXECUTE format('CREATE INDEX test_texts_code ON ezr.test_texts USING gin (code %I.gin_trgm_ops)', trgm);
  EXECUTE format('CREATE INDEX test_texts_name ON ezr.test_texts USING gin (name %I.gin_trgm_ops)', trgm);
END
$index$;
ANALYZE ezr.test_texts;

CREATE OR REPLACE FUNCTION ezr.chosen_ids(p_unit text, p_sex text, p_education text,
    p_min_age int, p_max_age int, p_from date, p_to date, p_text text, p_codes text[],
    p_order text, p_descending boolean, p_limit bigint, p_offset bigint)
RETURNS bigint[] LANGUAGE plpgsql STABLE SET search_path = pg_catalog, pg_temp AS $$
DECLARE
  ids bigint[];
  ordering text;
BEGIN
  ordering := CASE p_order
    WHEN 'code' THEN 't.code' WHEN 'name' THEN 't.name' WHEN 'sex' THEN 't.sex'
    WHEN 'education' THEN 't.education' WHEN 'test_date' THEN 't.test_date'
    WHEN 'age' THEN 't.age' WHEN 'unit' THEN 'u.name' WHEN 'imported_at' THEN 't.imported_at'
    ELSE 't.id' END;
  ordering := ordering || CASE WHEN p_descending THEN ' DESC' ELSE '' END;
  -- The pattern goes in as a value the planner sees, so that it weighs the trigram indexes.
  EXECUTE format($q$
    SELECT coalesce(array_agg(id ORDER BY n), '{}') FROM (
      SELECT t.id, row_number() OVER () AS n FROM (
        SELECT t.id FROM ezr.tests t JOIN ezr.units u ON u.id = t.unit_id
        WHERE ($1 IS NULL OR u.name = $1)
          AND ($2 IS NULL OR t.sex = $2)
          AND ($3 IS NULL OR t.education = $3)
          AND ($4 IS NULL OR t.age >= $4)
          AND ($5 IS NULL OR t.age <= $5)
          AND ($6 IS NULL OR t.test_date >= $6)
          AND ($7 IS NULL OR t.test_date <= $7)
          %s
          AND ($9 IS NULL OR btrim(t.code) = ANY ($9))
        ORDER BY %s, t.id %s
        LIMIT $10 OFFSET $11) t) numbered
    $q$,
    CASE WHEN p_text IS NULL THEN ''
         ELSE format('AND t.id IN (SELECT s.test_id FROM ezr.test_texts s '
                     'WHERE s.code LIKE %1$L OR s.name LIKE %1$L)', ezr.text_pattern(p_text)) END,
    ordering, CASE WHEN p_descending THEN 'DESC' ELSE '' END)
  INTO ids
  USING p_unit, p_sex, p_education, p_min_age, p_max_age, p_from, p_to, p_text, p_codes,
        p_limit, p_offset;
  RETURN ids;
END
$$;

CREATE OR REPLACE FUNCTION ezr.count_tests(p_unit text, p_sex text, p_education text,
    p_min_age int, p_max_age int, p_from date, p_to date, p_text text, p_codes text[])
RETURNS bigint LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
DECLARE
  counted bigint;
BEGIN
  EXECUTE format($q$
    SELECT count(*) FROM ezr.tests t JOIN ezr.units u ON u.id = t.unit_id
    WHERE ($1 IS NULL OR u.name = $1)
      AND ($2 IS NULL OR t.sex = $2)
      AND ($3 IS NULL OR t.education = $3)
      AND ($4 IS NULL OR t.age >= $4)
      AND ($5 IS NULL OR t.age <= $5)
      AND ($6 IS NULL OR t.test_date >= $6)
      AND ($7 IS NULL OR t.test_date <= $7)
      %s
      AND ($8 IS NULL OR btrim(t.code) = ANY ($8))
    $q$,
    CASE WHEN p_text IS NULL THEN ''
         ELSE format('AND t.id IN (SELECT s.test_id FROM ezr.test_texts s '
                     'WHERE s.code LIKE %1$L OR s.name LIKE %1$L)', ezr.text_pattern(p_text)) END)
  INTO counted
  USING p_unit, p_sex, p_education, p_min_age, p_max_age, p_from, p_to, p_codes;
  RETURN counted;
END
$$;
)SQL";
}

} // namespace ezr
