#include "stand_in_tools.h"

#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

const char* const kMobi2Html = R"SH(#!/bin/sh
# mobi2html INPUT OUTDIR
here=$(dirname "$0")
if [ -e "$here/hold-mobi2html" ]; then
    mkdir -p "$2" && : > "$2/partial"
    echo $$ > "$here/mobi2html-waiting"
    exec sleep 600
fi
if [ -f "$here/fail-mobi2html" ]; then
    echo "mobi2html: $1: $(cat "$here/fail-mobi2html")" >&2
    exit 1
fi
mkdir -p "$2" || exit 1
name=$(basename "$1" .mobi)
{ printf '<html><body><p>'; cat "$1"; printf '</p><img src="pic.GIF"></body></html>'; } > "$2/$name.html"
printf 'GIF89a\001\000\001\000\200\000\000\000\000\000\377\377\377,\000\000\000\000\001\000\001\000\000\002\002D\001\000;' > "$2/pic.gif"
)SH";

const char* const kWkhtmltopdf = R"SH(#!/bin/sh
# wkhtmltopdf --page-width W --page-height H INPUT OUTPUT
here=$(dirname "$0")
echo "QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-root'" >&2
printf '%s\n' "$*" >> "$here/wkhtmltopdf.log"
[ -f "$here/target-to-watch" ] && cat "$(cat "$here/target-to-watch")" > "$here/target-during-render"
[ -f "$here/make-target" ] && printf 'made elsewhere' > "$(cat "$here/make-target")"
if [ -f "$here/fail-wkhtmltopdf" ]; then
    echo "wkhtmltopdf: $(cat "$here/fail-wkhtmltopdf")" >&2
    exit 1
fi
if [ -e "$here/hold-wkhtmltopdf" ]; then
    # Half a PDF under a staged name, as a renderer has while it writes.
    printf '%%PDF-1.4\n' > "$(dirname "$6")/.corvale-$$-1.tmp"
    echo $$ > "$here/wkhtmltopdf-waiting"
    exec sleep 600
fi
[ -f "$here/broken-pdf" ] && { printf '%%PDF-1.4 cut off' > "$6"; exit 1; }
{ printf '%%PDF-1.4\n'; cat "$5"; printf '\n%%%%EOF\n'; } > "$6"
)SH";

bool Install(const fs::path& file, const char* text)
{
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out)
            return false;
    }
    std::error_code error;
    fs::permissions(file, fs::perms::owner_all, error);
    return !error;
}

}  // namespace

bool InstallStandInTools(const fs::path& core)
{
    std::error_code error;
    fs::create_directories(core, error);
    return !error && Install(core / "mobi2html", kMobi2Html) && Install(core / "wkhtmltopdf", kWkhtmltopdf);
}
