#!/usr/bin/env bash
# msi.sh BUILD_DIR PACKAGE_DIR VERSION OUT.msi [x64|x86]: the per-machine installer of the files
# staged in PACKAGE_DIR (x64/, x86/, docs/, examples/, include/ as scripts/package.sh lays them
# out), built with wixl. The x64 package (the default) is for 64-bit Windows: it installs x64/
# with docs/, examples/ and include/ into the 64-bit Program Files folder and x86/ into the 32-bit
# one (Program Files (x86)), and registers both libraries, the 32-bit one in the 32-bit registry
# view (its components are not marked 64-bit). The x86 package is for 32-bit Windows: x86/ and
# the rest in Program Files; it refuses to install on 64-bit Windows, where the x64 package serves
# 32-bit hosts too. Both register the classes through the installer's own tables: the Registry
# rows come from the build's velmor_installer_registry (the registration code of the library
# itself, run under Wine), the type library from the TypeLib table. A newer version replaces an
# older one (one upgrade code for every version).
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
pkg=$(cd "${2:?package dir}" && pwd)
version=${3:?version}
out=${4:?output .msi}
arch=${5:-x64}
case "$arch" in
  x64 | x86) ;;
  *) echo "unknown architecture $arch (x64 or x86)" >&2; exit 2 ;;
esac
upgrade_code=7A0F3C52-4E1B-4C8E-9D6A-2B5F1E8C3D47
libid={566BF9D7-C55A-45F8-91A6-E55E9B9B1325}
# The type library's version as the TypeLib table wants it (major * 256 + minor), from the IDL.
typelib_version=$(sed -n 's/^ *version(\([0-9]*\)\.\([0-9]*\)),$/\1 \2/p' \
  "$(dirname "$0")/../src/dll/VelmorCOM.idl" | tail -n 1 | { read -r major minor; echo $((major * 256 + minor)); })
[ "$typelib_version" -gt 256 ] || { echo "no type library version in the IDL" >&2; exit 1; }
tool=$build/tools/velmor_installer_registry.exe
[ -f "$tool" ] || { echo "missing $tool: build the library first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The libraries of the package, as "component file-key": the 64-bit one keeps the keys it has
# always had.
if [ "$arch" = x64 ]; then
  libraries=("Library VelmorCOM.dll" "Library_x86 x86_VelmorCOM.dll")
else
  libraries=("Library_x86 x86_VelmorCOM.dll")
fi

# The class entries of each library, written by the library's own registration code into a
# recording registry, gathered into one table.
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix} WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
for library in "${libraries[@]}"; do
  read -r component file <<<"$library"
  wine "$tool" "$(winepath -w "$work/$component.rows")" "$component" "$file" </dev/null \
    >/dev/null 2>"$work/tool.log" ||
    { cat "$work/tool.log" >&2; echo "velmor_installer_registry failed" >&2; exit 1; }
  [ -s "$work/$component.rows" ] || { echo "velmor_installer_registry wrote nothing" >&2; exit 1; }
  if [ -f "$work/Registry.rows" ]; then
    tail -n +4 "$work/$component.rows" >> "$work/Registry.rows"
  else
    cp "$work/$component.rows" "$work/Registry.rows"
  fi
done
# An installer running as a 64-bit process may unregister the 32-bit library's type library as
# a 64-bit one (Wine's does), which leaves its win32 entry behind. Removing the 32-bit library
# therefore also removes the type library's key ("-": the key and its subkeys on uninstall),
# after both libraries' type libraries are unregistered, when nothing of it should be left.
printf 'Library_x86_typelib\t0\tTypeLib\\%s\t-\t\tLibrary_x86\n' "$libid" >> "$work/Registry.rows"

# One component per file, its identifier made from its path; 64-bit in the x64 package.
id() { printf '%s' "$1" | tr -c 'A-Za-z0-9_.' '_'; }
win64=
[ "$arch" = x86 ] || win64=' Win64="yes"'
components() {  # folder below the package
  local f
  for f in "$pkg/$1"/*; do
    [ -f "$f" ] || continue
    local rel=${f#"$pkg/"}
    printf '          <Component Id="%s" Guid="*"%s><File Id="%s" Source="%s" KeyPath="yes"/></Component>\n' \
      "c_$(id "$rel")" "$win64" "$(id "$rel")" "$rel"
  done
}
refs() {
  grep -o 'Component Id="[^"]*"' "$work/product.wxs" | sed 's/Component Id=\("[^"]*"\)/      <ComponentRef Id=\1\/>/'
}
# The opening of a VelmorCOM folder in the 32-bit Program Files with the 32-bit library and its
# type library; DIRECTORY_ID names it.
x86_folder() {
  cat <<XML
      <Directory Id="ProgramFilesFolder">
        <Directory Id="$1" Name="VelmorCOM">
          <Component Id="Library_x86" Guid="*">
            <File Id="x86_VelmorCOM.dll" Source="x86/VelmorCOM.dll" KeyPath="yes"/>
          </Component>
          <Component Id="TypeLibraryFile_x86" Guid="*">
            <File Id="x86_VelmorCOM.tlb" Source="x86/VelmorCOM.tlb" KeyPath="yes"/>
          </Component>
XML
}
# docs/, examples/ and include/, beside the library of the package's own bitness.
shared_folders() {
  cat <<XML
          <Directory Id="DocsFolder" Name="docs">
$(components docs)
          </Directory>
          <Directory Id="ExamplesFolder" Name="examples">
$(components examples)
          </Directory>
          <Directory Id="IncludeFolder" Name="include">
$(components include)
          </Directory>
XML
}
if [ "$arch" = x64 ]; then
  condition=
  folders=$(cat <<XML
      <Directory Id="ProgramFiles64Folder">
        <Directory Id="INSTALLDIR" Name="VelmorCOM">
          <Component Id="Library" Guid="*" Win64="yes">
            <File Id="VelmorCOM.dll" Source="x64/VelmorCOM.dll" KeyPath="yes"/>
          </Component>
          <Component Id="TypeLibraryFile" Guid="*" Win64="yes">
            <File Id="VelmorCOM.tlb" Source="x64/VelmorCOM.tlb" KeyPath="yes"/>
          </Component>
$(shared_folders)
        </Directory>
      </Directory>
$(x86_folder INSTALLDIR_X86)
        </Directory>
      </Directory>
XML
  )
else
  condition="    <Condition Message=\"This package is for 32-bit Windows. On 64-bit Windows install\
 VelmorCOM-$version-x64.msi, which installs the 32-bit library too.\">NOT VersionNT64</Condition>"
  folders=$(cat <<XML
$(x86_folder INSTALLDIR)
$(shared_folders)
        </Directory>
      </Directory>
XML
  )
fi

cat > "$work/product.wxs" <<XML
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Velmor COM Module" Language="1033" Version="$version" Manufacturer="Velmor"
           UpgradeCode="{$upgrade_code}">
    <Package InstallerVersion="500" Compressed="yes" InstallScope="perMachine"
             Description="Velmor COM Module $version ($arch)" Manufacturer="Velmor"/>
    <MajorUpgrade DowngradeErrorMessage="A newer version of Velmor COM Module is already installed."/>
$condition
    <Media Id="1" Cabinet="VelmorCOM.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
$folders
    </Directory>
    <Feature Id="Complete" Level="1">
    </Feature>
  </Product>
</Wix>
XML
feature_refs=$(refs)
awk -v refs="$feature_refs" '{ print } /<Feature Id="Complete"/ { print refs }' "$work/product.wxs" \
  > "$work/VelmorCOM.wxs"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
(cd "$pkg" && wixl -a "$arch" -o "$out" "$work/VelmorCOM.wxs")

# What wixl cannot say goes into the tables afterwards: the Registry rows (wixl writes no row
# that only creates a key), the TypeLib rows, and the actions that write and remove them. The
# installer registers the type library of each library component's key file, the DLL itself, as
# DllRegisterServer does.
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
  for library in "${libraries[@]}"; do
    printf '%s\t1033\t%s\t%s\tVelmorCOMLib\t\tComplete\t\n' "$libid" "${library%% *}" "$typelib_version"
  done
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
