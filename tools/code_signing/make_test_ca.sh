#!/usr/bin/env bash
# Makes, once, the test certificate authority and the code-signing certificate it issues, with
# which the tests and the demo sign installer.exe. Never for a release: anyone who has the folder
# can sign as "the publisher".
#
#   make_test_ca.sh <folder>
#
# Leaves in <folder>: ca.pem (the authority's certificate, what a signature is verified against),
# signer.pem and signer.key (the code-signing certificate and its key, unencrypted). The
# authority's own key is thrown away once it has issued the one certificate. A folder that
# already holds all three is left as it is; the files are made in a folder beside it and moved
# in one rename, so that two builds starting at once never see half a set.
set -euo pipefail
folder=$1
names=(ca.pem signer.pem signer.key)
complete() {
  local name
  for name in "${names[@]}"; do [[ -f $1/$name ]] || return 1; done
}
complete "$folder" && exit 0
# Ninja makes the folder of a rule's outputs before it runs the rule: an empty one is taken over.
if [[ -e $folder ]] && ! rmdir "$folder" 2>/dev/null; then
  complete "$folder" && exit 0
  echo "make_test_ca: $folder exists without ${names[*]}: remove it to make a new set" >&2
  exit 1
fi
mkdir -p "$(dirname "$folder")"
work=$(mktemp -d "$folder.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
# openssl reports its progress on stderr: shown only when it fails.
quiet() {
  "$@" 2>openssl.log || { cat openssl.log >&2; return 1; }
}
quiet openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 -keyout ca.key -out ca.pem \
  -subj "/O=Quenby tests/CN=Quenby Test Code Signing CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
quiet openssl req -new -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr \
  -subj "/O=Orvane/CN=Orvane (test signing)"
cat > signer.ext <<'END'
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
END
quiet openssl x509 -req -sha256 -days 1825 -in signer.csr -CA ca.pem -CAkey ca.key \
  -set_serial "0x$(openssl rand -hex 8)" -extfile signer.ext -out signer.pem
rm ca.key signer.csr signer.ext openssl.log
chmod 600 signer.key
cd /
# Another build may have finished first: its set is as good as this one.
mv -T "$work" "$folder" 2>/dev/null || complete "$folder"
