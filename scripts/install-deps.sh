#!/usr/bin/env bash
# Installs every Debian package that building, testing and benchmarking need; with the argument "fuzz",
# also clang and its sanitizer and libFuzzer runtimes; with "package", what building and checking the Debian
# package needs; with "oracle", the JDK whose XML parser the differential check compares the reader with
# (for the tests only: the programs never use it). Idempotent, and quiet when everything is there already.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libxml2-dev libgtest-dev
  libicu-dev             # Unicode letter case of the message fields names
  libdtl-dev             # the line comparison of resave --diff and the review before saving
  libxml2-utils          # xmllint, the benchmark's yardstick
  nlohmann-json3-dev     # the JSON and SARIF reports of check
  libgraphviz-dev        # the layout of the editor's Overview window (loaded when it opens)
  libxxhash-dev          # the hash of the bytes read, which tells whether a file changed meanwhile
  graphviz               # the tests read the graph command's DOT with dot
  python3-jsonschema python3-yaml  # the tests validate the SARIF report and the pre-commit hook file
  xvfb xauth fonts-dejavu-core
  clang-format           # the style check of the tests
)
case "${1:-}" in
  fuzz) packages+=(clang libclang-rt-dev) ;;
  oracle) packages+=(openjdk-17-jdk-headless) ;;
  package)
    packages+=(
      dpkg-dev file           # cpack's DEB generator and its shared-library scan (dpkg-shlibdeps)
      desktop-file-utils appstream shared-mime-info librsvg2-bin groff-base
      lintian                 # Debian's own check of the package, its hardening included
    ) ;;
esac

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
