// One call of every VelmorCOM component, late-bound, from JScript.
// Register the library first (install.cmd), then: cscript //nologo hello_velmor.js
var gps = new ActiveXObject("Velmor.OrvGps.1");
// Positions are degrees x 100 + minutes: Moscow to Saint Petersburg.
WScript.Echo("OrvGps.Distance: " + Math.round(gps.Distance(5545.2, 3737.0, 5956.0, 3019.0)) + " m");

var zip = new ActiveXObject("Velmor.Zip.1");
WScript.Echo("OrvZip.ErrDescription(55): " + zip.ErrDescription(55));

var ftp = new ActiveXObject("Velmor.Ftp.1");
// Without Connect every remote operation answers 78 (not connected).
WScript.Echo("OrvFtp.FileExists before Connect: " + ftp.FileExists("readme.txt"));

var crypto = new ActiveXObject("Velmor.Crypto.1");
WScript.Echo("OrvCrypto.ErrDescription(1): " + crypto.ErrDescription(1));

var server = new ActiveXObject("Velmor.OrvServer.1");
WScript.Echo("OrvServer.Version: " + server.Version());
