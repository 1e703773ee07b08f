-- The line's flash records: one row per record, whatever bench sent it, with
-- the fields people search by in columns and the whole record as sent.
CREATE TABLE zorvane_schema (
    version integer PRIMARY KEY,
    applied timestamptz NOT NULL DEFAULT now()
);

CREATE TABLE flash_records (
    id uuid PRIMARY KEY,
    time timestamptz,                 -- when the run's outcome was decided
    bench_host text,
    bench_user text,
    unit text,                        -- the radio's label, when the operator gave one
    port text,                        -- as the operator named it
    device text,                      -- the device opened
    platform text,                    -- the configuration file the run used
    outcome text NOT NULL,            -- success, failed or cancelled
    stage text,                       -- success, or the stage that failed
    boot_sha256 text,                 -- SHA-256 of each image file's bytes
    eeprom_sha256 text,
    firmware_sha256 text,
    config text,                      -- result values, bytes as hex
    boot_version text,
    boot_checksum text,
    eeprom_checksum text,
    firmware_checksum text,
    duration_s numeric,
    manifest_sha256 text,             -- the release manifest the run was held to
    manifest_key text,                -- the fingerprint of the key that signed it
    received timestamptz NOT NULL DEFAULT now(),
    record jsonb NOT NULL
);

CREATE INDEX flash_records_unit ON flash_records (unit);
CREATE INDEX flash_records_time ON flash_records (time);
CREATE INDEX flash_records_firmware ON flash_records (firmware_sha256);
