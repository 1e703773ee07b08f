#!/usr/bin/python3
"""Validates every line of a flash record file against the record's JSON Schema.

usage: validate_records.py SCHEMA RECORDS
Exits 0 when every line is a record the schema takes, 1 otherwise.
"""
import json
import sys

import jsonschema


def main():
    schema_path, records_path = sys.argv[1], sys.argv[2]
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    validator = jsonschema.Draft202012Validator(schema)
    failures = 0
    records = 0
    with open(records_path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            records += 1
            for error in validator.iter_errors(json.loads(line)):
                print(f"{records_path} line {number}: {error.json_path}: {error.message}")
                failures += 1
    if records == 0:
        print(f"{records_path}: no records")
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
