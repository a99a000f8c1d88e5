#include "ArchiveMigrations.h"

// Who sees whom is kept by the server. Clients get no right on any table: every read and
// change goes through the SECURITY DEFINER functions of version 2, owned by ezr_owner, which
// write the audit. The tables force row-level security on their owner too, and the policies
// ask about session_user (the login role, which a client cannot change), so the functions
// see exactly the units granted to whoever logged in.
namespace ezr {

namespace {

const char* const Version1 = R"SQL(
DO $roles$
DECLARE r text;
BEGIN
  FOREACH r IN ARRAY ARRAY['ezr_owner', 'ezr_psychologist', 'ezr_head', 'ezr_admin'] LOOP
    IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = r) THEN
      EXECUTE format('CREATE ROLE %I NOLOGIN', r);
    END IF;
  END LOOP;
END
$roles$;
-- The owner makes psychologists of the roles "ezr-archive grant" names.
GRANT ezr_psychologist, ezr_head TO ezr_owner WITH ADMIN OPTION;

CREATE SCHEMA ezr AUTHORIZATION ezr_owner;
SET LOCAL ROLE ezr_owner;

CREATE TABLE ezr.migrations (
  version int PRIMARY KEY,
  applied_at timestamptz NOT NULL DEFAULT now()
);

CREATE TABLE ezr.units (
  id serial PRIMARY KEY,
  name text NOT NULL UNIQUE CHECK (btrim(name) <> '')
);

CREATE TABLE ezr.unit_grants (
  role_name name NOT NULL,
  unit_id int NOT NULL REFERENCES ezr.units ON DELETE CASCADE,
  PRIMARY KEY (role_name, unit_id)
);

-- One row a test: the response file's bytes as they were, the header's fields for finding
-- it, and the hash that keeps one test from being stored twice.
CREATE TABLE ezr.tests (
  id bigserial PRIMARY KEY,
  unit_id int NOT NULL REFERENCES ezr.units,
  file_name text NOT NULL,
  bytes bytea NOT NULL,
  content_hash bytea GENERATED ALWAYS AS (sha256(bytes)) STORED,
  code text NOT NULL,
  name text NOT NULL,
  sex text NOT NULL,
  education text NOT NULL,
  test_date date,
  birth_date date,
  age int,
  imported_by name NOT NULL DEFAULT session_user,
  imported_at timestamptz NOT NULL DEFAULT now(),
  CONSTRAINT tests_stored_once UNIQUE (content_hash)
);
CREATE INDEX tests_code ON ezr.tests (code, id);
CREATE INDEX tests_name ON ezr.tests (name, id);
CREATE INDEX tests_test_date ON ezr.tests (test_date, id);
CREATE INDEX tests_age ON ezr.tests (age, id);
CREATE INDEX tests_unit ON ezr.tests (unit_id, id);

CREATE TABLE ezr.norms (
  id serial PRIMARY KEY,
  name text NOT NULL UNIQUE,
  content bytea NOT NULL,
  saved_by name NOT NULL DEFAULT session_user,
  saved_at timestamptz NOT NULL DEFAULT now()
);

-- Which tests a norm was made from; a deleted person's tests leave their norms' lists.
CREATE TABLE ezr.norm_members (
  norm_id int NOT NULL REFERENCES ezr.norms ON DELETE CASCADE,
  test_id bigint NOT NULL REFERENCES ezr.tests ON DELETE CASCADE,
  PRIMARY KEY (norm_id, test_id)
);
CREATE INDEX norm_members_test ON ezr.norm_members (test_id);

-- Who read or changed what, written by the server's functions only. Tests are named by
-- their number, never by a person's data.
CREATE TABLE ezr.audit (
  id bigserial PRIMARY KEY,
  at timestamptz NOT NULL DEFAULT clock_timestamp(),
  who name NOT NULL DEFAULT session_user,
  action text NOT NULL,
  unit text,
  tests bigint[] NOT NULL DEFAULT '{}',
  count bigint NOT NULL DEFAULT 0,
  detail text NOT NULL DEFAULT ''
);

-- The act of deleting a person's data on request: who, when, why and how much, without the
-- data deleted.
CREATE TABLE ezr.deletions (
  id serial PRIMARY KEY,
  at timestamptz NOT NULL DEFAULT now(),
  who name NOT NULL DEFAULT session_user,
  reason text NOT NULL CHECK (btrim(reason) <> ''),
  test_count int NOT NULL,
  norm_member_count int NOT NULL
);

CREATE FUNCTION ezr.refuse_change() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  RAISE EXCEPTION 'rows of % are never changed or deleted', TG_TABLE_NAME
    USING ERRCODE = 'insufficient_privilege';
END
$$;
CREATE TRIGGER audit_kept BEFORE UPDATE OR DELETE ON ezr.audit
  FOR EACH ROW EXECUTE FUNCTION ezr.refuse_change();
CREATE TRIGGER audit_kept_whole BEFORE TRUNCATE ON ezr.audit
  FOR EACH STATEMENT EXECUTE FUNCTION ezr.refuse_change();
CREATE TRIGGER deletions_kept BEFORE UPDATE OR DELETE ON ezr.deletions
  FOR EACH ROW EXECUTE FUNCTION ezr.refuse_change();
CREATE TRIGGER deletions_kept_whole BEFORE TRUNCATE ON ezr.deletions
  FOR EACH STATEMENT EXECUTE FUNCTION ezr.refuse_change();

-- The units the login role may read and change. A head reads every unit; an administrator
-- (ezr_admin or a superuser) reads and changes every unit.
CREATE FUNCTION ezr.is_admin() RETURNS boolean LANGUAGE sql STABLE AS $$
  SELECT pg_has_role(session_user, 'ezr_admin', 'MEMBER')
      OR coalesce((SELECT rolsuper FROM pg_roles WHERE rolname = session_user), false)
$$;
CREATE FUNCTION ezr.granted_units() RETURNS int[] LANGUAGE sql STABLE AS $$
  SELECT coalesce(array_agg(DISTINCT g.unit_id), '{}')
  FROM ezr.unit_grants g JOIN pg_roles r ON r.rolname = g.role_name
  WHERE pg_has_role(session_user, r.oid, 'MEMBER')
$$;
CREATE FUNCTION ezr.readable_units() RETURNS int[] LANGUAGE sql STABLE AS $$
  SELECT CASE WHEN ezr.is_admin() OR pg_has_role(session_user, 'ezr_head', 'MEMBER')
    THEN (SELECT coalesce(array_agg(id), '{}') FROM ezr.units)
    ELSE ezr.granted_units() END
$$;
CREATE FUNCTION ezr.changeable_units() RETURNS int[] LANGUAGE sql STABLE AS $$
  SELECT CASE WHEN ezr.is_admin()
    THEN (SELECT coalesce(array_agg(id), '{}') FROM ezr.units)
    ELSE ezr.granted_units() END
$$;

ALTER TABLE ezr.tests ENABLE ROW LEVEL SECURITY;
ALTER TABLE ezr.tests FORCE ROW LEVEL SECURITY;
CREATE POLICY tests_read ON ezr.tests FOR SELECT
  USING (unit_id = ANY (ARRAY(SELECT unnest(ezr.readable_units()))));
CREATE POLICY tests_add ON ezr.tests FOR INSERT
  WITH CHECK (unit_id = ANY (ARRAY(SELECT unnest(ezr.changeable_units()))));
CREATE POLICY tests_remove ON ezr.tests FOR DELETE
  USING (unit_id = ANY (ARRAY(SELECT unnest(ezr.changeable_units()))));

REVOKE ALL ON ALL TABLES IN SCHEMA ezr FROM PUBLIC;
REVOKE ALL ON ALL FUNCTIONS IN SCHEMA ezr FROM PUBLIC;
GRANT USAGE ON SCHEMA ezr TO ezr_psychologist, ezr_head, ezr_admin;
GRANT SELECT ON ezr.migrations TO ezr_psychologist, ezr_head, ezr_admin;
-- The audit and the acts of deletion are read by heads and administrators, changed by nobody.
GRANT SELECT ON ezr.audit, ezr.deletions TO ezr_head, ezr_admin;
)SQL";

const char* const Version2 = R"SQL(
SET LOCAL ROLE ezr_owner;

CREATE FUNCTION ezr.write_audit(p_action text, p_unit text, p_tests bigint[], p_count bigint,
                                p_detail text) RETURNS void LANGUAGE sql AS $$
  INSERT INTO ezr.audit (action, unit, tests, count, detail)
  VALUES (p_action, p_unit, coalesce(p_tests, '{}'), p_count, coalesce(p_detail, ''))
$$;

-- Stores one test into a unit the login role may change; NULL when the same bytes are
-- stored already (in any unit).
CREATE FUNCTION ezr.import_test(p_unit text, p_file_name text, p_bytes bytea, p_code text,
    p_name text, p_sex text, p_education text, p_test_date date, p_birth_date date, p_age int)
RETURNS bigint LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
DECLARE
  u int;
  added bigint;
BEGIN
  SELECT id INTO u FROM ezr.units WHERE name = p_unit;
  IF u IS NULL OR NOT (u = ANY (ezr.changeable_units())) THEN
    RAISE EXCEPTION 'no right to add tests to the unit "%"', p_unit
      USING ERRCODE = 'insufficient_privilege';
  END IF;
  INSERT INTO ezr.tests (unit_id, file_name, bytes, code, name, sex, education, test_date,
                         birth_date, age)
  VALUES (u, p_file_name, p_bytes, p_code, p_name, p_sex, p_education, p_test_date,
          p_birth_date, p_age)
  ON CONFLICT ON CONSTRAINT tests_stored_once DO NOTHING
  RETURNING id INTO added;
  IF added IS NOT NULL THEN
    PERFORM ezr.write_audit('import', p_unit, ARRAY[added], 1, '');
  END IF;
  RETURN added;
END
$$;

-- The tests the login role may read that a filter chooses, in the order asked, as numbers.
CREATE FUNCTION ezr.chosen_ids(p_unit text, p_sex text, p_education text, p_min_age int,
    p_max_age int, p_from date, p_to date, p_text text, p_codes text[], p_order text,
    p_descending boolean, p_limit bigint, p_offset bigint)
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
          AND ($8 IS NULL OR strpos(lower(t.code), lower($8)) > 0
                          OR strpos(lower(t.name), lower($8)) > 0)
          AND ($9 IS NULL OR btrim(t.code) = ANY ($9))
        ORDER BY %s, t.id %s
        LIMIT $10 OFFSET $11) t) numbered
    $q$, ordering, CASE WHEN p_descending THEN 'DESC' ELSE '' END)
  INTO ids
  USING p_unit, p_sex, p_education, p_min_age, p_max_age, p_from, p_to, p_text, p_codes,
        p_limit, p_offset;
  RETURN ids;
END
$$;

-- A page of the list of examinees: reading names is recorded.
CREATE FUNCTION ezr.list_tests(p_unit text, p_sex text, p_education text, p_min_age int,
    p_max_age int, p_from date, p_to date, p_text text, p_codes text[], p_order text,
    p_descending boolean, p_limit bigint, p_offset bigint)
RETURNS TABLE (id bigint, unit text, file_name text, code text, name text, sex text,
               education text, test_date date, birth_date date, age int, imported_by name,
               imported_at timestamptz)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
DECLARE
  ids bigint[];
BEGIN
  ids := ezr.chosen_ids(p_unit, p_sex, p_education, p_min_age, p_max_age, p_from, p_to, p_text,
                        p_codes, p_order, p_descending, p_limit, p_offset);
  PERFORM ezr.write_audit('list', p_unit, ids, cardinality(ids), '');
  RETURN QUERY
    SELECT t.id, u.name, t.file_name, t.code, t.name, t.sex, t.education, t.test_date,
           t.birth_date, t.age, t.imported_by, t.imported_at
    FROM unnest(ids) WITH ORDINALITY AS chosen(id, n)
    JOIN ezr.tests t ON t.id = chosen.id JOIN ezr.units u ON u.id = t.unit_id
    ORDER BY chosen.n;
END
$$;

-- How many tests a filter chooses: a number, no one's data, so not recorded.
CREATE FUNCTION ezr.count_tests(p_unit text, p_sex text, p_education text, p_min_age int,
    p_max_age int, p_from date, p_to date, p_text text, p_codes text[])
RETURNS bigint LANGUAGE sql STABLE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
  SELECT count(*) FROM ezr.tests t JOIN ezr.units u ON u.id = t.unit_id
  WHERE (p_unit IS NULL OR u.name = p_unit)
    AND (p_sex IS NULL OR t.sex = p_sex)
    AND (p_education IS NULL OR t.education = p_education)
    AND (p_min_age IS NULL OR t.age >= p_min_age)
    AND (p_max_age IS NULL OR t.age <= p_max_age)
    AND (p_from IS NULL OR t.test_date >= p_from)
    AND (p_to IS NULL OR t.test_date <= p_to)
    AND (p_text IS NULL OR strpos(lower(t.code), lower(p_text)) > 0
                        OR strpos(lower(t.name), lower(p_text)) > 0)
    AND (p_codes IS NULL OR btrim(t.code) = ANY (p_codes))
$$;

-- The numbers of the chosen tests in import order, for a group run that reads them next.
CREATE FUNCTION ezr.choose_tests(p_unit text, p_sex text, p_education text, p_min_age int,
    p_max_age int, p_from date, p_to date, p_text text, p_codes text[])
RETURNS bigint[] LANGUAGE sql STABLE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
  SELECT ezr.chosen_ids(p_unit, p_sex, p_education, p_min_age, p_max_age, p_from, p_to, p_text,
                        p_codes, 'id', false, NULL, 0)
$$;

-- The stored bytes of tests, for opening, exporting or a group run ("open", "export",
-- "group"); what was read is recorded.
CREATE FUNCTION ezr.read_tests(p_ids bigint[], p_purpose text)
RETURNS TABLE (id bigint, file_name text, bytes bytea)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
DECLARE
  seen bigint[];
BEGIN
  IF p_purpose NOT IN ('open', 'export', 'group') THEN
    RAISE EXCEPTION 'unknown purpose "%"', p_purpose;
  END IF;
  SELECT coalesce(array_agg(t.id ORDER BY chosen.n), '{}') INTO seen
  FROM unnest(p_ids) WITH ORDINALITY AS chosen(id, n) JOIN ezr.tests t ON t.id = chosen.id;
  PERFORM ezr.write_audit(p_purpose, NULL, seen, cardinality(seen), '');
  RETURN QUERY
    SELECT t.id, t.file_name, t.bytes
    FROM unnest(seen) WITH ORDINALITY AS chosen(id, n) JOIN ezr.tests t ON t.id = chosen.id
    ORDER BY chosen.n;
END
$$;

-- Deletes every test of the person with this code that the login role may change, with their
-- places in norms' member lists, and keeps the act of deletion. Returns the number of tests.
CREATE FUNCTION ezr.delete_person(p_code text, p_reason text)
RETURNS int LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
DECLARE
  gone bigint[];
  memberships int;
BEGIN
  IF coalesce(btrim(p_reason), '') = '' THEN
    RAISE EXCEPTION 'a deletion needs its reason';
  END IF;
  SELECT coalesce(array_agg(t.id), '{}') INTO gone FROM ezr.tests t
  WHERE btrim(t.code) = btrim(p_code) AND t.unit_id = ANY (ezr.changeable_units());
  SELECT count(*) INTO memberships FROM ezr.norm_members WHERE test_id = ANY (gone);
  DELETE FROM ezr.norm_members WHERE test_id = ANY (gone);
  DELETE FROM ezr.tests t WHERE t.id = ANY (gone);
  INSERT INTO ezr.deletions (reason, test_count, norm_member_count)
  VALUES (p_reason, cardinality(gone), memberships);
  PERFORM ezr.write_audit('delete', NULL, gone, cardinality(gone), 'act of deletion');
  RETURN cardinality(gone);
END
$$;

-- Gives a role the right to read and change a unit's tests (the unit is made when new), and
-- makes it a psychologist of the archive.
CREATE FUNCTION ezr.grant_unit(p_role text, p_unit text)
RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
DECLARE
  u int;
BEGIN
  IF NOT ezr.is_admin() THEN
    RAISE EXCEPTION 'only an administrator of the archive grants units'
      USING ERRCODE = 'insufficient_privilege';
  END IF;
  IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = p_role) THEN
    RAISE EXCEPTION 'there is no role "%"', p_role;
  END IF;
  INSERT INTO ezr.units (name) VALUES (p_unit) ON CONFLICT (name) DO NOTHING;
  SELECT id INTO u FROM ezr.units WHERE name = p_unit;
  INSERT INTO ezr.unit_grants (role_name, unit_id) VALUES (p_role, u) ON CONFLICT DO NOTHING;
  IF NOT pg_has_role(p_role, 'ezr_psychologist', 'MEMBER') THEN
    EXECUTE format('GRANT ezr_psychologist TO %I', p_role);
  END IF;
  PERFORM ezr.write_audit('grant', p_unit, NULL, 0, p_role);
END
$$;

CREATE FUNCTION ezr.revoke_unit(p_role text, p_unit text)
RETURNS boolean LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
DECLARE
  removed int;
BEGIN
  IF NOT ezr.is_admin() THEN
    RAISE EXCEPTION 'only an administrator of the archive revokes units'
      USING ERRCODE = 'insufficient_privilege';
  END IF;
  DELETE FROM ezr.unit_grants g USING ezr.units u
  WHERE g.unit_id = u.id AND u.name = p_unit AND g.role_name = p_role;
  GET DIAGNOSTICS removed = ROW_COUNT;
  PERFORM ezr.write_audit('revoke', p_unit, NULL, removed, p_role);
  RETURN removed > 0;
END
$$;

-- Makes a role a head of the department: it reads every unit.
CREATE FUNCTION ezr.grant_head(p_role text)
RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
BEGIN
  IF NOT ezr.is_admin() THEN
    RAISE EXCEPTION 'only an administrator of the archive names heads'
      USING ERRCODE = 'insufficient_privilege';
  END IF;
  EXECUTE format('GRANT ezr_head TO %I', p_role);
  PERFORM ezr.write_audit('grant', NULL, NULL, 0, p_role || ' head');
END
$$;

-- A norm of the team's own: its file's bytes and the tests it was made from (those the login
-- role may read). A norm of the same name is replaced.
CREATE FUNCTION ezr.save_norm(p_name text, p_content bytea, p_members bigint[])
RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
DECLARE
  n int;
BEGIN
  INSERT INTO ezr.norms (name, content) VALUES (p_name, p_content)
  ON CONFLICT (name) DO UPDATE
    SET content = excluded.content, saved_by = session_user, saved_at = now()
  RETURNING id INTO n;
  DELETE FROM ezr.norm_members WHERE norm_id = n;
  INSERT INTO ezr.norm_members (norm_id, test_id)
    SELECT n, t.id FROM ezr.tests t WHERE t.id = ANY (p_members);
  PERFORM ezr.write_audit('norm', NULL, NULL, cardinality(p_members), p_name);
END
$$;

CREATE FUNCTION ezr.norms()
RETURNS TABLE (name text, content bytea, saved_by name, saved_at timestamptz)
LANGUAGE sql STABLE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
  SELECT name, content, saved_by, saved_at FROM ezr.norms ORDER BY name
$$;

REVOKE ALL ON ALL FUNCTIONS IN SCHEMA ezr FROM PUBLIC;
GRANT EXECUTE ON FUNCTION
  ezr.import_test(text, text, bytea, text, text, text, text, date, date, int),
  ezr.list_tests(text, text, text, int, int, date, date, text, text[], text, boolean, bigint, bigint),
  ezr.count_tests(text, text, text, int, int, date, date, text, text[]),
  ezr.choose_tests(text, text, text, int, int, date, date, text, text[]),
  ezr.read_tests(bigint[], text),
  ezr.delete_person(text, text),
  ezr.grant_unit(text, text),
  ezr.revoke_unit(text, text),
  ezr.grant_head(text),
  ezr.save_norm(text, bytea, bigint[]),
  ezr.norms()
TO ezr_psychologist, ezr_head, ezr_admin;
)SQL";

} // namespace

QList<const char*> archiveMigrations() {
    return {Version1, Version2, textSearchMigration()};
}

} // namespace ezr
