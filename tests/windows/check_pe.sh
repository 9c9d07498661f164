#!/bin/sh
# Checks that a Windows build is a console program of the expected format
# that imports only DLLs every Windows has, and that it carries its version
# resource and manifest:
#   check_pe.sh OBJDUMP program.exe pei-x86-64|pei-i386 VERSION
set -eu
objdump=$1 exe=$2 format=$3 version=$4
headers=$("$objdump" -p "$exe")
fail=0
echo "$headers" | grep -q "file format $format\$" ||
    { echo "want file format $format, got: $(echo "$headers" | grep 'file format')"; fail=1; }
echo "$headers" | grep -q 'Subsystem.*(Windows CUI)' ||
    { echo "want the console subsystem, got: $(echo "$headers" | grep Subsystem)"; fail=1; }
for dll in $(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
    case $(echo "$dll" | tr 'A-Z' 'a-z') in
        kernel32.dll | msvcrt.dll | ntdll.dll | user32.dll | advapi32.dll) echo "imports $dll" ;;
        *) echo "imports $dll, which is not a Windows system DLL"; fail=1 ;;
    esac
done
python3 "$(dirname "$0")/check_resources.py" "$exe" "$version" || fail=1
exit $fail
