#!/usr/bin/env bash
# A release signed with a throwaway certificate verifies, keeps what Windows sees, runs a case
# under Wine, and verify-release tells it from a changed one and from another commit's.
#   check_signed_release.sh WINDOWS-BUILD-FOLDER   (the windows preset's: stand-in, planted files)
set -euo pipefail
build=$(realpath "$1")
cd "$(dirname "$0")/.."
t=$(mktemp -d) && trap 'rm -rf "$t"' EXIT
openssl rand -hex 16 >"$t/password"
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=fx2-throwaway -keyout "$t/key.pem" \
    -addext extendedKeyUsage=codeSigning -out "$t/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$t/key.pem" -in "$t/cert.pem" -passout "file:$t/password" -out "$t/cert.p12"
git clone -q . "$t/a" && git clone -q . "$t/b"
sed -i 's/tools\.example\.jp/tools.example.jq/' "$t/b/src/app/messages.h"
git -C "$t/b" -c user.name=test -c user.email=test@example.com commit -qam "another build"
export FX2_SIGN_PKCS12=$t/cert.p12 FX2_SIGN_PASSWORD_FILE=$t/password && unset FX2_SIGN_TIMESTAMP_URL
(cd "$t/a" && scripts/release >/dev/null) && (cd "$t/b" && scripts/release >/dev/null)
release=$t/a/build/release && package=$(basename "$release"/*-win64.zip)
python3 -m zipfile -e "$release/$package" "$t/changed"
exe=$t/changed/fx2-driver-remover.exe
osslsigncode verify -CAfile "$t/cert.pem" -in "$exe" >/dev/null || { echo "signature not accepted"; exit 1; }
version=${package#fx2-driver-remover-} && tests/check_windows_exe.sh "$exe" "${version%-win64.zip}"
python3 tests/e2e/run_cases.py --platform windows --tool "$exe" --standin "$build/standin" \
    --planted "$build/planted/pnputil.exe" --planted-dll "$build/planted/planted_dll.dll" \
    --cases tests/cases sample-machine-answered-no
verify() { # PACKAGE STATUS TEXT: verify-release exits with STATUS, printing one line that starts with TEXT
    local line status=0
    line=$("$t/a/scripts/verify-release" "$1") || status=$?
    echo "verify-release ${1#"$t"/}: $line (exit $status)"
    [ $status = "$2" ] && [[ $line == "$3"* && $line != *$'\n'* ]]
}
verify "$release/$package" 0 "matches the source at $(git -C "$t/a" rev-parse HEAD)"
verify "$release/build/$package" 0 "matches the source at"  # as packed before signing
epoch=$(cat "$release/build/release-epoch") && bom=$t/changed/fx2-driver-remover.cdx.json
files=("$t"/changed/{fx2-driver-remover.exe,README.md,LICENSE,THIRD-PARTY-NOTICES.txt,fx2-driver-remover.cdx.json})
node tests/sbom/validate.js "$bom"
scripts/release-zip "$t/later.zip" $((epoch + 2)) "${files[@]}"
verify "$t/later.zip" 1 "the package's entries, their times or permissions are not"
# The bill written before signing names the unsigned executable: not the one this package holds.
cp "$bom" "$t/signed.cdx.json" && cp "$release/build/fx2-driver-remover.cdx.json" "$bom"
scripts/release-zip "$t/unsigned-bill.zip" "$epoch" "${files[@]}" && cp "$t/signed.cdx.json" "$bom"
verify "$t/unsigned-bill.zip" 1 "fx2-driver-remover.cdx.json is not the bill of this commit's build"
# One byte of the code changed, packed as scripts/release packs.
text=$(x86_64-w64-mingw32-objdump -h "$exe" | awk '$2 == ".text" {print $6}')
python3 -c 'import sys; f = open(sys.argv[1], "r+b"); f.seek(int(sys.argv[2])); b = f.read(1)
f.seek(-1, 1); f.write(bytes([b[0] ^ 1]))' "$exe" $((16#$text + 64))
scripts/release-zip "$t/changed.zip" "$epoch" "${files[@]}"
verify "$t/changed.zip" 1 "fx2-driver-remover.exe differs"
verify "$t/b/build/release/$package" 1 "fx2-driver-remover.exe differs"
# Another build's signature on this build: the bytes match, but the signature covers other code.
python3 -m zipfile -e "$t/b/build/release/$package" "$t/other"
osslsigncode extract-signature -in "$t/other/fx2-driver-remover.exe" -out "$t/signature" >/dev/null
rm "$exe" && osslsigncode attach-signature -sigin "$t/signature" -in "$release/build/fx2-driver-remover.exe" \
    -out "$exe" >/dev/null 2>&1 || true
scripts/release-zip "$t/borrowed.zip" "$epoch" "${files[@]}"
verify "$t/borrowed.zip" 1 "fx2-driver-remover.exe's signature does not cover its code"
