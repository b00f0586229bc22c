#!/usr/bin/env bash
# The whole import of a large photograph with dithering, as a user runs it,
# next to ImageMagick doing the same on the same file in the same run:
#
#   spritewright-cli import BLANK.dc6 PICTURE -o OUT.dc6 --no-split --palette PALETTE
#   convert PICTURE -dither FloydSteinberg -remap PALETTE.png OUT.bmp
#
# ImageMagick with its default settings (all its threads). The two commands
# take turns, RUNS times each (default 9); the medians of wall time, of
# processor time (user and system, all threads) and of peak memory (GNU
# time's maximum resident set size) are printed with their ratios. On a busy
# machine the wall times depend on the other work; the processor times much
# less.
#
# Usage: import_bench [PICTURE [PALETTE]]
#   PICTURE  an image file; without one, a 2048 x 2048 photograph-like PNG
#            (a plasma fractal) is made with ImageMagick
#   PALETTE  a palette of the catalogue (default sprites) or a .pal file
# Environment: RUNS; MAGICK_OUT, the extension of ImageMagick's output
# (default bmp). Arguments that start with -- are ignored, so that
# scripts/bench can pass benchmark options to every program.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
cli=$here/spritewright-cli
runs=${RUNS:-9}
magickOut=${MAGICK_OUT:-bmp}

positional=()
for arg in "$@"; do
  case $arg in --*) ;; *) positional+=("$arg") ;; esac
done
picture=${positional[0]:-}
palette=${positional[1]:-sprites}

for tool in convert identify /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "import_bench: $tool is missing (scripts/deps installs it)" >&2; exit 1; }
done
[ -x "$cli" ] || { echo "import_bench: $cli is missing; build spritewright-cli first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ -z "$picture" ]; then
  picture=$work/photograph.png
  convert -size 2048x2048 -seed 7 plasma:fractal -depth 8 "$picture"
fi
case $palette in
  *.pal) paletteFile=$palette ;;
  *) paletteFile=$here/data/pal/$palette.pal ;;
esac
[ -f "$paletteFile" ] || { echo "import_bench: no palette $paletteFile" >&2; exit 1; }
# The palette as ImageMagick's -remap wants it: one pixel per entry.
convert -size 256x1 -depth 8 "bgr:$paletteFile" "$work/palette.png"
"$cli" new "$work/blank.dc6"

ours=(import "$work/blank.dc6" "$picture" -o "$work/out.dc6" --no-split --palette "$paletteFile")
theirs=("$picture" -dither FloydSteinberg -remap "$work/palette.png" "$work/magick.$magickOut")

# Appends "seconds kilobytes processor-seconds" of one run of a command to a
# file.
measure() {
  local into=$1
  shift
  /usr/bin/time -f '%e %M %U %S' -o "$work/one" "$@" >/dev/null
  awk '{print $1, $2, $3 + $4}' "$work/one" >>"$into"
}

median() { # column $2 of file $1
  sort -n -k"$2","$2" "$1" | awk -v c="$2" '{v[NR] = $c} END {print v[int((NR + 1) / 2)]}'
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) processors"
measure "$work/ours" "$cli" "${ours[@]}" # the first runs warm the caches
measure "$work/theirs" convert "${theirs[@]}"
: >"$work/ours"
: >"$work/theirs"
for _ in $(seq "$runs"); do
  measure "$work/ours" "$cli" "${ours[@]}"
  measure "$work/theirs" convert "${theirs[@]}"
done
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"

oursTime=$(median "$work/ours" 1)
oursPeak=$(median "$work/ours" 2)
oursCpu=$(median "$work/ours" 3)
theirTime=$(median "$work/theirs" 1)
theirPeak=$(median "$work/theirs" 2)
theirCpu=$(median "$work/theirs" 3)
echo "picture: $picture ($(identify -format '%w x %h, %[bit-depth]-bit %[channels]' "$picture" 2>/dev/null || echo '?'))"
echo "palette: $paletteFile; $runs runs each, medians"
awk -v ot="$oursTime" -v op="$oursPeak" -v oc="$oursCpu" \
  -v tt="$theirTime" -v tp="$theirPeak" -v tc="$theirCpu" 'BEGIN {
  printf "%-14s %10s %14s %12s\n", "", "seconds", "processor s", "peak MiB"
  printf "%-14s %10.2f %14.2f %12.1f\n", "Spritewright", ot, oc, op / 1024
  printf "%-14s %10.2f %14.2f %12.1f\n", "ImageMagick", tt, tc, tp / 1024
  printf "Spritewright is %.2f times as fast (goal: 2), uses %.2f of the processor time", tt / ot, oc / tc
  printf " and %.2f of the memory (goal: 0.25)\n", op / tp
}'
