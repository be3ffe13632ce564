#!/usr/bin/env bash
# The release signing tried with a throw-away test authority: makes, with openssl in WORK
# (never shipped), a certificate authority, a code-signing certificate it issued and a
# time-stamping one; has the files signed as a release has them signed; checks every
# signature against that authority, and that the signing cannot be fooled. The signed
# files are left in WORK/signed, for the scenario that runs the signed program.
#
#   check-signatures.sh --work WORK --sign-script SCRIPT FILE...
#       copies the build's FILEs into WORK/signed and signs them there with SCRIPT
#       (cmake/sign-release.cmake), without a time stamp
#   check-signatures.sh --work WORK --sign-script SCRIPT --archive BUILD_DIR NAME
#                       --unsigned FILE... -- ENTRY...
#       CPack packs BUILD_DIR's release archive NAME, signed and time-stamped (by a
#       time-stamping authority of the test's own on 127.0.0.1), into WORK/archive; it is
#       unpacked into WORK/signed. ENTRY... are the archive's files, by their names in it;
#       the build's FILEs it was packed from must stay unsigned.
set -u

work=""
script=""
build=""
name=""
unsigned=()
while [ $# -gt 0 ]; do
    case "$1" in
        --work) work=$2; shift 2 ;;
        --sign-script) script=$2; shift 2 ;;
        --archive) build=$2; name=$3; shift 3 ;;
        --unsigned)
            shift
            while [ $# -gt 0 ] && [ "$1" != -- ]; do unsigned+=("$1"); shift; done
            shift
            ;;
        *) break ;;
    esac
done
[ -n "$work" ] && [ -n "$script" ] && [ $# -gt 0 ] || { echo "check-signatures.sh: see its head for usage" >&2; exit 2; }
for tool in openssl osslsigncode; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (tools/install-deps.sh installs it)"; exit 1; }
done

rm -rf "$work"
mkdir -p "$work/authority" "$work/signed"
work=$(cd "$work" && pwd)
authority=$work/authority
server_pid=""
trap '[ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null' EXIT

# The authority, the publisher's code-signing certificate (in a .pfx with a password, as a
# publisher has it), the time-stamping certificate; and a stranger authority, which must
# not vouch for our files.
make_authority() {
    local subject=$1 out=$2
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=$subject" -keyout "$out.key" -out "$out.pem" \
        -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign
}
issue() {
    local subject=$1 out=$2 usage=$3
    openssl req -newkey rsa:2048 -nodes -subj "/CN=$subject" -keyout "$out.key" -out "$out.csr" &&
        printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=%s\n' "$usage" \
            >"$out.ext" &&
        openssl x509 -req -days 2 -in "$out.csr" -CA "$authority/ca.pem" -CAkey "$authority/ca.key" \
            -CAcreateserial -extfile "$out.ext" -out "$out.pem"
}
password=$(openssl rand -hex 12)
{
    make_authority "Kestrin Test Authority" "$authority/ca" &&
        make_authority "Stranger Authority" "$authority/stranger" &&
        issue "Kestrin Test Publisher" "$authority/publisher" codeSigning &&
        openssl pkcs12 -export -inkey "$authority/publisher.key" -in "$authority/publisher.pem" \
            -certfile "$authority/ca.pem" -passout "pass:$password" -out "$authority/publisher.pfx" &&
        issue "Kestrin Test Time Stamps" "$authority/tsa" critical,timeStamping
} >"$authority/openssl.log" 2>&1 || { cat "$authority/openssl.log"; echo "FAIL: the test authority could not be made"; exit 1; }

export KESTRIN_SIGN_PKCS12=$authority/publisher.pfx
export KESTRIN_SIGN_PASSWORD=$password
unset KESTRIN_TIMESTAMP_URL

signed=$work/signed
if [ -n "$build" ]; then
    cat >"$authority/tsa.cnf" <<'EOF'
[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
serial = ./tsa.serial
crypto_device = builtin
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
accuracy = secs:1
ordering = yes
tsa_name = no
ess_cert_id_chain = no
ess_cert_id_alg = sha256
EOF
    echo 01 >"$authority/tsa.serial"
    python3 "$(dirname "$0")/timestamp_server.py" "$authority" >"$authority/tsa.port" 2>"$authority/tsa.log" &
    server_pid=$!
    for _ in $(seq 1 100); do
        [ -s "$authority/tsa.port" ] && break
        sleep 0.05
    done
    [ -s "$authority/tsa.port" ] || { cat "$authority/tsa.log"; echo "FAIL: the time-stamping authority did not start"; exit 1; }
    export KESTRIN_TIMESTAMP_URL=http://127.0.0.1:$(cat "$authority/tsa.port")
    expected=$(printf '%s\n' "$@" | grep -i -E '\.(exe|dll)$' | sort)
    out=$(cd "$build" && cpack -G ZIP --config CPackConfig.cmake -B "$work/archive" 2>&1) ||
        { echo "$out"; echo "FAIL: cpack could not pack the signed archive"; exit 1; }
    archive=$work/archive/$name.zip
    [ -f "$archive" ] || { echo "$out"; echo "FAIL: no archive $archive"; exit 1; }
    unzip -q "$archive" -d "$work/unpacked" && mv "$work/unpacked/$name"/* "$signed"/ ||
        { echo "FAIL: cannot unpack $archive"; exit 1; }
else
    unsigned=("$@")
    expected=$(for file in "$@"; do basename "$file"; done | sort)
    cp "$@" "$signed"/ || exit 1
    out=$(cmake -DKESTRIN_SIGN_DIR="$signed" -P "$script" 2>&1) || { echo "$out"; echo "FAIL: signing failed"; exit 1; }
fi

failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

# Every program and library, and no other: signed, by our publisher, with a SHA-256
# digest, verified up to the test authority; time-stamped when a time-stamping authority
# was named.
found=$(cd "$signed" && find . -type f | sed 's|^\./||' | grep -i -E '\.(exe|dll)$' | sort)
[ "$found" = "$expected" ] || fail "the signed copy holds $(echo $found), expected $(echo $expected)"
for file in $found; do
    report=$(osslsigncode verify -CAfile "$authority/ca.pem" -TSA-CAfile "$authority/ca.pem" -in "$signed/$file" 2>&1)
    status=$?
    if [ $status -ne 0 ]; then
        echo "$report"
        fail "$file: its signature does not verify against the test authority"
        continue
    fi
    # (osslsigncode's words, as its versions since Debian 12's print them.)
    grep -q -i -E '^Message digest algorithm *: *SHA-?256' <<<"$report" || fail "$file: not a SHA-256 digest"
    grep -q -F 'CN=Kestrin Test Publisher' <<<"$report" || fail "$file: not signed by the test publisher"
    if [ -n "${KESTRIN_TIMESTAMP_URL:-}" ]; then
        grep -q '^Timestamp Server Signature verification: ok' <<<"$report" || fail "$file: no valid time stamp"
    elif grep -q '^Timestamp Server Signature' <<<"$report"; then
        fail "$file: time-stamped, though no time-stamping authority was named"
    fi
    echo "$file: signed, verified"
done

# What must not verify: a program changed after signing (one byte in its middle,
# far from the signature at its end), our program against a stranger authority, and the
# build's own files, which signing must leave untouched.
program=$(grep -i -m 1 '\.exe$' <<<"$found")
changed=$work/changed.exe
cp "$signed/$program" "$changed"
offset=$(($(stat -c %s "$changed") / 2))
byte=$(od -An -tu1 -j "$offset" -N1 "$changed" | tr -d ' ')
printf "\\$(printf %03o $((byte ^ 0xff)))" | dd of="$changed" bs=1 seek="$offset" conv=notrunc status=none
refused=(
    "$program changed after signing|$changed|ca"
    "$program against a stranger authority|$signed/$program|stranger"
)
for file in "${unsigned[@]}"; do refused+=("the build's own $file|$file|ca"); done
for row in "${refused[@]}"; do
    IFS='|' read -r what file ca <<<"$row"
    if osslsigncode verify -CAfile "$authority/$ca.pem" -TSA-CAfile "$authority/$ca.pem" -in "$file" >/dev/null 2>&1; then
        fail "$what: verified, and must not"
    else
        echo "$what: refused, as it must be"
    fi
done

exit $failed
