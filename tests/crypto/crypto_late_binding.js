// Late-bound client of Velmor.Crypto.1: round trips with and without a
// password, and failures described through ErrDescription(56).
var failures = 0;
function check(ok, what) {
  if (!ok) {
    WScript.Echo("FAIL: " + what);
    failures++;
  }
}

var fso = new ActiveXObject("Scripting.FileSystemObject");
var dir = fso.BuildPath(fso.GetSpecialFolder(2), "velmor-crypto-js-" + fso.GetTempName());
fso.CreateFolder(dir);
function path(name) { return fso.BuildPath(dir, name); }
function readAll(name) {
  var s = fso.OpenTextFile(path(name), 1, false, 0);
  var text = s.AtEndOfStream ? "" : s.ReadAll();
  s.Close();
  return text;
}

var text = "";
for (var i = 1; i <= 300; i++) text += "line " + i + " of the sample\r\n";
var f = fso.CreateTextFile(path("plain.txt"), true, false);
f.Write(text);
f.Close();

var crypto = new ActiveXObject("Velmor.Crypto.1");
check(crypto.ErrDescription(56) === "", "56 on a new object is empty");

crypto.SetCryptPassword("\u041f\u0430\u0440\u043e\u043b\u044c");
check(crypto.EncryptFile(path("plain.txt"), path("pw.enc")) === 0, "encrypt with password");
check(crypto.DecryptFile(path("pw.enc"), path("pw.out")) === 0, "decrypt with password");
check(readAll("pw.out") === text, "password round trip");

crypto.SetCryptPassword("");
check(crypto.EncryptFile(path("plain.txt"), path("user.enc")) === 0, "encrypt with the user's key");
var r = crypto.DecryptFile(path("user.enc"), path("user.out"));
check(r === 0, "decrypt with the user's key: " + r + " " + crypto.ErrDescription(56));
check(readAll("user.out") === text, "user key round trip");

r = crypto.EncryptFile(path("missing.txt"), path("never.enc"));
check(r === 56, "missing input: " + r);
var missingText = crypto.ErrDescription(56);
check(missingText.length > 0, "missing input has a text");
check(!fso.FileExists(path("never.enc")), "no output for a missing input");

crypto.SetCryptPassword("wrong");
r = crypto.DecryptFile(path("pw.enc"), path("wrong.out"));
check(r === 56, "wrong password: " + r);
var wrongText = crypto.ErrDescription(56);
check(wrongText.length > 0 && wrongText !== missingText, "wrong password has its own text");
check(crypto.ErrDescription(55) ===
      "\u041d\u0435\u0438\u0437\u0432\u0435\u0441\u0442\u043d\u0430\u044f \u043e\u0448\u0438\u0431\u043a\u0430",
      "other codes: message 212");

fso.DeleteFolder(dir, true);
if (failures > 0) WScript.Quit(1);
WScript.Echo("crypto late binding: all checks passed");
