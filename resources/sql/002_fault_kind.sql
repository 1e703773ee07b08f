-- A failed run's fault kind (block-sum, port-busy, image, not-released, ...),
-- from records of schema 3 on: a line's reports count failures by kind.
-- Older records have none.
ALTER TABLE flash_records ADD COLUMN fault_kind text;
CREATE INDEX flash_records_fault_kind ON flash_records (fault_kind);
