#!/usr/bin/env bash
# Tour, OrvZip: packs examples/zip/sample with and without a password, lists both archives
# with Info-ZIP's unzip -l, unpacks them elsewhere and compares the trees with the sample;
# also unpacks the sample as 7-Zip packs it with BZip2.
# Called by tour.sh (which exports run_script, winpath and the Wine environment).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?build dir}" && pwd)
root=${VELMOR_ROOT:-$(cd "$here/.." && pwd)}  # run_script looks for scripts/ there
work="$build/tour-zip"
rm -rf "$work" && mkdir -p "$work"
# A copy with fixed times, so the listing shows the same dates every run.
cp -r "$here/zip/sample" "$work/sample"
find "$work/sample" -type f -exec touch -d '2024-02-29 12:34:56' {} +

# The same sample as 7-Zip writes it with BZip2, for the script to read.
if command -v 7z >/dev/null; then
  (cd "$work/sample" && 7z a -tzip -mm=BZip2 -bd -bso0 "$work/sample-bzip2.zip" .) || exit 1
fi

run_script "$(winpath "$here/tour_zip.vbs")" "$(winpath "$work/sample")" "$(winpath "$work")" || exit 1

status=0
for archive in sample.zip sample-secret.zip; do
  echo "-- unzip -l $archive"
  unzip -l "$work/$archive" || status=1
done
outs=(out-plain out-secret)
[ -f "$work/sample-bzip2.zip" ] && outs+=(out-bzip2)
for out in "${outs[@]}"; do
  if diff -r "$work/sample" "$work/$out" >/dev/null; then
    echo "-- $out: same files and bytes as the sample"
  else
    echo "-- $out: DIFFERS from the sample"; status=1
  fi
done
exit $status
