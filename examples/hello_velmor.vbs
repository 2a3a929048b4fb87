' One call of every VelmorCOM component, late-bound, from VBScript.
' Register the library first (install.cmd), then: cscript //nologo hello_velmor.vbs
Option Explicit
Dim gps, zip, ftp, crypto, server

Set gps = CreateObject("Velmor.OrvGps.1")
' Positions are degrees x 100 + minutes: Moscow to Saint Petersburg.
WScript.Echo "OrvGps.Distance: " & Round(gps.Distance(5545.2, 3737.0, 5956.0, 3019.0)) & " m"

Set zip = CreateObject("Velmor.Zip.1")
WScript.Echo "OrvZip.ErrDescription(55): " & zip.ErrDescription(55)

Set ftp = CreateObject("Velmor.Ftp.1")
' Without Connect every remote operation answers 78 (not connected).
WScript.Echo "OrvFtp.FileExists before Connect: " & ftp.FileExists("readme.txt")

Set crypto = CreateObject("Velmor.Crypto.1")
WScript.Echo "OrvCrypto.ErrDescription(1): " & crypto.ErrDescription(1)

Set server = CreateObject("Velmor.OrvServer.1")
WScript.Echo "OrvServer.Version: " & server.Version()
