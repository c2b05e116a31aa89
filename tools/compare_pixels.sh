#!/usr/bin/env bash
# Compares the pixels of the window and of the PDF reports of two builds of
# iec1000 on the same inputs:
#
#   tools/compare_pixels.sh BEFORE_BUILD AFTER_BUILD [OUT_DIR]
#
# BEFORE_BUILD and AFTER_BUILD are build folders holding bin/iec1000 and
# bin/zento-sim (and, for a build whose window is a module, the module beside
# them). OUT_DIR (default: a new folder under /tmp) receives the images, the
# difference images and results.md, a table of ImageMagick's absolute error
# (AE: the number of pixels that differ, no fuzz) per image and page.
#
# The inputs are made once: a record store with one measurement (Class A,
# scenario pass) and one timed observation (Class A, 30 s, scenario
# excursion-140), written by the BEFORE build's `measure` and `observe` on its
# simulator. Each build then gets a fresh copy of that store at the same path
# (so the store named in the reports is the same) and:
#   - writes `report ID --output` for both records; the PDF pages are
#     rasterized with pdftoppm at 100 dpi;
#   - runs its window (`iec1000 --demo --db` the copy) on a virtual X display
#     of its own (Xvfb, no window manager, 1920x1200x24), seeing only the
#     DejaVu and Liberation fonts, and is driven with xdotool: the window as
#     it opens, its context menu, the Measurement History dialog (the two
#     stored records), the Timed Observation window before the log on, then
#     Com 1, Log On, Class A, Start Test: the main window with the result and
#     the Timed Observation window following the log on, then after a 30 s
#     observation run from it, and the main window after that. Each window is
#     grabbed by its id with ImageMagick's import.
#
# The Timed Observation window names the simulator's device (/dev/pts/N),
# which the kernel picks per run: when the two runs got different devices the
# table says so beside that image, whose masked count leaves out that line.
#
# Environment: COMPARE_PIXELS_DISPLAY (first X display number, default 87),
# COMPARE_PIXELS_SKIP_WINDOW=1 or COMPARE_PIXELS_SKIP_PDF=1 to leave a part out,
# COMPARE_PIXELS_COMPARE_ONLY=1 to compare again the images already in OUT_DIR.
# Needs Xvfb (xvfb), xdotool, import and compare (imagemagick), pdftoppm
# (poppler-utils); scripts/setup installs them.
#
# Exit status: 0 when every image is the same (a masked image: outside its
# mask, see masks below), 1 when some image differs,
# 2 on a usage error or a step that failed.
set -euo pipefail

usage() {
    echo "Usage: $0 BEFORE_BUILD AFTER_BUILD [OUT_DIR]" >&2
    exit 2
}
case "${1:-}" in -h | --help) sed -n '2,42p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;; esac
if [ $# -lt 2 ] || [ $# -gt 3 ]; then usage; fi

fail() {
    echo "compare_pixels: $*" >&2
    exit 2
}

for tool in Xvfb xdotool import compare pdftoppm; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup installs it)"
done

builds=("$(cd "$1" && pwd)" "$(cd "$2" && pwd)")
sides=(before after)
for build in "${builds[@]}"; do
    for program in iec1000 zento-sim; do
        [ -x "$build/bin/$program" ] || fail "$build/bin/$program is missing; build it first"
    done
done
out=${3:-$(mktemp -d /tmp/compare-pixels.XXXXXX)}
mkdir -p "$out"
out=$(cd "$out" && pwd)
display=${COMPARE_PIXELS_DISPLAY:-87}

# Every program sees the same environment: no user settings, no user store,
# the C locale, UTC, the X platform and only the fonts of the two packages.
cat >"$out/fonts.conf" <<EOF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts/truetype/dejavu</dir>
  <dir>/usr/share/fonts/truetype/liberation</dir>
  <cachedir>$out/fontcache</cachedir>
</fontconfig>
EOF
clean_env=(env -i PATH=/usr/bin:/bin HOME="$out/home" XDG_RUNTIME_DIR="$out/runtime"
    LANG=C.UTF-8 TZ=UTC FONTCONFIG_FILE="$out/fonts.conf")
prepare_home() {
    rm -rf "${out:?}/home" "${out:?}/runtime"
    mkdir -p "$out/home" "$out/runtime"
    chmod 700 "$out/runtime"
}

pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
}
trap cleanup EXIT

# Starts BUILD's simulator with SCENARIO; sets sim_pid and sim_device.
start_simulator() {
    local build=$1 scenario=$2
    coproc SIM { exec "${clean_env[@]}" "$build/bin/zento-sim" --scenario "$scenario" 2>/dev/null; }
    # shellcheck disable=SC2153 # set by coproc
    sim_pid=$SIM_PID
    pids+=("$sim_pid")
    read -r -t 10 sim_device <&"${SIM[0]}" || fail "zento-sim named no device"
    case "$sim_device" in /dev/*) ;; *) fail "zento-sim said '$sim_device'" ;; esac
}
stop_simulator() {
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
}

# --- The inputs, made once by the BEFORE build -------------------------------
make_store() {
    local build=${builds[0]} status
    local store="$out/inputs/records.sqlite"
    rm -rf "$out/inputs"
    mkdir -p "$out/inputs"
    prepare_home
    start_simulator "$build" pass
    status=0
    "${clean_env[@]}" "$build/bin/iec1000" measure --port "$sim_device" --class A --product "Lamp 60W" \
        --serial SN-123 --operator "A. Tester" --notes "pixels before/after" --db "$store" \
        >"$out/inputs/measure.txt" 2>"$out/inputs/measure.err" || status=$?
    stop_simulator
    [ "$status" -le 1 ] || fail "measure ended with $status (see $out/inputs/measure.err)"
    start_simulator "$build" excursion-140
    status=0
    "${clean_env[@]}" "$build/bin/iec1000" observe --port "$sim_device" --class A --duration 30 \
        --product "Lamp 60W" --serial SN-123 --operator "A. Tester" --db "$store" \
        >"$out/inputs/observe.txt" 2>"$out/inputs/observe.err" || status=$?
    stop_simulator
    [ "$status" -le 1 ] || fail "observe ended with $status (see $out/inputs/observe.err)"
    measurement_id=$(sed -n 's/^Record: *\([0-9][0-9]*\).*/\1/p' "$out/inputs/measure.txt" | head -1)
    observation_id=$(sed -n 's/^Record: *\([0-9][0-9]*\).*/\1/p' "$out/inputs/observe.txt" | head -1)
    # A fresh store numbers its records from 1 (older builds print no
    # "Record:" line); the history is kept beside the store to show them.
    measurement_id=${measurement_id:-1}
    observation_id=${observation_id:-2}
    "${clean_env[@]}" "$build/bin/iec1000" history --db "$store" >"$out/inputs/history.txt" 2>&1 || true
}

# Each run gets a fresh copy of the store at the same path.
fresh_store() {
    rm -rf "$out/store"
    mkdir -p "$out/store"
    # With its write-ahead log, should a writer have left one.
    cp "$out/inputs/records.sqlite"* "$out/store/"
    store="$out/store/records.sqlite"
}

# --- The PDF reports ---------------------------------------------------------
render_reports() {
    local side=$1 build=$2 kind id
    mkdir -p "$out/$side"
    for kind in measurement observation; do
        fresh_store
        prepare_home
        if [ "$kind" = measurement ]; then id=$measurement_id; else id=$observation_id; fi
        "${clean_env[@]}" "$build/bin/iec1000" report "$id" --output "$out/$side/$kind.pdf" --db "$store" \
            >/dev/null 2>"$out/$side/$kind-report.err" ||
            fail "$side: report $id failed (see $out/$side/$kind-report.err)"
        pdftoppm -r 100 -png "$out/$side/$kind.pdf" "$out/$side/pdf-$kind"
    done
}

# --- The window --------------------------------------------------------------
# The X display of the current run.
xrun() {
    env DISPLAY=":$x_display" "$@"
}

# Grabs window ID into FILE.png, and three more frames a quarter second
# apart into FILE~1.png to FILE~3.png: a text cursor blinks (a second per
# period), so one of the frames of each side shows it as the other side's
# frame does; the comparison takes the closest pair.
grab() {
    local frame
    xrun import -window "$1" "$2.png"
    for frame in 1 2 3; do
        sleep 0.25
        xrun import -window "$1" "$2~$frame.png"
    done
}

# Waits until window ID has looked the same for three checks a second apart
# (at most LIMIT seconds, default 60), after MIN seconds. A change of at most
# 40 pixels (a blinking text cursor) counts as the same.
settle() {
    local id=$1 min=${2:-0} limit=${3:-60} same=0 waited=0 changed
    local last="$out/settle-last.png" now="$out/settle-now.png"
    sleep "$min"
    xrun import -window "$id" "$last"
    while [ "$waited" -lt "$limit" ]; do
        sleep 1
        waited=$((waited + 1))
        xrun import -window "$id" "$now"
        changed=$(compare -metric AE "$last" "$now" null: 2>&1 || true)
        if [ "$changed" -le 40 ] 2>/dev/null; then
            same=$((same + 1))
            [ "$same" -ge 3 ] && return 0
        else
            same=0
        fi
        mv "$now" "$last"
    done
    echo "compare_pixels: window $id still changing after ${limit}s" >&2
}

# The id of the visible window whose title matches NAME (waits up to 20 s).
window_named() {
    local name=$1 id="" tries=0
    while [ -z "$id" ] && [ "$tries" -lt 40 ]; do
        id=$(xrun xdotool search --onlyvisible --name "$name" 2>/dev/null | head -1 || true)
        [ -n "$id" ] || sleep 0.5
        tries=$((tries + 1))
    done
    [ -n "$id" ] || fail "no window named '$name'"
    echo "$id"
}

# Clicks at X,Y inside window ID with BUTTON (default 1).
click() {
    xrun xdotool mousemove --window "$1" "$2" "$3" sleep 0.2 click "${4:-1}"
    # The pointer leaves the window so that no hover shows in a grab.
    xrun xdotool sleep 0.2 mousemove 1910 1190
}

# Sends keys to window ID (focused first; there is no window manager).
keys() {
    local id=$1
    shift
    xrun xdotool windowfocus --sync "$id" key "$@"
}

run_window() {
    local side=$1 build=$2 main history observation
    local dir="$out/$side"
    mkdir -p "$dir"
    x_display=$((display + $([ "$side" = before ] && echo 0 || echo 1)))
    Xvfb ":$x_display" -screen 0 1920x1200x24 -nolisten tcp >/dev/null 2>&1 &
    local xvfb=$!
    pids+=("$xvfb")
    local tries=0
    until xrun xdotool getmouselocation >/dev/null 2>&1; do
        tries=$((tries + 1))
        [ "$tries" -lt 50 ] || fail "Xvfb :$x_display did not start"
        sleep 0.2
    done
    xrun xdotool mousemove 1910 1190
    fresh_store
    prepare_home
    "${clean_env[@]}" DISPLAY=":$x_display" QT_QPA_PLATFORM=xcb "$build/bin/iec1000" --demo \
        --db "$store" >"$dir/window.out" 2>"$dir/window.err" &
    local tool=$!
    pids+=("$tool")

    main=$(window_named '^Zento IEC1000')
    xrun xdotool windowmove --sync "$main" 0 0 || true
    settle "$main" 1
    grab "$main" "$dir/window-1-opened"

    # The context menu of the background, right of the harmonic table; the
    # grab is of the whole screen, the menu being a window of its own.
    click "$main" 780 300 3
    sleep 1
    xrun import -window root -crop 1200x600+0+0 +repage "$dir/window-2-context-menu.png"
    keys "$main" Escape
    sleep 0.5

    keys "$main" ctrl+h
    history=$(window_named '^Measurement History$')
    settle "$history" 1
    grab "$history" "$dir/window-3-history"
    keys "$history" Escape
    sleep 0.5

    keys "$main" ctrl+t
    observation=$(window_named '^Timed Observation$')
    xrun xdotool windowmove --sync "$observation" 800 0 || true
    settle "$observation" 1
    grab "$observation" "$dir/window-4-observation-not-logged-on"

    # Com 1, Log On, Class A, Start Test (positions inside the window, from
    # the window's layout: the Com 1 option, the Log button, the Class A
    # option and the Run button).
    click "$main" 48 120
    click "$main" 116 180
    settle "$main" 2 60
    click "$main" 48 248
    click "$main" 124 356
    settle "$main" 6 90
    grab "$main" "$dir/window-5-class-a-result"
    settle "$observation" 0
    grab "$observation" "$dir/window-6-observation-logged-on"
    # A 30 s observation in that window: the duration field, then Start,
    # which is at x 200 in a window without the guard band field (older
    # builds) and at x 360 beside it; the other click falls on a label.
    click "$observation" 100 21
    keys "$observation" ctrl+a 3 0 Tab
    click "$observation" 200 21
    click "$observation" 360 21
    settle "$observation" 34 90
    grab "$observation" "$dir/window-7-observation-after-30s"
    settle "$main" 0
    grab "$main" "$dir/window-8-after-observation"
    device=$(sed -n 's/.* on \(\/dev\/[^ ]*\) as Com 1.*/\1/p' "$dir/window.err" | head -1)
    echo "${device:-?}" >"$dir/device"

    kill "$tool" 2>/dev/null || true
    wait "$tool" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
}

# --- The comparison ----------------------------------------------------------
# What differs from run to run of the same build, painted over in both images
# for the masked count: after a 30 s observation the sample times (the time
# chart's plot and its axis figures, and the interval in the sampling
# sentence) follow the machine's load. The sentence is beside a wide verdict
# field since the observation window says why it failed (its first line at
# y 608 to 628), and under the chart before (its figure at x 440 to 475).
# When the two runs got different devices (/dev/pts/N), the line that names
# the device in the Timed Observation window is painted over too.
declare -A masks=(
    [window-7-observation-after-30s]="rectangle 60,415 940,552 rectangle 600,608 960,628 rectangle 440,636 475,656"
)
device_line="rectangle 0,36 480,56"

# The frames of image NAME on SIDE: NAME.png and its extra grabs.
frames() {
    local file
    for file in "$out/$1/$2.png" "$out/$1/$2~"*.png; do
        [ -e "$file" ] && echo "$file"
    done
}

compare_all() {
    local result="$out/results.md" differ=0 name before after ae best best_pair note masked mask
    local size_before size_after frame_before frame_after
    mkdir -p "$out/diff"
    {
        echo "# Pixels: before and after"
        echo
        echo "- before: ${builds[0]}"
        echo "- after: ${builds[1]}"
        echo
        echo "| Image | Size | AE (pixels that differ) | AE masked | Note |"
        echo "|---|---|---|---|---|"
    } >"$result"
    for before in "$out"/before/*.png; do
        [ -e "$before" ] || continue
        name=$(basename "$before" .png)
        case "$name" in *~*) continue ;; esac
        after="$out/after/$name.png"
        note=""
        if [ ! -e "$after" ]; then
            echo "| $name | | missing after | | |" >>"$result"
            differ=1
            continue
        fi
        size_before=$(identify -format '%wx%h' "$before")
        size_after=$(identify -format '%wx%h' "$after")
        if [ "$size_before" != "$size_after" ]; then
            echo "| $name | $size_before / $size_after | sizes differ | | |" >>"$result"
            differ=1
            continue
        fi
        # The closest pair of frames (one pair for a PDF page); compare exits
        # 1 when two images differ and prints AE on standard error.
        best=""
        best_pair=""
        while read -r frame_before; do
            while read -r frame_after; do
                ae=$(compare -metric AE "$frame_before" "$frame_after" null: 2>&1 || true)
                if [ -z "$best" ] || [ "$ae" -lt "$best" ] 2>/dev/null; then
                    best=$ae
                    best_pair="$frame_before $frame_after"
                fi
            done < <(frames after "$name")
        done < <(frames before "$name")
        # shellcheck disable=SC2086 # two file names without blanks
        compare -metric AE $best_pair "$out/diff/$name.png" 2>/dev/null || true
        case "$best_pair" in *~*) note="closest of 4 grabs a side (a blinking text cursor)" ;; esac
        masked=""
        mask=${masks[$name]:-}
        case "$name" in
            window-6-* | window-7-*)
                if [ "$(cat "$out/before/device")" != "$(cat "$out/after/device")" ]; then
                    note="${note:+$note; }devices differ: $(cat "$out/before/device") / $(cat "$out/after/device")"
                    mask="${mask:+$mask }$device_line"
                fi
                ;;
        esac
        if [ -n "$mask" ]; then
            # shellcheck disable=SC2086 # two file names without blanks
            set -- $best_pair
            convert "$1" -fill magenta -draw "$mask" "$out/diff/$name.masked-before.png"
            convert "$2" -fill magenta -draw "$mask" "$out/diff/$name.masked-after.png"
            masked=$(compare -metric AE "$out/diff/$name.masked-before.png" \
                "$out/diff/$name.masked-after.png" "$out/diff/$name.masked.png" 2>&1 || true)
            [ "$masked" = 0 ] || differ=1
        else
            [ "$best" = 0 ] || differ=1
        fi
        echo "| $name | $size_before | $best | ${masked:--} | $note |" >>"$result"
    done
    for after in "$out"/after/*.png; do
        [ -e "$after" ] || continue
        name=$(basename "$after" .png)
        case "$name" in *~*) continue ;; esac
        [ -e "$out/before/$name.png" ] || { echo "| $name | | missing before | | |" >>"$result"; differ=1; }
    done
    cat "$result"
    echo "images and differences: $out" >&2
    return "$differ"
}

if [ "${COMPARE_PIXELS_COMPARE_ONLY:-0}" = 1 ]; then
    compare_all
    exit
fi
rm -rf "$out/before" "$out/after" "$out/diff"
make_store
for index in 0 1; do
    if [ "${COMPARE_PIXELS_SKIP_PDF:-0}" != 1 ]; then
        render_reports "${sides[$index]}" "${builds[$index]}"
    fi
    if [ "${COMPARE_PIXELS_SKIP_WINDOW:-0}" != 1 ]; then
        run_window "${sides[$index]}" "${builds[$index]}"
    fi
done
compare_all
