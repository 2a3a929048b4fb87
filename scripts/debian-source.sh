#!/usr/bin/env bash
# debian-source.sh DIR PACKAGE...: each source PACKAGE of Debian trixie (the newest version listed
# for trixie and its updates that the mirror still holds) unpacked, without its Debian changes,
# into DIR/PACKAGE. The lists come
# through a list and state directory of its own under DIR, removed afterwards, so the system's
# package lists stay as they are. A package already unpacked in DIR is not fetched again.
set -euo pipefail
dir=${1:?directory}
shift
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
apt=$dir/apt
opts=(-o "Dir::Etc::SourceList=$apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
      -o "Dir::State::Lists=$apt/lists" -o APT::Get::List-Cleanup=0 -o "Dir::Cache=$apt/cache"
      -o APT::Sandbox::User=root)
for package in "$@"; do
  [ -f "$dir/.$package.unpacked" ] && continue
  command -v dpkg-source >/dev/null || apt-get install -y -qq --no-install-recommends dpkg-dev >/dev/null
  if [ ! -d "$apt/lists" ]; then
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial"
    printf 'deb-src http://deb.debian.org/debian %s main\n' trixie trixie-updates >"$apt/sources.list"
    apt-get "${opts[@]}" -qq update
  fi
  fetch=$dir/fetch-$package
  rm -rf "$fetch"
  mkdir -p "$fetch"
  # A version the lists name may already be gone from the mirror: the next older one serves.
  for version in $(apt-cache "${opts[@]}" showsrc "$package" | sed -n 's/^Version: //p' | sort -urV); do
    (cd "$fetch" && apt-get "${opts[@]}" -qq source --download-only "$package=$version" \
      >/dev/null 2>&1) && break
    rm -f "$fetch"/*
  done
  ls "$fetch"/*.dsc >/dev/null
  rm -rf "${dir:?}/$package"
  (cd "$fetch" && dpkg-source --skip-debianization -x ./*.dsc "$dir/$package" >/dev/null 2>&1)
  rm -rf "$fetch" "$dir/${package}"_*
  touch "$dir/.$package.unpacked"
done
rm -rf "$apt"
