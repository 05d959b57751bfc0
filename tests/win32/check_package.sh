#!/bin/sh
# The Windows zip as a person gets it: one folder with the two programs, the
# licence and the read-me (CR LF, for Notepad); unzipped anywhere, each
# program needs no DLL but the system's, and tagwell-convert.exe runs from
# there under wine.
#   tests/win32/check_package.sh ZIP OBJDUMP
set -eu
zip=$1
objdump=$2
name=$(basename "$zip" .zip)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

listing=$(cd "$work" && cmake -E tar tf "$zip" | sort | tr '\n' ' ')
expected="$name/ $name/LICENSE.txt $name/README.txt $name/tagwell-convert.exe $name/tagwell.exe "
[ "$listing" = "$expected" ] || fail "the zip holds: $listing; expected: $expected"
(cd "$work" && cmake -E tar xf "$zip")
for text in README.txt LICENSE.txt; do
    lf=$(tr -cd '\n' <"$work/$name/$text" | wc -c)
    crlf=$(grep -c "$(printf '\r')\$" "$work/$name/$text" || true)
    [ "$lf" -gt 0 ] && [ "$lf" -eq "$crlf" ] || fail "$text has lines without CR LF"
done
# The system's own DLLs, as every Windows since 7 has them.
system="ADVAPI32.dll COMCTL32.dll GDI32.dll KERNEL32.dll msvcrt.dll ntdll.dll ole32.dll SHELL32.dll USER32.dll"
for program in tagwell.exe tagwell-convert.exe; do
    for dll in $("$objdump" -p "$work/$name/$program" | awk '/DLL Name:/ { print $3 }'); do
        case " $system " in
        *" $dll "*) ;;
        *) fail "$program needs $dll, which Windows does not bring" ;;
        esac
    done
done
version=$("$(dirname "$0")/wine_run.sh" "$work/$name/tagwell-convert.exe" --version | tr -d '\r' | head -n 1)
case "$version" in
*1.0*) echo "ok: $name unzips and runs: $version" ;;
*) fail "tagwell-convert.exe from the zip said: $version" ;;
esac
