#!/usr/bin/env bash
# regsvr32_per_user.sh DLL_WINPATH: registration per user through Wine's regsvr32 (/n /i:user)
# lands below HKEY_CURRENT_USER\Software\Classes and goes again with /u; machine-wide
# registration through regsvr32 is restored at the end.
set -uo pipefail
dll=$1
status=0
query() { wine reg query "$1" /ve 2>/dev/null | tr -d '\r' | awk -F'    ' '/REG_SZ/{print $NF}'; }
wine regsvr32 /u /s "$dll" || { echo "machine-wide unregistration failed"; status=1; }
[ -z "$(query 'HKCR\Velmor.Zip.1')" ] || { echo "machine-wide ProgID still present"; status=1; }
wine regsvr32 /s /n /i:user "$dll" || { echo "per-user registration failed"; status=1; }
for p in Zip Ftp Crypto OrvServer OrvGps; do
  got=$(query "HKCU\\Software\\Classes\\Velmor.$p.1\\CLSID")
  [ -n "$got" ] || { echo "per-user Velmor.$p.1 missing"; status=1; }
done
got=$(query 'HKCU\Software\Classes\CLSID\{D1784030-35C9-48C4-A68D-C8F46A423CF9}\InprocServer32')
[ "$got" = "$dll" ] || { echo "per-user InprocServer32 is '$got'"; status=1; }
[ -z "$(query 'HKLM\Software\Classes\Velmor.Zip.1')" ] || { echo "per-user registration wrote machine-wide"; status=1; }
wine regsvr32 /u /s /n /i:user "$dll" || { echo "per-user unregistration failed"; status=1; }
[ -z "$(query 'HKCU\Software\Classes\Velmor.Zip.1')" ] || { echo "per-user ProgID still present"; status=1; }
wine regsvr32 /s "$dll" || { echo "machine-wide registration failed"; status=1; }
[ -n "$(query 'HKCR\Velmor.Zip.1')" ] || { echo "machine-wide ProgID missing"; status=1; }
[ $status -eq 0 ] && echo "per-user registration through regsvr32: ok"
exit $status
