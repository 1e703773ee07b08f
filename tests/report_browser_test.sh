#!/usr/bin/env bash
# The line's report in a real browser: headless Chromium loads the page
# written from a few hundred generated records; no script error, every chart
# drawn, and the figures those of the records.
#
#   report_browser_test.sh ZORVANE-FLASH [SCREENSHOT.png]
set -euo pipefail
flasher=$1 screenshot=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Three days on two benches; some units fail once and come back to succeed,
# some fail for good; one radio in ten has no label; one hostile label. The expected figures
# are counted here, apart from the program.
python3 - <<'PY'
import json, random
random.seed(7)
stages = [("boot", "no-version"), ("flash", "block-sum"), ("cancelled", "stopped")]
records, units, first = [], {}, {}
n = 0
for day in (6, 7, 8):
    for i in range(100):
        n += 1
        hour, minute = 6 + i // 10, (i * 7) % 60
        label = None if i % 10 == 9 else f"SN-{day}{i:03d}"
        if i == 42:
            label = "</script><script>document.title='owned'</script>"
        retry = i % 13 == 0 and label is not None
        for attempt in ([False, True] if retry else [i % 17 != 5]):
            stage, kind = ("success", None) if attempt else stages[i % 3]
            records.append({"schema": 3, "time": f"2026-12-{day:02d}T{hour:02d}:{minute:02d}:{0 if not attempt else 30:02d}Z",
                            "host": f"bench-{1 + i % 2}", "port": "/dev/ttyUSB0", "unit": label, "station": None,
                            "images": {"firmware": {"data_sha256": "8" * 64}}, "manifest": {"signed_by": "3AA5"},
                            "outcome": {"stage": stage, "fault": {"kind": kind} if kind else None},
                            "duration_s": 40 + (i % 20)})
with open("line.jsonl", "w") as out:
    for r in records:
        out.write(json.dumps(r) + "\n")
good = sum(r["outcome"]["stage"] == "success" for r in records)
keys = [r["unit"] if r["unit"] else f"#{k}" for k, r in enumerate(records)]
unit_first = {}
for k, r in zip(keys, records):
    unit_first.setdefault(k, r["outcome"]["stage"] == "success")
expected = {"radios": len(records), "good": good, "units": len(unit_first),
            "first_pass": f"{100 * sum(unit_first.values()) / len(unit_first):.1f}%",
            "failures": len(records) - good,
            "firmware_units": len({k for k, r in zip(keys, records) if r["outcome"]["stage"] == "success"})}
json.dump(expected, open("expected.json", "w"))
PY

"$flasher" --report report.html --report-csv units.csv --record line.jsonl --utc >out.txt
browser=(chromium --headless --no-sandbox --disable-gpu --user-data-dir="$work/profile" --virtual-time-budget=10000)
timeout 120 "${browser[@]}" --dump-dom "file://$work/report.html" >dom.html 2>browser.log
if [ -n "$screenshot" ]; then
  timeout 120 "${browser[@]}" --hide-scrollbars --window-size=1400,1500 --screenshot="$screenshot" \
    "file://$work/report.html" 2>>browser.log
fi

python3 - <<'PY'
import json, sys
from html.parser import HTMLParser
expected = json.load(open("expected.json"))

class Page(HTMLParser):
    def __init__(self):
        super().__init__()
        self.canvases, self.text, self.current, self.title = [], {}, None, ""
    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "canvas":
            self.canvases.append(attrs)
        self.current = attrs.get("id") or ("title" if tag == "title" else None)
        if self.current:
            self.text.setdefault(self.current, "")
    def handle_endtag(self, tag):
        self.current = None
    def handle_data(self, data):
        if self.current:
            self.text[self.current] += data

page = Page()
page.feed(open("dom.html").read())
faults = []
def check(what, got, want):
    if got != want:
        faults.append(f"{what}: {got!r}, expected {want!r}")
check("script errors", page.text.get("script-errors", "").strip(), "")
check("title", page.text.get("title"), "Line report: every record")
check("charts", len(page.canvases), 9)
for canvas in page.canvases:
    check(canvas["id"] + " drawn", canvas.get("data-drawn"), "yes")
totals = {c["id"]: c.get("data-total") for c in page.canvases}
check("total radios", page.text.get("total-radios"), str(expected["radios"]))
check("total good", page.text.get("total-good"), str(expected["good"]))
check("total units", page.text.get("total-units"), str(expected["units"]))
check("first pass", page.text.get("total-first-pass"), expected["first_pass"])
for chart in ("chart-days", "chart-benches", "chart-hours", "chart-run-times"):
    check(chart + " total", totals.get(chart), str(expected["radios"]))
check("chart-stages total", totals.get("chart-stages"), str(expected["failures"]))
check("chart-firmware total", totals.get("chart-firmware"), str(expected["firmware_units"]))
csv_rows = open("units.csv").read().splitlines()
check("csv rows", len(csv_rows) - 1, expected["units"])
if faults:
    print("\n".join(faults))
    sys.exit(1)
PY
