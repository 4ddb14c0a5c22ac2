#!/usr/bin/env bash
# Time and peak memory of every filter on very large photos.
#
#   bench/large_photos.sh [RENDER [SIZES [PHOTO]]]
#
# RENDER  the drawlume-render to measure (default build/cli/drawlume-render)
# SIZES   the picture sizes in megapixels (default "12 48 100"; sizes above 100, the reader's
#         default limit, are rendered with --max-megapixels raised to them, up to 1000)
# PHOTO   the photo the pictures are made from (default ../shared/photos/bench-12mp.jpg beside the
#         repository, or $DRAWLUME_BENCH_PICTURE)
#
# Each size is the photo scaled smoothly to that many megapixels and written as a JPEG by
# drawlume-make-bench-picture (tools/make_bench_picture.cpp, built beside RENDER, or named by
# $DRAWLUME_MAKE_BENCH_PICTURE). The pictures are kept in $LARGE_PHOTOS_DIR (default
# /tmp/drawlume-large-photos) and made again only when the photo is newer. $LARGE_PHOTOS_FILTERS
# picks some of the six variants by their short names: pencil watercolor impasto expressive
# brushstrokes pastel (default all).
#
# Every variant renders each picture once, one after the other, through
# `/usr/bin/time -v drawlume-render -q ... out.jpg`; the markdown table printed on standard output
# gives its wall time, its peak resident memory ("Maximum resident set size", in MB of 10^6
# bytes), the bytes per pixel above a fixed 100 MB, (RSS - 100 MB) / pixels, and whether that is
# within the target of 16 bytes per pixel. Progress goes to standard error. Exits 1 when a render
# fails, 0 otherwise (a missed target is reported in the table, not by the exit status).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
render=${1:-"$repo/build/cli/drawlume-render"}
sizes=${2:-"12 48 100"}
photo=${3:-${DRAWLUME_BENCH_PICTURE:-"$repo/../shared/photos/bench-12mp.jpg"}}
work=${LARGE_PHOTOS_DIR:-/tmp/drawlume-large-photos}
wanted=${LARGE_PHOTOS_FILTERS:-}

target_bytes_per_pixel=16
allowance_bytes=100000000

if [ ! -x /usr/bin/time ]; then
    echo "large_photos.sh: /usr/bin/time is missing (tools/install_dependencies.sh installs it)" >&2
    exit 1
fi
if [ ! -x "$render" ]; then
    echo "large_photos.sh: $render is not an executable drawlume-render" >&2
    exit 1
fi
if [ ! -f "$photo" ]; then
    echo "large_photos.sh: the photo $photo does not exist" >&2
    exit 1
fi
maker=${DRAWLUME_MAKE_BENCH_PICTURE:-"$(dirname "$render")/../tools/drawlume-make-bench-picture"}
if [ ! -x "$maker" ]; then
    echo "large_photos.sh: $maker is missing (build the target drawlume-make-bench-picture)" >&2
    exit 1
fi
mkdir -p "$work"

# The variants: a short name, the table's name and the options that choose it.
variants=(
    "pencil|Pencil|-f Pencil"
    "watercolor|Watercolor|-f Watercolor"
    "impasto|Oil (impasto)|-f Oil -s oil_type=oil_painting"
    "expressive|Oil (expressive)|-f Oil -s oil_type=expressive_brushstrokes"
    "brushstrokes|Oil (brushstrokes)|-f Oil -s oil_type=standart_oil"
    "pastel|Pastel|-f Pastel"
)

# The picture of $1 megapixels; prints its path and leaves its size in $work/<name>.size.
picture_of() {
    local picture="$work/large-${1}mp.jpg"
    if [ ! -f "$picture" ] || [ ! -s "$picture.size" ] || [ "$photo" -nt "$picture" ]; then
        echo "making the ${1} MP picture" >&2
        "$maker" "$photo" "$1" "$picture" >"$picture.size"
    fi
    echo "$picture"
}

echo "| filter | megapixels | wall time (s) | peak RSS (MB) | bytes per pixel | within target |"
echo "|---|---|---|---|---|---|"
failed=0
for size in $sizes; do
    picture=$(picture_of "$size")
    IFS=x read -r width height <"$picture.size"
    pixels=$((width * height))
    limit=()
    if [ "$pixels" -gt 100000000 ]; then
        limit=(--max-megapixels "$(((pixels + 999999) / 1000000))")
    fi
    for variant in "${variants[@]}"; do
        IFS='|' read -r short name arguments <<<"$variant"
        read -r -a options <<<"$arguments"
        if [ -n "$wanted" ] && [[ " $wanted " != *" $short "* ]]; then
            continue
        fi
        echo "rendering $name at $size MP" >&2
        log="$work/time.log"
        if ! /usr/bin/time -v -o "$log" "$render" -q "${limit[@]}" "${options[@]}" "$picture" \
            "$work/out.jpg" >&2; then
            echo "large_photos.sh: $name failed at $size MP" >&2
            failed=1
            continue
        fi
        wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$log")
        rss_kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$log")
        awk -v name="$name" -v mp="$(awk -v p="$pixels" 'BEGIN { printf "%.1f", p / 1e6 }')" \
            -v wall="$wall" -v kb="$rss_kb" -v pixels="$pixels" \
            -v allowance="$allowance_bytes" -v target="$target_bytes_per_pixel" 'BEGIN {
                n = split(wall, part, ":"); seconds = 0
                for (i = 1; i <= n; ++i) seconds = seconds * 60 + part[i]
                bytes = kb * 1024
                perPixel = (bytes - allowance) / pixels
                printf "| %s | %s | %.1f | %.0f | %.1f | %s |\n", name, mp, seconds, bytes / 1e6,
                    perPixel, perPixel <= target ? "yes" : "no"
            }'
    done
done
rm -f "$work/out.jpg" "$work/time.log"
exit $failed
