// The page's own script: it draws the charts from the page's data and
// filters the units' table. Kept apart from the page's markup.
#pragma once

namespace zorvane::report {

// Runs first: a script error anywhere on the page is written into the
// page (#script-errors), where a reader, and the browser test, see it.
extern const char* const kErrorHook;

// Draws each chart from #report-data; a chart drawn marks its canvas
// data-drawn="yes" and data-total with the sum of its counts.
extern const char* const kPageScript;

} // namespace zorvane::report
