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

// The members of IOrvCrypto 2 in one table: each row a call and what it should give.
var c2 = new ActiveXObject("Velmor.Crypto.1");
function refused(f) {
  try { f(); } catch (e) { return (e.number >>> 0) === 0x80070057; }  // E_INVALIDARG
  return false;
}
var user = c2.UserRecipient;
var keyFile = "# created: by hand\r\n\r\nAGE-SECRET-KEY-1MZGAKP0VL62GA8CM7NPYC4YDEM3WJG8M6T3GY57ZVCZNCU92WNWQG3UULE\r\n";
var armored = "";
var russian = "\u0422\u0435\u043a\u0441\u0442 \u0434\u043b\u044f age \ud83d\ude00";
var members = [
  ["Format is 0 by default", function () { return c2.Format; }, 0],
  ["Armor is off by default", function () { return c2.Armor; }, false],
  ["Format 2 refused", function () { return refused(function () { c2.Format = 2; }); }, true],
  ["Format unchanged", function () { return c2.Format; }, 0],
  ["Format 1", function () { c2.Format = 1; return c2.Format; }, 1],
  ["Format -1 refused", function () { return refused(function () { c2.Format = -1; }); }, true],
  ["Armor on", function () { c2.Armor = true; return c2.Armor; }, true],
  ["UserRecipient", function () { return /^age1[02-9ac-hj-np-z]{58}$/.test(user); }, true],
  ["UserRecipient again", function () { return new ActiveXObject("Velmor.Crypto.1").UserRecipient; }, user],
  ["SetRecipients bad line", function () { return c2.SetRecipients(user + "\nage1nonsense"); }, 88],
  ["SetRecipients comments", function () { return c2.SetRecipients("# mine\r\n\r\n" + user + "\r\n"); }, 0],
  ["SetIdentities bad line", function () { return c2.SetIdentities("AGE-SECRET-KEY-1XYZ"); }, 88],
  ["SetIdentities file", function () { return c2.SetIdentities(keyFile); }, 0],
  ["EncryptString to the user", function () { armored = c2.EncryptString(russian); return c2.LastResult; }, 0],
  ["armored", function () { return armored.indexOf("-----BEGIN AGE ENCRYPTED FILE-----") === 0; }, true],
  ["DecryptString", function () { return c2.DecryptString(armored); }, russian],
  ["LastResult", function () { return c2.LastResult; }, 0],
  ["DecryptString cut", function () { return c2.DecryptString(armored.substr(0, 80)); }, ""],
  ["LastResult cut", function () { return c2.LastResult; }, 87],
  ["SetRecipients clears", function () { return c2.SetRecipients(""); }, 0],
  ["SetIdentities clears", function () { return c2.SetIdentities(""); }, 0],
  ["password string", function () {
    c2.SetCryptPassword("pw"); armored = c2.EncryptString("x"); return c2.DecryptString(armored); }, "x"],
  ["wrong password", function () { c2.SetCryptPassword("other"); return c2.DecryptString(armored); }, ""],
  ["LastResult wrong", function () { return c2.LastResult; }, 86],
  ["86", function () { return c2.ErrDescription(86); },
   "\u041d\u0435\u0432\u0435\u0440\u043d\u044b\u0439 \u043f\u0430\u0440\u043e\u043b\u044c \u0438\u043b\u0438 \u043d\u0435\u0442 \u043f\u043e\u0434\u0445\u043e\u0434\u044f\u0449\u0435\u0433\u043e \u043a\u043b\u044e\u0447\u0430"],
  ["87", function () { return c2.ErrDescription(87); },
   "\u0417\u0430\u0448\u0438\u0444\u0440\u043e\u0432\u0430\u043d\u043d\u044b\u0439 \u0444\u0430\u0439\u043b \u043f\u043e\u0432\u0440\u0435\u0436\u0434\u0435\u043d \u0438\u043b\u0438 \u0438\u0437\u043c\u0435\u043d\u0435\u043d"],
  ["88", function () { return c2.ErrDescription(88); },
   "\u041d\u0435\u0432\u0435\u0440\u043d\u044b\u0439 \u0444\u043e\u0440\u043c\u0430\u0442 \u043a\u043b\u044e\u0447\u0430"],
  ["OnProgress cancels", function () {
    c2.SetCryptPassword("");
    c2.Armor = false;
    c2.OnProgress = function (name, done, total) { return true; };
    return c2.EncryptFile(path("plain.txt"), path("cancelled.age"));
  }, 77],
  ["nothing left after cancel", function () { return fso.FileExists(path("cancelled.age")); }, false],
  ["LastResult cancel", function () { return c2.LastResult; }, 77],
  ["OnProgress dropped", function () {
    c2.OnProgress = null;
    return c2.EncryptFile(path("plain.txt"), path("user.age"));
  }, 0],
  ["DecryptFile to the user", function () { return c2.DecryptFile(path("user.age"), path("user.age.out")); }, 0],
  ["user round trip", function () { return readAll("user.age.out") === text; }, true]
];
for (var m = 0; m < members.length; m++) {
  var got;
  try { got = members[m][1](); } catch (e) { got = "error " + (e.number >>> 0).toString(16); }
  check(got === members[m][2], members[m][0] + ": " + got);
}

fso.DeleteFolder(dir, true);
if (failures > 0) WScript.Quit(1);
WScript.Echo("crypto late binding: all checks passed");
