-- A team's archive on a PostgreSQL server: the administrator's set-up.
-- Run as a PostgreSQL superuser:  psql -v ON_ERROR_STOP=1 -f team-server.sql
-- then, as the owner:  qx390d-cli --archive 'postgresql://HOST/qx390d_archive?user=qx390d_owner' archive init
-- (tests/archive/tst_archiveteam runs this file against a real server.)

-- The owner: the administrator's login for the archive. It owns the database, creates and
-- migrates the tables (archive init) and is the only login that may change any download.
CREATE ROLE qx390d_owner LOGIN;
-- The group roles archive init grants to: technicians add downloads, change the notes of
-- their own and assign the records of their own downloads their job, site and ONT; crew
-- leads read everything and assign and reassign the places of anyone's records; readers
-- (reporting tools, the office) read.
CREATE ROLE qx390d_technician NOLOGIN;
CREATE ROLE qx390d_lead NOLOGIN;
CREATE ROLE qx390d_reader NOLOGIN;

-- The database; only the team may connect.
CREATE DATABASE qx390d_archive OWNER qx390d_owner;
REVOKE CONNECT, TEMPORARY ON DATABASE qx390d_archive FROM PUBLIC;
GRANT CONNECT ON DATABASE qx390d_archive TO qx390d_owner, qx390d_technician, qx390d_lead,
    qx390d_reader;
\connect qx390d_archive
-- Before PostgreSQL 15 anyone could create tables in the schema public.
REVOKE CREATE ON SCHEMA public FROM PUBLIC;

-- Each technician a login of their own (a new one later: this line with their name), then
-- a password for it with psql's \password alice.
CREATE ROLE alice LOGIN IN ROLE qx390d_technician;
-- A crew lead's login (a lead who also downloads is in both roles).
CREATE ROLE carol LOGIN IN ROLE qx390d_lead;
-- A reporting tool's login.
CREATE ROLE reports LOGIN IN ROLE qx390d_reader;
