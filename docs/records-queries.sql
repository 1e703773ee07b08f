-- Queries on the line's flash records (the flash_records table that
-- `zorvane-flash --init-database` creates). Run them with psql, e.g.
--
--   psql "postgresql://quality@dbhost/line" -v firmware=c21824be... -f records-queries.sql
--
-- or one at a time. Times are UTC, as the records keep them.

-- The line's yield per bench per day: radios flashed, how many succeeded,
-- and the share. Cancelled runs count as attempts that did not succeed.
SELECT bench_host,
       (time AT TIME ZONE 'UTC')::date AS day,
       count(*) AS runs,
       count(*) FILTER (WHERE outcome = 'success') AS succeeded,
       round(100.0 * count(*) FILTER (WHERE outcome = 'success') / count(*), 1) AS yield_percent
FROM flash_records
GROUP BY bench_host, day
ORDER BY day DESC, bench_host;

-- The units that got a given firmware image (its file's SHA-256, as
-- `zorvane-flash --check` and the records show it), and when and where.
SELECT unit, time, bench_host, port, stage
FROM flash_records
WHERE firmware_sha256 = :'firmware' AND outcome = 'success'
ORDER BY time;

-- The benches silent for a day: each bench's last record, for those whose
-- last one is older than 24 hours (a bench that stopped flashing, or whose
-- records stopped arriving: `zorvane-flash --records-status` on it says which).
SELECT bench_host, max(time) AS last_record, now() - max(time) AS silent_for
FROM flash_records
GROUP BY bench_host
HAVING max(time) < now() - interval '1 day'
ORDER BY last_record;
