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
       googletest qt6-base-dev qt6-translations-l10n libqt6core6 librsvg2-bin icoutils
       wixl uuid-runtime)
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

# Each program carries its icon, its version and its manifest, as Explorer reads them.
for exe in "$bin"/pravelot-cli.exe ${sdk:+"$bin"/pravelot.exe}; do
    resources="$($mingw-windres -i "$exe" -O rc)"
    for want in '"IDI_ICON1" 14 /\* RT_GROUP_ICON \*/' "VALUE \"ProductVersion\", \"$version\"" \
        'VALUE "ProductName", L"Pravelot \\x56f3\\x5f62' '1 24 /\* RT_MANIFEST \*/'; do
        grep -q "$want" <<<"$resources" ||
            { echo "windows.sh: $(basename "$exe") lacks the resource $want" >&2; exit 1; }
    done
    wrestool -x --raw -t 24 "$exe" | grep -q '<dpiAwareness[^>]*>PerMonitorV2' ||
        { echo "windows.sh: $(basename "$exe")'s manifest does not make it DPI-aware" >&2; exit 1; }
done
echo "Both programs carry their icon, version $version and manifest"

# --- Pack --------------------------------------------------------------------------
zipfile="$build/$package.zip"
msifile="$build/$package.msi"
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
    # CR LF line ends, so that every Notepad shows them as lines.
    mkdir -p "$stage/licenses"
    crlf() { sed 's/\r\?$/\r/' "$1" >"$2"; }
    crlf /usr/share/common-licenses/LGPL-3 "$stage/licenses/LGPL-3.txt"
    crlf /usr/share/common-licenses/GPL-3 "$stage/licenses/GPL-3.txt"
    crlf /usr/share/doc/libqt6core6/copyright "$stage/licenses/Qt.txt"
    crlf /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright "$stage/licenses/GCC-runtime.txt"
    crlf /usr/share/doc/mingw-w64-common/copyright "$stage/licenses/MinGW-w64.txt"
    # The same bytes from every build of a commit: each file dated at the commit's time
    # (SOURCE_DATE_EPOCH when set), which strip also writes into the programs' and
    # libraries' headers instead of the time of the build.
    epoch="${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 315532800)}"
    export SOURCE_DATE_EPOCH="$epoch"
    # Debugging symbols stay out of the zip.
    $mingw-strip --strip-all "$stage"/*.exe
    $mingw-strip --strip-debug "$stage"/*.dll "$stage"/platforms/*.dll "$stage"/styles/*.dll
    # The README for Windows users: UTF-8 with a byte-order mark and CR LF line ends, so
    # that every Notepad shows it.
    { printf '\xEF\xBB\xBF'; sed "s/@VERSION@/$version/g; s/\$/\r/" \
        "$root/packaging/windows/README.txt"; } >"$stage/README.txt"
    # Every entry in one order, with no owner or extra attributes.
    find "$stage" -exec touch -h -d "@$epoch" {} +
    find "$stage" -type d -exec chmod 755 {} + && find "$stage" -type f -exec chmod 644 {} +
    (cd "$build/package" && find "$package" -type f | LC_ALL=C sort |
        TZ=UTC zip -q -X -9 -D -@ "$zipfile")
    echo "Wrote $zipfile ($(stat -c %s "$zipfile") bytes): $(ls "$stage" | tr '\n' ' ')"

    say "Packing the installer $msifile"
    "$root/packaging/windows/makemsi.sh" "$stage" "$version" "$msifile" >"$build/wixl.log" 2>&1 ||
        { cat "$build/wixl.log" >&2; exit 1; }
    echo "Wrote $msifile ($(stat -c %s "$msifile") bytes)"
fi

[ $test = 1 ] || [ $smoke = 1 ] || [ -n "$screenshot" ] || exit 0

# --- Wine --------------------------------------------------------------------------
export WINEPREFIX="$build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
logs="$build/wine-logs"
rm -rf "$logs" && mkdir -p "$logs"

# Ends every Wine program of the prefix and waits until its server has gone: a session
# of Wine keeps the display it was started with, so each part of this script that needs
# another one starts from none.
stopWine() { "$wineserver" -k >/dev/null 2>&1 || true; "$wineserver" -w >/dev/null 2>&1 || true; }

# Starts a session that lasts until stopWine: a server that stays when its last program
# ends, and Wine's own services started now (started by a test, they would hold its output
# open and ctest would wait). What Wine says goes to $logs/NAME.log, shown when it fails.
startWine() {
    local log="$logs/$1.log"
    stopWine
    if ! "$wineserver" -p >"$log" 2>&1 || ! "$wine" wineboot </dev/null >>"$log" 2>&1; then
        echo "windows.sh: Wine did not start ($1); what it said:" >&2
        cat "$log" >&2
        exit 1
    fi
}
trap stopWine EXIT
# The desktop part below sets its own display.
unset DISPLAY

if [ ! -f "$WINEPREFIX/.pravelot-ready" ]; then
    say "Making a Wine prefix in $WINEPREFIX"
    # Wine's first start can fail for passing reasons: once more from scratch, and what
    # Wine said both times when that fails as well.
    for attempt in 1 2; do
        stopWine
        rm -rf "$WINEPREFIX"
        if "$wine" wineboot -i </dev/null >"$logs/wineboot-$attempt.log" 2>&1 &&
            "$wineserver" -w && [ -d "$WINEPREFIX/drive_c/windows/system32" ]; then
            break
        fi
        if [ $attempt = 2 ]; then
            for log in "$logs"/wineboot-*.log; do
                echo "Wine could not make its prefix ($(basename "$log" .log)):" >&2
                cat "$log" >&2
            done
            exit 1
        fi
    done
    # The desktop and documents folders of the prefix are its own, not $HOME; window
    # captions in a Japanese face.
    for f in Desktop Documents; do
        folder="$WINEPREFIX/drive_c/users/$(id -un)/$f"
        rm -rf "$folder" && mkdir -p "$folder"
    done
    "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Tahoma /d IPAGothic /f \
        >"$logs/reg.log" 2>&1 || { cat "$logs/reg.log" >&2; exit 1; }
    # Wine's Marlett, which draws the caption buttons, where Wine looks for fonts.
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    stopWine
    touch "$WINEPREFIX/.pravelot-ready"
fi

# Fails when a program under Wine crashed: Wine's debugger can end a program that crashed
# as one of its threads ended with status 0, after its work was done. noCrash LOG
noCrash() {
    if grep -q 'Unhandled exception' "$1" 2>/dev/null; then
        echo "windows.sh: a program crashed under Wine ($1):" >&2
        grep -B2 -A30 'Unhandled exception' "$1" | head -60 >&2
        exit 1
    fi
}

# A Linux path as Windows sees it under Wine (drive Z: is /).
winpath() { local p="${1//\//\\}"; printf 'Z:%s' "$p"; }

# --- Tests under Wine --------------------------------------------------------------
if [ $test = 1 ]; then
    say "The core and command-line tests under Wine"
    # Without a display: nothing here opens a window.
    startWine console
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

    say "Japanese on a console under Wine"
    # script gives the program a terminal, which Wine makes its console: the help goes to
    # standard output and a check's finding to standard error, both as wide characters.
    console="$build/compare/console.txt"
    env -u LC_ALL LANG=C.UTF-8 LC_MESSAGES=ja_JP.UTF-8 script -qec \
        "$wine '$(winpath "$bin/pravelot-cli.exe")' --help; $wine '$(winpath "$bin/pravelot-cli.exe")' convert 'C:\\無い.jws'${sdk:+; $wine '$(winpath "$bin/pravelot.exe")' --help}" \
        /dev/null </dev/null >"$console" 2>&1 || true
    if ! grep -q '使い方:' "$console" || ! grep -q '無い.jws -- ファイルが存在しません' "$console" ||
        { [ -n "$sdk" ] && ! grep -q '使い方: pravelot \[ファイル' "$console"; }; then
        echo "windows.sh: Japanese on the console came out as:" >&2
        cat -v "$console" | head -20 >&2
        exit 1
    fi
    echo "The help of both programs and a check's finding read as Japanese on a console"

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
            "${winfiles[@]}" >"$out/windows.log" 2>"$out/windows-errors.log" ||
            { cat "$out/windows-errors.log" >&2; exit 1; }
        noCrash "$out/windows-errors.log"
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

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$logs/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; stopWine' EXIT
export DISPLAY="$display"
waitFor() { for _ in $(seq 300); do eval "$1" && return 0; sleep 0.2; done; return 1; }
waitFor 'xwininfo -root >/dev/null 2>&1' || { echo "windows.sh: Xvfb did not start:" >&2;
    cat "$logs/xvfb.log" >&2; exit 1; }
# A session of Wine on this display: one started without it (the tests above) would show
# no window.
startWine desktop

# The X window of a top-level window with exactly this caption when it is shown; nothing
# otherwise.
shown() {
    local id
    id="$(xwininfo -root -tree | grep -F "\"$1\": (" | awk '{print $1}' | head -1 || true)"
    [ -n "$id" ] && xwininfo -id "$id" | grep -q IsViewable && echo "$id"
}
# The same, waiting until it is shown.
window() {
    local id
    for _ in $(seq 300); do
        id="$(shown "$1")" && { echo "$id"; return 0; }
        sleep 0.2
    done
    echo "windows.sh: no window \"$1\" appeared" >&2
    return 1
}
# Presses keys in a window until what they do is seen: press WINDOW CONDITION KEY...
# Keys pressed before Wine has taken the focus are lost, so they are pressed again (at
# most five times) while the condition does not hold.
press() {
    local id="$1" condition="$2"
    shift 2
    for _ in 1 2 3 4 5; do
        xdotool windowactivate --sync "$id" >/dev/null 2>&1 || xdotool windowfocus --sync "$id"
        xdotool key --delay 100 "$@"
        for _ in $(seq 100); do eval "$condition" && return 0; sleep 0.2; done
    done
    echo "windows.sh: pressing $* did nothing that was awaited ($condition)" >&2
    return 1
}

# Two figure files with Japanese names and a space, as a user has them.
work="$build/smoke"
rm -rf "$work" && mkdir -p "$work/部品"
mapfile -d '' two < <(find "$root/../shared/samples" -type f -iname '*.jws' -print0 2>/dev/null |
    sort -z | head -z -n 2)
if [ ${#two[@]} -lt 2 ]; then
    echo "windows.sh: the smoke test needs two .jws files from ../shared/samples" >&2
    exit 1
fi
cp "${two[0]}" "$work/部品/階段 01.jws"
cp "${two[1]}" "$work/部品/手すり-A.JWS"
mkdir -p "$work/linux"
"$linux/bin/pravelot-cli" convert -o "$work/linux" "$work/部品/階段 01.jws" \
    "$work/部品/手すり-A.JWS" >"$logs/linux-smoke.log" 2>&1
caption="Pravelot 図形ブロック化 Ver.1.10"
user_dir="$WINEPREFIX/drive_c/users/$(id -un)"
desktop="$user_dir/Desktop"

# Starts PROGRAM/pravelot.exe with the two files on its command line, converts them onto
# the desktop with 変換(&R), compares them with the Linux build's outputs and closes the
# window with 閉じる(&X); then its settings file must be SETTINGS and its empty work
# folder WORK must be gone.
smokeTest() {
    local prog="$1" settings="$2" work_folder="$3" app main
    rm -rf "${desktop:?}"/*
    "$wine" "$(winpath "$prog/pravelot.exe")" "$(winpath "$work/部品/階段 01.jws")" \
        "$work/部品/手すり-A.JWS" >"$logs/pravelot.log" 2>&1 &
    app=$!
    main="$(window "$caption")"
    echo "The window \"$caption\" is shown"
    [ -d "$work_folder" ] || { echo "windows.sh: no work folder $work_folder" >&2; exit 1; }
    # 変換(&R), then "yes" in the confirmation box; the outputs go to the desktop.
    press "$main" 'shown "Pravelot 図形ブロック化" >/dev/null' alt+r
    press "$(window "Pravelot 図形ブロック化")" \
        '[ -f "$desktop/階段 01.jws" ] && [ -f "$desktop/手すり-A.jws" ]' Return
    cmp "$desktop/階段 01.jws" "$work/linux/階段 01.jws"
    cmp "$desktop/手すり-A.jws" "$work/linux/手すり-A.jws"
    echo "Both listed files converted onto the desktop, the same bytes as on Linux"
    # The run wrote the settings file; closing writes it again.
    rm -f "$settings"
    press "$main" '! kill -0 $app 2>/dev/null' alt+s alt+x
    wait "$app" || true
    noCrash "$logs/pravelot.log"
    [ -f "$settings" ] || { echo "windows.sh: no settings file $settings" >&2; exit 1; }
    [ ! -e "$work_folder" ] || { echo "windows.sh: the empty $work_folder was not removed" >&2; exit 1; }
    echo "Closed with 閉じる(&X): $(basename "$settings") written, the empty work folder removed"
}

# Every file and folder of the user's profile, and the registry keys the installer may
# touch, as text to compare before and after.
profileState() {
    (cd "$user_dir" && find . -path ./Desktop -prune -o -print | LC_ALL=C sort)
    for key in 'HKCU\Software\Classes\.jws' 'HKCU\Software\Classes\.jwk' \
        'HKCU\Software\Classes\Pravelot.Figure' 'HKCU\Software\Classes\Applications\pravelot.exe' \
        'HKCU\Software\Pravelot'; do
        echo "[$key]"
        "$wine" reg query "$key" /s 2>/dev/null | tr -d '\r' | grep -v '^$' || true
    done
}

# Installs the .msi silently, checks what it made, converts with the installed programs,
# uninstalls and checks that everything it made is gone. The CAD program's own
# association of .jws files stands before, during and after.
msiTest() {
    local installed="$user_dir/AppData/Local/Programs/Pravelot" out="$work/installed"
    local start_menu="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
    local send_to="$user_dir/AppData/Roaming/Microsoft/Windows/SendTo"
    # What an earlier run that stopped half-way left installed goes first.
    "$wine" msiexec /x "$(winpath "$msifile")" /qn >/dev/null 2>&1 || true
    rm -rf "$installed"
    # Wine's profile starts with an empty Programs folder, which the uninstaller removes
    # as one that it made.
    rmdir "$user_dir/AppData/Local/Programs" 2>/dev/null || true
    # Wine's profile also starts with an empty Send to folder, which the uninstaller would
    # remove likewise; a Windows profile's holds the system's own entries.
    mkdir -p "$send_to" && : >"$send_to/Desktop (create shortcut).DeskLink"
    "$wine" reg add 'HKCU\Software\Classes\.jws' /ve /d JwCad.Figure /f >/dev/null 2>&1
    profileState >"$logs/before-install.txt"
    "$wine" msiexec /i "$(winpath "$msifile")" /qn /l*v "$(winpath "$logs/msi-install.log")" ||
        { echo "windows.sh: msiexec /i failed" >&2; tr -d '\r' <"$logs/msi-install.log" | tail -40 >&2; exit 1; }
    diff -r "$build/package/$package" "$installed" >/dev/null ||
        { echo "windows.sh: the installed files differ from the zip's" >&2; exit 1; }
    [ -f "$start_menu/Pravelot.lnk" ] ||
        { echo "windows.sh: no Start menu entry" >&2; exit 1; }
    [ -f "$send_to/Pravelot.lnk" ] || { echo "windows.sh: no Send to entry" >&2; exit 1; }
    "$wine" reg query 'HKCU\Software\Classes\.jws\OpenWithProgids' /v Pravelot.Figure >/dev/null 2>&1 &&
        "$wine" reg query 'HKCU\Software\Classes\.jwk\OpenWithProgids' /v Pravelot.Figure >/dev/null 2>&1 ||
        { echo "windows.sh: .jws and .jwk files do not offer Pravelot in Open with" >&2; exit 1; }
    "$wine" reg query 'HKCU\Software\Classes\.jws' /ve 2>/dev/null | grep -q JwCad.Figure ||
        { echo "windows.sh: the installer took over the .jws association" >&2; exit 1; }
    echo "Installed: the programs, a Start menu and a Send to entry, Open with for .jws and .jwk"
    rm -rf "$out" && mkdir -p "$out"
    "$wine" "$(winpath "$installed/pravelot-cli.exe")" convert -o "$(winpath "$out")" \
        "$(winpath "$work/部品/階段 01.jws")" >"$logs/installed-cli.log" 2>&1
    noCrash "$logs/installed-cli.log"
    cmp "$out/階段 01.jws" "$work/linux/階段 01.jws"
    echo "The installed pravelot-cli.exe converts to the same bytes as on Linux"
    # An installed program keeps its settings in the user's application data.
    smokeTest "$installed" "$user_dir/AppData/Roaming/pravelot/pravelot.dat" \
        "$user_dir/AppData/Local/pravelot/TEMP"
    "$wine" msiexec /x "$(winpath "$msifile")" /qn /l*v "$(winpath "$logs/msi-remove.log")" ||
        { echo "windows.sh: msiexec /x failed" >&2; tr -d '\r' <"$logs/msi-remove.log" | tail -40 >&2; exit 1; }
    # What the program itself wrote (its settings) is the user's, not the installer's.
    rm -rf "$user_dir/AppData/Roaming/pravelot"
    profileState >"$logs/after-remove.txt"
    if ! diff "$logs/before-install.txt" "$logs/after-remove.txt" >"$logs/left-behind.txt"; then
        echo "windows.sh: uninstalling left this behind (> after, < before):" >&2
        cat "$logs/left-behind.txt" >&2
        exit 1
    fi
    echo "Uninstalled: every file, folder, shortcut and registry value the installer made is gone"
}

if [ $smoke = 1 ]; then
    say "pravelot.exe from the zip under Wine on display $display"
    rm -rf "$work/zip" && unzip -q "$zipfile" -d "$work/zip"
    prog="$work/zip/$package"
    smokeTest "$prog" "$prog/pravelot.dat" "$prog/TEMP"

    say "The installer under Wine"
    msiTest
fi

if [ -n "$screenshot" ]; then
    say "A picture of the window under Wine"
    # The program and five parts on drive C:, as a user has them.
    c="$WINEPREFIX/drive_c"
    rm -rf "$c/Pravelot" "$c/図面"
    cp -r "$build/package/$package" "$c/Pravelot"
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
    # picture shows it (many colours) and has stopped changing (the last paint is done).
    mkdir -p "$(dirname "$screenshot")"
    last=""
    picture() {
        xwd -id "$desktop_id" -silent | xwdtopnm 2>/dev/null |
            pnmcut -left 44 -top 48 -width 492 -height 490 >"$work/window.ppm"
        local sum
        sum="$(md5sum <"$work/window.ppm")"
        [ "$(ppmhist -noheader "$work/window.ppm" | wc -l)" -gt 20 ] && [ "$sum" = "$last" ] &&
            return 0
        last="$sum"
        return 1
    }
    waitFor picture || { echo "windows.sh: the window did not appear" >&2; exit 1; }
    pnmtopng <"$work/window.ppm" >"$screenshot"
    kill $shot 2>/dev/null || true
    echo "Wrote $screenshot"
fi
