#!/usr/bin/env bash
# Builds Pravelot for Windows x64 on Debian (MinGW-w64, Qt for Windows from
# ../shared/toolchains) and packs build-win/pravelot-<version>-win64.zip: pravelot.exe,
# pravelot-cli.exe, every DLL they need and a short Japanese README.txt.
#
# Usage: scripts/windows.sh [--test] [--smoke] [--screenshot FILE] [--no-zip]
#   --test             run the core and command-line tests under Wine, convert the shared
#                      samples with pravelot-cli.exe and compare the outputs byte for byte
#                      with the Linux build's, and compare the text services' tables
#   --smoke            start pravelot.exe from the unpacked zip under Wine on a virtual X
#                      display with two files on its command line, convert them, close it
#                      with 閉じる(&X), and check its outputs and its settings file
#   --screenshot FILE  take a picture of the window under Wine (as in the README)
#   --no-zip           build only
#
# Environment:
#   PRAVELOT_QT_SDK       Qt for Windows: an unpacked SDK folder or its .tar.xz (default:
#                         ../shared/toolchains/qt6.4.2-mingw64.tar.xz)
#   PRAVELOT_WIN_BUILD    the Windows build folder (default: build-win)
#   PRAVELOT_LINUX_BUILD  the Linux build to compare with (default: build; made if missing)
#   PRAVELOT_DISPLAY      the X display for --smoke and --screenshot (default: :93)
#   PRAVELOT_CMAKE_ARGS   more arguments for configuring the Windows build
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

test=0 smoke=0 zip=1 screenshot=""
while [ $# -gt 0 ]; do
    case "$1" in
    --test) test=1 ;;
    --smoke) smoke=1 ;;
    --no-zip) zip=0 ;;
    --screenshot)
        [ $# -ge 2 ] || { echo "windows.sh: --screenshot needs a file" >&2; exit 2; }
        screenshot="$(realpath -m "$2")"
        shift
        ;;
    -h | --help) sed -n '2,22p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "windows.sh: unknown argument $1 (see --help)" >&2; exit 2 ;;
    esac
    shift
done

say() { printf '\n== %s\n' "$*"; }
build="$(realpath -m "${PRAVELOT_WIN_BUILD:-build-win}")"
linux="$(realpath -m "${PRAVELOT_LINUX_BUILD:-build}")"
display="${PRAVELOT_DISPLAY:-:93}"
mingw=x86_64-w64-mingw32

# --- Tools -------------------------------------------------------------------------
# Qt's host tools (moc, rcc, uic) come from Debian's qt6-base-dev; googletest is built from
# its source for the tests.
extra=(mingw-w64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix ninja-build zip
       googletest qt6-base-dev qt6-translations-l10n libqt6core6)
[ $test = 1 ] || [ $smoke = 1 ] || [ -n "$screenshot" ] && extra+=(wine64 fonts-wine)
[ $smoke = 1 ] || [ -n "$screenshot" ] &&
    extra+=(xvfb x11-utils xdotool netpbm fonts-ipafont-gothic unzip)
scripts/deps.sh "${extra[@]}"

# --- Qt for Windows ----------------------------------------------------------------
sdk_source="${PRAVELOT_QT_SDK:-$root/../shared/toolchains/qt6.4.2-mingw64.tar.xz}"
sdk=""
if [ -d "$sdk_source" ] && [ -d "$sdk_source/lib/cmake/Qt6" ]; then
    sdk="$(realpath "$sdk_source")"
elif [ -f "$sdk_source" ]; then
    # Unpacked once into the build folder, again when the archive changes.
    sdk="$build/sdk/qt6-mingw"
    stamp="$build/sdk/.unpacked-$(stat -c '%s-%Y' "$sdk_source")"
    if [ ! -f "$stamp" ]; then
        say "Unpacking Qt for Windows from $sdk_source"
        rm -rf "$build/sdk" && mkdir -p "$build/sdk"
        tar -xJf "$sdk_source" -C "$build/sdk"
        touch "$stamp"
    fi
fi
if [ -z "$sdk" ]; then
    cat >&2 <<EOF

windows.sh: no Qt for Windows was found, so the desktop program pravelot.exe and the zip
cannot be built (Debian has no Qt for MinGW). Looked at: $sdk_source
To get one, either
  - put the project's shared folder beside the repository (../shared/toolchains holds
    qt6.4.2-mingw64.tar.xz), or
  - set PRAVELOT_QT_SDK to an unpacked Qt 6 for MinGW-w64 or its .tar.xz; the shared
    folder's toolchains/build-qt6-mingw.sh rebuilds it from Debian's qt6-base source
    (about 50 minutes on two cores).
EOF
    if [ $test = 0 ]; then
        exit 1
    fi
    echo "windows.sh: going on without the desktop program: the core, the command line and" \
         "their tests only." >&2
fi

# --- Build -------------------------------------------------------------------------
say "Building for Windows in $build"
gui=OFF
[ -n "$sdk" ] && gui=ON
# shellcheck disable=SC2086
cmake -G Ninja -S "$root" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DPRAVELOT_GUI=$gui \
    ${sdk:+-DCMAKE_PREFIX_PATH="$sdk" -DQT_HOST_PATH=/usr} \
    ${PRAVELOT_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j"$(nproc)"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
package="pravelot-$version-win64"
bin="$build/bin"

# --- Pack --------------------------------------------------------------------------
zipfile="$build/$package.zip"
if [ "$gui" = ON ] && [ $zip = 1 ]; then
    say "Packing $zipfile"
    stage="$build/package/$package"
    rm -rf "$build/package" "$zipfile"
    mkdir -p "$stage"
    cp "$bin/pravelot.exe" "$bin/pravelot-cli.exe" "$bin/qt.conf" "$stage/"
    cp -r "$bin/platforms" "$bin/styles" "$bin/translations" "$stage/"
    # What the programs and plugins import, found among Qt's and MinGW's DLLs, again for
    # what those import: the rest are Windows' own DLLs.
    search=("$sdk/bin" "$(dirname "$($mingw-g++-posix -print-file-name=libstdc++-6.dll)")"
            "$(dirname "$(realpath "$($mingw-g++-posix -print-file-name=libwinpthread-1.dll)")")")
    todo=("$stage"/*.exe "$stage"/platforms/*.dll "$stage"/styles/*.dll)
    while [ ${#todo[@]} -gt 0 ]; do
        file="${todo[0]}"
        todo=("${todo[@]:1}")
        for dll in $($mingw-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
            [ -e "$stage/$dll" ] && continue
            for dir in "${search[@]}"; do
                if [ -f "$dir/$dll" ]; then
                    cp "$dir/$dll" "$stage/"
                    todo+=("$stage/$dll")
                    break
                fi
            done
        done
    done
    # The licences of what ships beside the program: Qt (LGPL 3, which builds on the GPL 3),
    # the MinGW runtime (GCC's runtime exception; winpthreads' own terms).
    mkdir -p "$stage/licenses"
    cp /usr/share/common-licenses/LGPL-3 "$stage/licenses/LGPL-3.txt"
    cp /usr/share/common-licenses/GPL-3 "$stage/licenses/GPL-3.txt"
    cp /usr/share/doc/libqt6core6/copyright "$stage/licenses/Qt.txt"
    cp /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright "$stage/licenses/GCC-runtime.txt"
    cp /usr/share/doc/mingw-w64-common/copyright "$stage/licenses/MinGW-w64.txt"
    # Debugging symbols stay out of the zip.
    $mingw-strip --strip-all "$stage"/*.exe
    $mingw-strip --strip-debug "$stage"/*.dll "$stage"/platforms/*.dll "$stage"/styles/*.dll
    # The README for Windows users: UTF-8 with a byte-order mark and CR LF line ends, so
    # that every Notepad shows it.
    { printf '\xEF\xBB\xBF'; sed "s/@VERSION@/$version/g; s/\$/\r/" \
        "$root/packaging/windows/README.txt"; } >"$stage/README.txt"
    (cd "$build/package" && zip -q -r -9 "$zipfile" "$package")
    echo "Wrote $zipfile ($(stat -c %s "$zipfile") bytes): $(ls "$stage" | tr '\n' ' ')"
fi

[ $test = 1 ] || [ $smoke = 1 ] || [ -n "$screenshot" ] || exit 0

# --- Wine --------------------------------------------------------------------------
export WINEPREFIX="$build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
if [ ! -f "$WINEPREFIX/.pravelot-ready" ]; then
    say "Making a Wine prefix in $WINEPREFIX"
    # Wine's first start can fail for passing reasons (a server of an earlier run still
    # going down): once more from scratch, and what Wine said when that fails as well.
    for attempt in 1 2; do
        rm -rf "$WINEPREFIX"
        if "$wine" wineboot -i </dev/null >"$build/wineboot.log" 2>&1 && /usr/lib/wine/wineserver -w \
            && [ -d "$WINEPREFIX/drive_c/windows/system32" ]; then
            break
        fi
        /usr/lib/wine/wineserver -k 2>/dev/null || true
        if [ $attempt = 2 ]; then
            echo "Wine could not make its prefix:" >&2
            cat "$build/wineboot.log" >&2
            exit 1
        fi
        sleep 2
    done
    # The desktop and documents folders of the prefix are its own, not $HOME; window
    # captions in a Japanese face.
    for f in Desktop Documents; do
        folder="$WINEPREFIX/drive_c/users/$(id -un)/$f"
        rm -rf "$folder" && mkdir -p "$folder"
    done
    "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Tahoma /d IPAGothic /f >/dev/null
    # Wine's Marlett, which draws the caption buttons, where Wine looks for fonts.
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    touch "$WINEPREFIX/.pravelot-ready"
fi
# One server for all the programs to come (it may run already), and Wine's own services
# started now: started by a test, they would hold its output open and ctest would wait.
/usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1 || true
"$wine" wineboot </dev/null >/dev/null 2>&1 || true
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT

# A Linux path as Windows sees it under Wine (drive Z: is /).
winpath() { local p="${1//\//\\}"; printf 'Z:%s' "$p"; }

# --- Tests under Wine --------------------------------------------------------------
if [ $test = 1 ]; then
    say "The core and command-line tests under Wine"
    ctest --test-dir "$build" --output-on-failure --timeout 900 -j"$(nproc)"

    say "The Linux build to compare with ($linux)"
    if [ ! -x "$linux/bin/pravelot-cli" ] || [ ! -x "$linux/bin/pravelot_texttable" ]; then
        cmake -S "$root" -B "$linux" >/dev/null
        cmake --build "$linux" -j"$(nproc)" --target pravelot-cli pravelot_texttable
    fi

    say "Code page 932 and case mapping: ICU on Linux against the Windows API"
    tables="$build/compare/tables"
    mkdir -p "$tables"
    "$linux/bin/pravelot_texttable" >"$tables/linux.txt"
    "$wine" "$bin/pravelot_texttable.exe" >"$tables/windows.txt"
    if ! diff "$tables/linux.txt" "$tables/windows.txt" >"$tables/differences.txt"; then
        echo "The systems answer differently for these characters (< Linux, > Windows):"
        head -40 "$tables/differences.txt"
        exit 1
    fi
    echo "$(wc -l <"$tables/linux.txt") answers, all the same"

    samples="$root/../shared/samples"
    if [ -d "$samples" ]; then
        say "The shared samples converted on Linux and under Wine"
        out="$build/compare/samples"
        rm -rf "$out" && mkdir -p "$out/linux" "$out/windows"
        mapfile -d '' files < <(find "$samples" -type f -iname '*.jws' -print0 | sort -z)
        winfiles=()
        for f in "${files[@]}"; do winfiles+=("$(winpath "$(realpath "$f")")"); done
        # One block name for all: some samples already hold a block named like the file.
        "$linux/bin/pravelot-cli" convert -n 部品ブロック -o "$out/linux" "${files[@]}" \
            >"$out/linux.log"
        "$wine" "$bin/pravelot-cli.exe" convert -n 部品ブロック -o "$(winpath "$out/windows")" \
            "${winfiles[@]}" >"$out/windows.log"
        if ! diff -r "$out/linux" "$out/windows"; then
            echo "The outputs differ (see $out)" >&2
            exit 1
        fi
        echo "${#files[@]} samples, $(ls "$out/windows" | wc -l) outputs, the same bytes"
    else
        echo "No shared samples at $samples: the comparison is skipped."
    fi
fi

# --- The desktop program under Wine on a virtual display ---------------------------
if [ $smoke = 0 ] && [ -z "$screenshot" ]; then
    exit 0
fi
if [ "$gui" != ON ] || [ $zip = 0 ]; then
    say "The desktop program is skipped: there is no pravelot.exe zip without Qt for Windows"
    exit 0
fi

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
export DISPLAY="$display"
for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done

# The X window of a top-level window with exactly this caption, once it is shown.
window() {
    local id
    for _ in $(seq 300); do
        id="$(xwininfo -root -tree | grep -F "\"$1\": (" | awk '{print $1}' | head -1 || true)"
        if [ -n "$id" ] && xwininfo -id "$id" | grep -q IsViewable; then
            echo "$id"
            return 0
        fi
        sleep 0.2
    done
    echo "windows.sh: no window \"$1\" appeared" >&2
    return 1
}
keys() { xdotool windowfocus --sync "$1" && sleep 0.3 && xdotool key --delay 100 "${@:2}"; }
waitFor() { for _ in $(seq 300); do eval "$1" && return 0; sleep 0.2; done; return 1; }

# A fresh copy of the zip, as a user unpacks it, and two figure files with Japanese names.
work="$build/smoke"
rm -rf "$work" && mkdir -p "$work/部品"
unzip -q "$zipfile" -d "$work"
prog="$work/$package"
mapfile -d '' two < <(find "$root/../shared/samples" -type f -iname '*.jws' -print0 2>/dev/null |
    sort -z | head -z -n 2)
if [ ${#two[@]} -lt 2 ]; then
    # Without the samples, two figure files of the Linux build's tests stand in.
    echo "windows.sh: the smoke test needs two .jws files from ../shared/samples" >&2
    exit 1
fi
cp "${two[0]}" "$work/部品/階段 01.jws"
cp "${two[1]}" "$work/部品/手すり-A.JWS"
caption="Pravelot 図形ブロック化 Ver.1.10"

if [ $smoke = 1 ]; then
    say "pravelot.exe under Wine on display $display"
    desktop="$WINEPREFIX/drive_c/users/$(id -un)/Desktop"
    rm -rf "${desktop:?}"/*
    "$wine" "$(winpath "$prog/pravelot.exe")" "$(winpath "$work/部品/階段 01.jws")" \
        "$work/部品/手すり-A.JWS" >"$work/pravelot.log" 2>&1 &
    app=$!
    main="$(window "$caption")"
    echo "The window \"$caption\" is shown"
    [ -d "$prog/TEMP" ] || { echo "windows.sh: no work folder TEMP beside pravelot.exe" >&2; exit 1; }
    # 変換(&R), then "yes" in the confirmation box; the outputs go to the desktop.
    keys "$main" alt+r
    keys "$(window "Pravelot 図形ブロック化")" Return
    waitFor '[ -f "$desktop/階段 01.jws" ] && [ -f "$desktop/手すり-A.jws" ]' ||
        { echo "windows.sh: the two outputs did not appear on the desktop" >&2; exit 1; }
    sleep 1
    mkdir -p "$work/linux"
    "$linux/bin/pravelot-cli" convert -o "$work/linux" "$work/部品/階段 01.jws" \
        "$work/部品/手すり-A.JWS" >/dev/null
    cmp "$desktop/階段 01.jws" "$work/linux/階段 01.jws"
    cmp "$desktop/手すり-A.jws" "$work/linux/手すり-A.jws"
    echo "Both listed files converted onto the desktop, the same bytes as on Linux"
    # The run wrote the settings file; closing writes it again.
    rm -f "$prog/pravelot.dat"
    keys "$main" alt+s alt+x
    waitFor '! kill -0 $app 2>/dev/null' || { echo "windows.sh: 閉じる(&X) did not close" >&2; exit 1; }
    [ -f "$prog/pravelot.dat" ] || { echo "windows.sh: no settings file beside pravelot.exe" >&2; exit 1; }
    [ ! -e "$prog/TEMP" ] || { echo "windows.sh: the empty TEMP was not removed" >&2; exit 1; }
    echo "Closed with 閉じる(&X): pravelot.dat written beside pravelot.exe, TEMP removed"
fi

if [ -n "$screenshot" ]; then
    say "A picture of the window under Wine"
    # The program and five parts on drive C:, as a user has them.
    c="$WINEPREFIX/drive_c"
    rm -rf "$c/Pravelot" "$c/図面"
    cp -r "$prog" "$c/Pravelot"
    rm -f "$c/Pravelot/pravelot.dat"
    mkdir -p "$c/図面/部品"
    parts=()
    for name in "階段 01.jws" "階段 02.jws" "手すり-A.jws" "足場板.JWS" "旧図面.jwk"; do
        : >"$c/図面/部品/$name"
        parts+=("C:\\図面\\部品\\$name")
    done
    # Wine's own desktop draws the window's frame and caption.
    "$wine" explorer /desktop=pravelot,560x560 'C:\Pravelot\pravelot.exe' "${parts[@]}" \
        >/dev/null 2>&1 &
    shot=$!
    desktop_id="$(window "pravelot - Wine desktop")"
    # The window lies inside Wine's desktop, out of xwininfo's sight: wait until the
    # picture shows it (many colours), then a little longer for the last paint.
    mkdir -p "$(dirname "$screenshot")"
    picture() {
        xwd -id "$desktop_id" -silent | xwdtopnm 2>/dev/null |
            pnmcut -left 44 -top 48 -width 492 -height 490 >"$work/window.ppm"
        [ "$(ppmhist -noheader "$work/window.ppm" | wc -l)" -gt 20 ]
    }
    waitFor picture || { echo "windows.sh: the window did not appear" >&2; exit 1; }
    sleep 3
    picture
    pnmtopng <"$work/window.ppm" >"$screenshot"
    kill $shot 2>/dev/null || true
    echo "Wrote $screenshot"
fi
