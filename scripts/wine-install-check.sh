#!/usr/bin/env bash
# The Windows installer under Wine: a silent install into a folder with spaces and
# Romanian letters, the installed program filling its history from a loopback bank,
# its figures against the Linux build's for the same history, a silent uninstall that
# leaves the history. Run by wine-test.sh, in the build's Wine prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(cd "${1:-$root/build-win}" && pwd)
linux="$root/build/bin/zorvel"
export PATH="$PATH:/usr/lib/wine"
export WINEPREFIX="$out/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" QT_QPA_PLATFORM=offscreen
setup=$(ls "$out"/zorvel-setup-*.exe)
folder='C:\Program Files\Zorvel Încercare'
unix_folder=$(wine64 winepath -u "$folder" 2>/dev/null)
work=$(mktemp -d)
bank_pid=""
trap '[ -n "$bank_pid" ] && kill "$bank_pid" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAILED  installer: $*"; exit 1; }
# Waits, within a bound, until a test on the files holds: the installer and the uninstaller return before
# they are done, and wineserver -w would also wait for the prefix's own services, which a prefix whose
# suites just ran keeps alive.
wait_until() {
    for _ in $(seq 1 180); do
        if eval "$1"; then sleep 3; return 0; fi
        sleep 1
    done
    return 1
}

# An earlier version's layout in the same folder: its program files in bin\ go, a history a user kept there stays.
mkdir -p "$unix_folder/bin/platforms"
for f in zorvel.exe zorvel-access.exe Qt6Core.dll platforms/qwindows.dll; do echo earlier > "$unix_folder/bin/$f"; done
echo "a user's own" > "$unix_folder/bin/valuta.mdb"

# /D= must come last and unquoted, as IT departments type it: through cmd, which passes it as typed.
cp "$setup" "$WINEPREFIX/drive_c/zorvel-setup.exe"
wine64 cmd.exe /c "C:\zorvel-setup.exe /S /D=$folder"
wait_until '[ -f "$unix_folder/uninstall.exe" ]' || fail "the installer did not end within three minutes"
rm -f "$WINEPREFIX/drive_c/zorvel-setup.exe"
[ -f "$unix_folder/zorvel.exe" ] || fail "no zorvel.exe at the root of $folder"
[ -f "$unix_folder/valuta.mdb" ] || fail "no shipped history beside the program"
[ -f "$unix_folder/zv.xls" ] || fail "no zv.xls beside the program"
[ -f "$unix_folder/zorvel-access.exe" ] || fail "no Access reader beside the program"
[ -d "$unix_folder/platforms" ] || fail "no Qt plugins beside the program"
[ ! -e "$unix_folder/bin/zorvel.exe" ] && [ ! -e "$unix_folder/bin/Qt6Core.dll" ] && [ ! -e "$unix_folder/bin/platforms" ] ||
    fail "the earlier version's program files are still in bin"
[ "$(cat "$unix_folder/bin/valuta.mdb")" = "a user's own" ] || fail "a history kept in bin was touched"
rm -rf "$unix_folder/bin"
start_menu=$(wine64 winepath -u 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Zorvel.lnk' 2>/dev/null)
[ -f "$start_menu" ] || fail "no Start-menu entry"

# The bank's files from a loopback server, its single days missing as on a weekend.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
python3 "$root/scripts/feedserver.py" --folder "$root/../shared/data/bnr" --port "$port" --single-days 404 \
    > "$work/bank.log" 2>&1 &
bank_pid=$!
sleep 1
export ZORVEL_FEED_URL="http://127.0.0.1:$port"
program="$unix_folder/zorvel.exe"
wine64 "$program" --update > "$work/update.txt" 2>&1 || true
history=$(find "$WINEPREFIX/drive_c/users" -path '*AppData/Local/zorvel/valuta.mdb' | head -1)
[ -f "$history" ] || fail "no history in the local application data folder"
days=$(sqlite3 "$history" "select count(*) from valuta2023ron")
[ "$days" -gt 200 ] || fail "the update stored $days days of 2023"

# The same history under the Linux build, as a portable copy.
if [ -x "$linux" ]; then
    mkdir -p "$work/linux"
    cp "$linux" "$work/linux/zorvel"
    cp "$history" "$work/linux/valuta.mdb"
    printf 'data;suma;valuta\n15.03.2023;2500;100HUF\n03.01.2022;1000,50;EUR\n28.12.2021;99,99;USD\n' > "$work/facturi.csv"
    cp "$work/facturi.csv" "$work/facturi-win.csv"
    for args in "--rate EUR --date 2023-06-15" "--rate 100HUF --date 2022-03-08" \
        "--convert 2500 100HUF LEI --date 2023-01-03" "--convert 1000 LEI USD --date 2021-12-30 --format json" \
        "--average EUR --year 2022"; do
        # shellcheck disable=SC2086
        w=$(wine64 "$program" $args 2>/dev/null | tr -d '\r')
        # shellcheck disable=SC2086
        l=$("$work/linux/zorvel" $args 2>/dev/null)
        [ "$w" = "$l" ] || fail "zorvel $args: Windows '$w', Linux '$l'"
        echo "same    zorvel $args: $w"
    done
    wine64 "$program" --convert-file "$(wine64 winepath -w "$work/facturi-win.csv")" > "$work/list-win.csv" 2>/dev/null || true
    "$work/linux/zorvel" --convert-file "$work/facturi.csv" > "$work/list-linux.csv" 2>/dev/null || true
    cmp -s "$work/list-win.csv" "$work/list-linux.csv" || fail "--convert-file differs: $(diff "$work/list-win.csv" "$work/list-linux.csv" | head -5)"
    echo "same    zorvel --convert-file ($(wc -l < "$work/list-win.csv") lines)"
    # e-Factura samples, XML and SPV ZIPs: the same verdicts and figures (the file's name aside, written each system's way).
    samples="$root/../shared/data/efactura/samples"
    if [ -d "$samples" ]; then
        wine64 "$program" --check-invoices "$(wine64 winepath -w "$samples")" --format csv 2>/dev/null |
            tr -d '\r' | cut -d';' -f2- > "$work/invoices-win.csv" || true
        "$work/linux/zorvel" --check-invoices "$samples" --format csv 2>/dev/null |
            tr -d '\r' | cut -d';' -f2- > "$work/invoices-linux.csv" || true
        [ "$(wc -l < "$work/invoices-linux.csv")" -gt 20 ] || fail "--check-invoices gave no lines on Linux"
        cmp -s "$work/invoices-win.csv" "$work/invoices-linux.csv" ||
            fail "--check-invoices differs: $(diff "$work/invoices-win.csv" "$work/invoices-linux.csv" | head -5)"
        echo "same    zorvel --check-invoices ($(wc -l < "$work/invoices-win.csv") lines)"
    fi
    # The earlier generation's Access history, from a folder with a space and Romanian letters: every cell as on Linux.
    access="$root/../shared/data/access/valuta-full.mdb"
    if [ -f "$access" ] && [ -x "$root/build/bin/zorvel-access" ]; then
        cp "$root/build/bin/zorvel-access" "$work/linux/"
        old_folder=$(wine64 winepath -u 'C:\Date vechi Încercare' 2>/dev/null)
        mkdir -p "$old_folder"
        cp "$access" "$old_folder/valuta.mdb"
        wine64 "$program" --import-access 'C:\Date vechi Încercare\valuta.mdb' > "$work/import-win.txt" 2>&1 || true
        "$work/linux/zorvel" --import-access "$access" > "$work/import-linux.txt" 2>&1 || true
        dump() {
            for t in $(sqlite3 "$1" "select name from sqlite_master where type='table' and name like 'valuta%' order by name"); do
                echo "== $t"
                sqlite3 "$1" "select * from $t order by DATA"
            done
        }
        dump "$history" > "$work/cells-win.txt"
        dump "$work/linux/valuta.mdb" > "$work/cells-linux.txt"
        [ "$(grep -c . "$work/cells-linux.txt")" -gt 2000 ] || fail "the Linux import stored too little: $(cat "$work/import-linux.txt")"
        cmp -s "$work/cells-win.txt" "$work/cells-linux.txt" ||
            fail "--import-access differs: $(head -3 "$work/import-win.txt") $(diff "$work/cells-win.txt" "$work/cells-linux.txt" | head -5)"
        echo "same    zorvel --import-access from 'C:\Date vechi Încercare' ($(grep -c . "$work/cells-win.txt") lines of cells)"
    fi
fi

uninstaller="$unix_folder/uninstall.exe"
# It copies itself aside and returns at once: the files gone say the copy ended.
wine64 "$uninstaller" /S
wait_until '[ ! -f "$unix_folder/zorvel.exe" ] && [ ! -f "$unix_folder/uninstall.exe" ]' ||
    fail "the uninstaller did not end within three minutes"
[ ! -f "$unix_folder/zorvel.exe" ] || fail "the uninstaller left the program"
[ ! -f "$start_menu" ] || fail "the uninstaller left the Start-menu entry"
[ -f "$history" ] || fail "the uninstaller took the history"
# The portable copy: unpacked anywhere, its history is the valuta.mdb beside it.
portable=$(ls "$out"/zorvel-portabil-*.zip)
mkdir -p "$work/portabil"
(cd "$work/portabil" && python3 -m zipfile -e "$portable" .)
[ -f "$work/portabil/zorvel.exe" ] && [ -f "$work/portabil/valuta.mdb" ] && [ -f "$work/portabil/zv.xls" ] ||
    fail "the portable ZIP lacks zorvel.exe, valuta.mdb or zv.xls at its root"
wine64 "$work/portabil/zorvel.exe" --update > "$work/portable-update.txt" 2>&1 || true
days=$(sqlite3 "$work/portabil/valuta.mdb" "select count(*) from valuta2023ron")
[ "$days" -gt 200 ] || fail "the portable copy did not keep its history beside itself ($days days of 2023 there)"
echo "passed  portable ZIP: the history beside the program"
echo "passed  installer: silent install, update, same figures as Linux, uninstall keeping the history"
