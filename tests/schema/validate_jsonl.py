#!/usr/bin/python3
"""Validates every line of a JSON Lines file against a JSON Schema.

usage: validate_jsonl.py SCHEMA FILE [SCHEMA ...]
Further schemas are ones the first refers to by their $id. Exits 0 when the
file holds at least one line and the schema takes every one, 1 otherwise.
"""
import json
import sys

import jsonschema


def main():
    schema_path, lines_path, *others = sys.argv[1:]
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    store = {}
    for other in others:
        with open(other, encoding="utf-8") as f:
            loaded = json.load(f)
        store[loaded["$id"]] = loaded
    resolver = jsonschema.RefResolver.from_schema(schema, store=store)
    validator = jsonschema.Draft202012Validator(schema, resolver=resolver)
    failures = 0
    count = 0
    with open(lines_path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            count += 1
            for error in validator.iter_errors(json.loads(line)):
                print(f"{lines_path} line {number}: {error.json_path}: {error.message}")
                failures += 1
    if count == 0:
        print(f"{lines_path}: no lines")
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
