// Late-bound client in JScript: every class by ProgID, Distance and the message texts by name.
var failures = 0;
function check(ok, what) {
  if (!ok) { WScript.Echo("FAIL: " + what); failures++; }
}

var progIds = ["Velmor.Zip.1", "Velmor.Ftp.1", "Velmor.Crypto.1", "Velmor.OrvServer.1", "Velmor.OrvGps.1"];
for (var i = 0; i < progIds.length; i++) {
  var o = new ActiveXObject(progIds[i]);
  check(o != null, "new ActiveXObject " + progIds[i]);
}

var gps = new ActiveXObject("Velmor.OrvGps.1");
var d = gps.Distance(5500.0, 3700.0, 5500.0, 3800.0);
check(Math.abs(d - 64068.289) < 0.001, "one degree of longitude at 55 degrees: " + d);
d = gps.Distance(5945.2, 3037.0, 5545.2, 3737.0);
check(Math.abs(d - 595390.677) < 0.001, "the other order: " + d);
check(gps.Distance(0, 0, 0, 18000.0) == 12800000, "half the equator");

var zip = new ActiveXObject("Velmor.Zip.1");
var ftp = new ActiveXObject("Velmor.Ftp.1");
check(zip.ErrDescription(0) == "\u041d\u0435\u0438\u0437\u0432\u0435\u0441\u0442\u043d\u0430\u044f \u043e\u0448\u0438\u0431\u043a\u0430", "zip 0");
check(zip.ErrDescription(54) == "\u041e\u0448\u0438\u0431\u043a\u0430 \u043e\u0442\u043a\u0440\u044b\u0442\u0438\u044f \u0430\u0440\u0445\u0438\u0432\u0430", "zip 54");
check(ftp.ErrDescription(82) == "\u0421\u0435\u0440\u0432\u0435\u0440 \u043d\u0435 \u043d\u0430\u0439\u0434\u0435\u043d", "ftp 82");
check(ftp.ErrDescription(79) == "\u041d\u0435\u0432\u0435\u0440\u043d\u044b\u0439 \u043f\u0430\u0440\u043e\u043b\u044c \u0438\u043b\u0438 \u0438\u043c\u044f \u043f\u043e\u043b\u044c\u0437\u043e\u0432\u0430\u0442\u0435\u043b\u044f", "ftp 79");

if (failures > 0) WScript.Quit(1);
WScript.Echo("late binding from JScript: all checks passed");
