#!/usr/bin/env bash
# Times lumora-cli against ImageMagick 6, GraphicsMagick and libvips on the resampling,
# colour-reduction and rotation jobs of transform_bench and color_bench: whole
# processes, on the same PPM files (written by write_bench_pictures), medians of
# hyperfine runs. The other programs run on one thread; lumora-cli runs as it is (both
# cores) and pinned to one core with taskset.
#   bench/compare_tools.sh BUILD_DIR [RUNS]
# Needs hyperfine and, for the other columns, Debian's imagemagick, graphicsmagick and
# libvips-tools (the ImageMagick binary is called by its real name, convert-im6.q16).
set -euo pipefail

build=${1:?usage: compare_tools.sh BUILD_DIR [RUNS]}
runs=${2:-5}
cli=$(realpath "$build/app/cli/lumora-cli")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/write_bench_pictures" "$work" >/dev/null

im=/usr/bin/convert-im6.q16
gm=/usr/bin/gm
vips=/usr/bin/vips
export MAGICK_THREAD_LIMIT=1 OMP_NUM_THREADS=1 VIPS_CONCURRENCY=1

# time LABEL COMMAND: prints the label and the median wall time in seconds.
time_one() {
  local label=$1 cmd=$2 tool=${2%% *}
  if [ ! -x "$tool" ]; then
    printf '  %-36s (not installed)\n' "$label"
    return
  fi
  hyperfine --style none --warmup 1 --runs "$runs" --export-csv "$work/t.csv" "$cmd" >/dev/null 2>&1 || {
    printf '  %-36s failed\n' "$label"
    return
  }
  printf '  %-36s %.3f s\n' "$label" "$(tail -1 "$work/t.csv" | cut -d, -f4)"
}

big=$work/gradient-6000x4000.ppm small=$work/gradient-1000x750.ppm
turn=$work/gradient-3000x2000.ppm photo=$work/photo-4000x3000.ppm
out=$work/out

echo "6000x4000 -> 1920x1280, nearest (fast)"
time_one "lumora-cli fast" "$cli convert $big $out.ppm --pnm-binary --size 1920x1280 --stretch fast"
time_one "lumora-cli fast, one core" "/usr/bin/taskset -c 0 $cli convert $big $out.ppm --pnm-binary --size 1920x1280 --stretch fast"
time_one "ImageMagick -sample" "$im $big -sample 1920x1280! $out.ppm"
time_one "GraphicsMagick -sample" "$gm convert $big -sample 1920x1280! $out.ppm"
time_one "vips resize nearest" "$vips resize $big $out.ppm 0.32 --kernel nearest"

echo "6000x4000 -> 1920x1280, linear (medium)"
time_one "lumora-cli medium" "$cli convert $big $out.ppm --pnm-binary --size 1920x1280 --stretch medium"
time_one "lumora-cli medium, one core" "/usr/bin/taskset -c 0 $cli convert $big $out.ppm --pnm-binary --size 1920x1280 --stretch medium"
time_one "ImageMagick -filter Triangle" "$im $big -filter Triangle -resize 1920x1280! $out.ppm"
time_one "GraphicsMagick -filter Triangle" "$gm convert $big -filter Triangle -resize 1920x1280! $out.ppm"
time_one "vips resize linear" "$vips resize $big $out.ppm 0.32 --kernel linear"

echo "6000x4000 -> 1920x1280, area average (precise) against -resize (Lanczos)"
time_one "lumora-cli precise" "$cli convert $big $out.ppm --pnm-binary --size 1920x1280"
time_one "lumora-cli precise, one core" "/usr/bin/taskset -c 0 $cli convert $big $out.ppm --pnm-binary --size 1920x1280"
time_one "ImageMagick -resize" "$im $big -resize 1920x1280! $out.ppm"
time_one "ImageMagick -scale (box)" "$im $big -scale 1920x1280! $out.ppm"
time_one "GraphicsMagick -resize" "$gm convert $big -resize 1920x1280! $out.ppm"
time_one "vips resize lanczos3" "$vips resize $big $out.ppm 0.32"
time_one "vips resize lanczos3, 2 threads" "/usr/bin/env VIPS_CONCURRENCY=2 $vips resize $big $out.ppm 0.32"

echo "1000x750 -> 3000x2250, precise against -resize"
time_one "lumora-cli precise" "$cli convert $small $out.ppm --pnm-binary --size 3000x2250"
time_one "lumora-cli precise, one core" "/usr/bin/taskset -c 0 $cli convert $small $out.ppm --pnm-binary --size 3000x2250"
time_one "ImageMagick -resize" "$im $small -resize 3000x2250! $out.ppm"
time_one "GraphicsMagick -resize" "$gm convert $small -resize 3000x2250! $out.ppm"
time_one "vips resize lanczos3" "$vips resize $small $out.ppm 3"

echo "4000x3000 -> 256 colours, Floyd-Steinberg, 8-bit BMP"
time_one "lumora-cli --bits 8 (252+sys)" "$cli convert $photo $out.bmp --bits 8"
time_one "ImageMagick -colors 256" "$im $photo -dither FloydSteinberg -colors 256 -type Palette BMP3:$out.bmp"
time_one "GraphicsMagick -colors 256" "$gm convert $photo -dither -colors 256 -type Palette BMP3:$out.bmp"

echo "4000x3000 -> 256 colours, dithered, GIF"
time_one "lumora-cli --bits 8 (252+sys)" "$cli convert $photo $out.gif --bits 8"
time_one "ImageMagick -colors 256" "$im $photo -dither FloydSteinberg -colors 256 $out.gif"
time_one "GraphicsMagick -colors 256" "$gm convert $photo -dither -colors 256 $out.gif"
time_one "vips gifsave (libimagequant)" "$vips copy $photo $out.gif[dither=1]"

echo "4000x3000 -> 16 system colours, dithered, 4-bit BMP"
time_one "lumora-cli --bits 4 --palette sys16" "$cli convert $photo $out.bmp --bits 4 --palette sys16"

echo "4000x3000 -> black and white, Floyd-Steinberg, 1-bit BMP"
time_one "lumora-cli --bits 1" "$cli convert $photo $out.bmp --bits 1"
time_one "ImageMagick -monochrome" "$im $photo -dither FloydSteinberg -monochrome BMP3:$out.bmp"
time_one "GraphicsMagick -monochrome" "$gm convert $photo -monochrome BMP3:$out.bmp"

echo "3000x2000 rotated 30 degrees, bilinear, fitted size"
time_one "lumora-cli --rotate 30" "$cli convert $turn $out.ppm --pnm-binary --rotate 30 --fit-size"
time_one "lumora-cli --rotate 30, one core" "/usr/bin/taskset -c 0 $cli convert $turn $out.ppm --pnm-binary --rotate 30 --fit-size"
time_one "ImageMagick -rotate 30" "$im $turn -background black -rotate 30 $out.ppm"
time_one "GraphicsMagick -rotate 30" "$gm convert $turn -background black -rotate 30 $out.ppm"
time_one "vips rotate 30" "$vips rotate $turn $out.ppm 30"
