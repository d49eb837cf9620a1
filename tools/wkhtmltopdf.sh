#!/bin/sh
# wkhtmltopdf [OPTION]... INPUT OUTPUT
# Stands in bin/core/ for the system's wkhtmltopdf and runs it with the
# options that render a book page well and safely: UTF-8 text, no JavaScript,
# no network, local files only from the page's own folder, and a missing
# image not failing the book. The program calls it as
#   wkhtmltopdf --page-width W --page-height H INPUT OUTPUT
# Every argument is passed on unchanged.

# The real renderer: the first wkhtmltopdf on PATH (then /usr/bin) that is
# not this script.
find_renderer() {
    self_dir=$(CDPATH='' cd -- "$(dirname -- "$0")" 2>/dev/null && pwd -P)
    saved_ifs=$IFS
    IFS=:
    set -f
    for dir in $PATH /usr/bin /usr/local/bin; do
        [ -n "$dir" ] || dir=.
        if [ ! -f "$dir/wkhtmltopdf" ] || [ ! -x "$dir/wkhtmltopdf" ]; then
            continue
        fi
        real_dir=$(CDPATH='' cd -- "$dir" 2>/dev/null && pwd -P) || continue
        [ "$real_dir" = "$self_dir" ] && continue
        IFS=$saved_ifs
        set +f
        renderer=$real_dir/wkhtmltopdf
        return 0
    done
    IFS=$saved_ifs
    set +f
    return 1
}

# A copy of this script elsewhere on PATH would call back into itself.
if [ -n "${CORVALE_WKHTMLTOPDF_WRAPPED:-}" ]; then
    echo "wkhtmltopdf: the wrapper found itself instead of the real wkhtmltopdf" >&2
    exit 127
fi
CORVALE_WKHTMLTOPDF_WRAPPED=1
export CORVALE_WKHTMLTOPDF_WRAPPED

if ! find_renderer; then
    echo "wkhtmltopdf: the wkhtmltopdf program is not installed" >&2
    exit 127
fi

# Without a page and an output (--version, --help ...) there is nothing to
# restrict.
if [ $# -lt 2 ]; then
    exec "$renderer" "$@"
fi

# The input page is the next-to-last argument.
input=
previous=
for argument in "$@"; do
    input=$previous
    previous=$argument
done

case $input in
    */*) input_dir=${input%/*} ;;
    *) input_dir=. ;;
esac
[ -n "$input_dir" ] || input_dir=/
# An absolute, resolved folder; the trailing x keeps a folder name that ends
# in a line feed intact through the command substitution.
allowed_dir=$(CDPATH='' cd -- "$input_dir" 2>/dev/null && pwd -P && echo x) || allowed_dir=
allowed_dir=${allowed_dir%?x}
if [ -z "$allowed_dir" ]; then
    echo "wkhtmltopdf: cannot find the folder of $input" >&2
    exit 1
fi

# Any host the page might name is sent to a proxy at port 0 of the loopback
# address, where nothing can listen, and host names are left to that proxy,
# so no request and no name lookup leaves the machine. Local files other
# than those in the page's folder are refused. Qt draws off screen, with or
# without a display.
QT_QPA_PLATFORM=offscreen
export QT_QPA_PLATFORM
exec "$renderer" \
    --quiet \
    --encoding utf-8 \
    --disable-javascript \
    --disable-plugins \
    --disable-local-file-access \
    --allow "$allowed_dir" \
    --proxy http://127.0.0.1:0 \
    --proxy-hostname-lookup \
    --load-error-handling ignore \
    --load-media-error-handling ignore \
    "$@"
