// Stand-ins for the two conversion tools: shell scripts that do what the
// program needs of the real ones, steered by marker files beside them. The
// real tools are exercised end to end elsewhere.
//
// mobi2html INPUT OUTDIR writes OUTDIR/<input name>.html holding the input's
// bytes and a reference to pic.GIF, with that picture (1 x 1) beside it.
//   hold-mobi2html: first makes OUTDIR with a file in it, writes its process
//     id to mobi2html-waiting (a FIFO when the test made one), then sleeps,
//     still as that same process.
//   fail-mobi2html: says "mobi2html: INPUT: <the marker's text>" on standard
//     error and exits 1, as the real tool ends a failure.
// wkhtmltopdf --page-width W --page-height H INPUT OUTPUT always first warns
// as the system renderer does ("QStandardPaths: ..."), notes its arguments in
// wkhtmltopdf.log, and writes a small PDF holding the page.
//   target-to-watch: copies the file it names to target-during-render.
//   make-target: writes "made elsewhere" to the file it names, as another
//     program would while the book is converted.
//   hold-wkhtmltopdf: writes the start of a PDF under a staged name beside
//     OUTPUT, as a renderer does while it writes, then waits as
//     hold-mobi2html does (wkhtmltopdf-waiting); a stop kills it there.
//   broken-pdf: writes a cut-off PDF and exits 1.
//   fail-wkhtmltopdf: says "wkhtmltopdf: <the marker's text>" and exits 1.
#pragma once

#include <filesystem>

// Writes both stand-ins into `core` (made when missing); false on failure.
bool InstallStandInTools(const std::filesystem::path& core);
