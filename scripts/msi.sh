#!/usr/bin/env bash
# msi.sh BUILD_DIR PACKAGE_DIR VERSION OUT.msi: the per-machine installer of the files staged in
# PACKAGE_DIR (x64/, docs/, examples/, include/ as scripts/package.sh lays them out), built with
# wixl. It installs into the 64-bit Program Files folder and registers the classes through the
# installer's own tables: the Registry rows come from the build's velmor_installer_registry (the
# registration code of the library itself, run under Wine), the type library from the TypeLib
# table. A newer version replaces an older one (one upgrade code for every version).
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
pkg=$(cd "${2:?package dir}" && pwd)
version=${3:?version}
out=${4:?output .msi}
upgrade_code=7A0F3C52-4E1B-4C8E-9D6A-2B5F1E8C3D47
libid={566BF9D7-C55A-45F8-91A6-E55E9B9B1325}
tool=$build/tools/velmor_installer_registry.exe
[ -f "$tool" ] || { echo "missing $tool: build the library first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The class entries, written by the library's own registration code into a recording registry.
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix} WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
wine "$tool" "$(winepath -w "$work/Registry.rows")" Library </dev/null >/dev/null 2>"$work/tool.log" \
  || { cat "$work/tool.log" >&2; echo "velmor_installer_registry failed" >&2; exit 1; }
[ -s "$work/Registry.rows" ] || { echo "velmor_installer_registry wrote nothing" >&2; exit 1; }

# One component per file, its identifier made from its path.
id() { printf '%s' "$1" | tr -c 'A-Za-z0-9_.' '_'; }
components() {  # folder below the package
  local f
  for f in "$pkg/$1"/*; do
    [ -f "$f" ] || continue
    local rel=${f#"$pkg/"}
    printf '          <Component Id="%s" Guid="*" Win64="yes"><File Id="%s" Source="%s" KeyPath="yes"/></Component>\n' \
      "c_$(id "$rel")" "$(id "$rel")" "$rel"
  done
}
refs() {
  grep -o 'Component Id="[^"]*"' "$work/product.wxs" | sed 's/Component Id=\("[^"]*"\)/      <ComponentRef Id=\1\/>/'
}

cat > "$work/product.wxs" <<EOF
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Velmor COM Module" Language="1033" Version="$version" Manufacturer="Velmor"
           UpgradeCode="{$upgrade_code}">
    <Package InstallerVersion="500" Compressed="yes" InstallScope="perMachine"
             Description="Velmor COM Module $version (x64)" Manufacturer="Velmor"/>
    <MajorUpgrade DowngradeErrorMessage="A newer version of Velmor COM Module is already installed."/>
    <Media Id="1" Cabinet="VelmorCOM.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFiles64Folder">
        <Directory Id="INSTALLDIR" Name="VelmorCOM">
          <Component Id="Library" Guid="*" Win64="yes">
            <File Id="VelmorCOM.dll" Source="x64/VelmorCOM.dll" KeyPath="yes"/>
          </Component>
          <Component Id="TypeLibraryFile" Guid="*" Win64="yes">
            <File Id="VelmorCOM.tlb" Source="x64/VelmorCOM.tlb" KeyPath="yes"/>
          </Component>
          <Directory Id="DocsFolder" Name="docs">
$(components docs)
          </Directory>
          <Directory Id="ExamplesFolder" Name="examples">
$(components examples)
          </Directory>
          <Directory Id="IncludeFolder" Name="include">
$(components include)
          </Directory>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Complete" Level="1">
    </Feature>
  </Product>
</Wix>
EOF
feature_refs=$(refs)
awk -v refs="$feature_refs" '{ print } /<Feature Id="Complete"/ { print refs }' "$work/product.wxs" \
  > "$work/VelmorCOM.wxs"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
(cd "$pkg" && wixl -a x64 -o "$out" "$work/VelmorCOM.wxs")

# What wixl cannot say goes into the tables afterwards: the Registry rows (wixl writes no row
# that only creates a key), the TypeLib row, and the actions that write and remove them. The installer registers the type library of the Library component's key file, the
# DLL itself, as DllRegisterServer does.
add_rows() {  # TABLE FILE: FILE (a text archive of the table) adds its rows to the table
  if msiinfo export "$out" "$1" > "$work/$1.idt" 2>/dev/null; then
    tail -n +4 "$2" >> "$work/$1.idt"
  else
    cp "$2" "$work/$1.idt"
  fi
  (cd "$work" && msibuild "$out" -i "$1.idt")
}
add_rows Registry "$work/Registry.rows"
{
  printf 'LibID\tLanguage\tComponent_\tVersion\tDescription\tDirectory_\tFeature_\tCost\n'
  printf 's38\ti2\ts72\tI4\tL128\tS72\ts38\tI4\nTypeLib\tLibID\tLanguage\tComponent_\n'
  printf '%s\t1033\tLibrary\t257\tVelmorCOMLib\t\tComplete\t\n' "$libid"
} > "$work/TypeLib.rows"
add_rows TypeLib "$work/TypeLib.rows"
printf 'Action\tCondition\tSequence\ns72\tS255\tI2\nInstallExecuteSequence\tAction\n' \
  > "$work/InstallExecuteSequence.rows"
printf '%s\t\t%s\n' UnregisterTypeLibraries 2300 RemoveRegistryValues 2600 WriteRegistryValues 5000 \
  RegisterTypeLibraries 5500 >> "$work/InstallExecuteSequence.rows"
add_rows InstallExecuteSequence "$work/InstallExecuteSequence.rows"

# A rebuilt package of the same version replaces the installed one too (wixl cannot say so):
# the upgrade row's maximum version becomes inclusive.
msiinfo export "$out" Upgrade > "$work/Upgrade.idt"
awk -F'\t' -v OFS='\t' 'NR > 3 && $6 == "" && $7 ~ /^WIX_UPGRADE_DETECTED/ { $5 = $5 + 512 } { print }' \
  "$work/Upgrade.idt" > "$work/Upgrade.new"
mv "$work/Upgrade.new" "$work/Upgrade.idt"
(cd "$work" && msibuild "$out" -i Upgrade.idt)
