#!/usr/bin/env bash
# Checks what Windows sees of the executable before it runs a line of it: a console program
# that needs only system DLLs, asks to be elevated, carries the project's version, and is
# hardened; with the build folder, also each of the tool's objects.
#   check_windows_exe.sh EXE VERSION [BUILD-FOLDER]
set -u
export LC_ALL=C # the tools below answer in English, as the checks read them
exe=$1
version=$2
headers=$(x86_64-w64-mingw32-objdump -p "$exe") || exit 1
fail=0
grep -q 'Subsystem.*(Windows CUI)' <<<"$headers" || { echo "not a console program"; fail=1; }
dlls=$(grep 'DLL Name:' <<<"$headers" | awk '{print $3}' | tr 'a-z' 'A-Z' | sort)
for dll in $dlls; do
    case $dll in
    KERNEL32.DLL | USER32.DLL | MSVCRT.DLL | ADVAPI32.DLL) ;;
    *) echo "imports a DLL that Windows does not ship: $dll"; fail=1 ;;
    esac
done
# Resource texts are UTF-16: without their zero bytes they read as ASCII.
resources=$(x86_64-w64-mingw32-objcopy -O binary --only-section=.rsrc "$exe" /dev/stdout | tr -d '\0')
grep -q 'requestedExecutionLevel level="requireAdministrator" uiAccess="false"' <<<"$resources" ||
    { echo "manifest does not request administrator rights"; fail=1; }
# The version in both places; sharp boxes at any scaling, per monitor (the older dpiAware form
# where dpiAwareness is not read).
for text in "FileVersion$version" "ProductVersion$version" "version=\"$version.0\"" \
    '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2</dpiAwareness>' \
    '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>'; do
    grep -qF "$text" <<<"$resources" || { echo "version resource or manifest lacks $text"; fail=1; }
done
# A side-by-side assembly would be looked for in a folder beside the executable too.
grep -q 'dependentAssembly' <<<"$resources" && { echo "manifest names a dependent assembly"; fail=1; }
# ASLR with high entropy and DEP; the tool's own code checks the stack protector's guard.
for flag in HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT; do
    grep -qw "$flag" <<<"$headers" || { echo "DllCharacteristics lack $flag"; fail=1; }
done
x86_64-w64-mingw32-objdump -d "$exe" | awk '/^[0-9a-f]+ <.*>:$/ {f = $2} /call.*<__stack_chk_fail>/ {print f}' |
    grep -qx '<main>:' || { echo "main does not check a stack guard"; fail=1; }
# What the executable cannot show per translation unit, each object's debug record does.
objects=$([ -z "${3:-}" ] || find "$3"/CMakeFiles/{fx2core,fx2-driver-remover}.dir -name '*.obj')
for obj in $objects; do
    record=$(x86_64-w64-mingw32-objdump --dwarf=info --dwarf=macro "$obj")
    # The last stack-protector option on the command line is the one in force.
    last=$(grep -m1 'DW_AT_producer' <<<"$record" | grep -oE -- '-f(no-)?stack-protector[a-z-]*' | tail -n 1)
    [ "$last" = -fstack-protector-strong ] || { echo "$obj: no stack protector (${last:-none})"; fail=1; }
    grep -q 'lineno : 0 macro : _FORTIFY_SOURCE 2$' <<<"$record" && grep -q 'macro : __MINGW_FORTIFY_LEVEL 2$' <<<"$record" ||
        { echo "$obj: not built with _FORTIFY_SOURCE=2"; fail=1; }
done
[ -z "${3:-}" ] || [ -n "$objects" ] || { echo "no objects of the tool in $3"; fail=1; }
[ $fail -eq 0 ] && echo "console program, imports: $(echo $dlls), requires administrator, DPI aware per monitor, no dependent assembly, version $version, ASLR (high entropy), NX, stack protector in main${3:+ and in $(wc -w <<<"$objects") objects, each with _FORTIFY_SOURCE=2}"
exit $fail
