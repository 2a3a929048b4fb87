// The members of IOrvZip2 late-bound, as a script host sees them: LastResult after each call,
// Encryption's accepted values, List's text, Test, UnpackFiles leaving the current folder,
// Add and Remove in place, and a failed Pack that keeps the archive it would have replaced.
// Argument: a scratch folder.
var failures = 0;
function check(ok, what) {
    if (!ok) {
        WScript.Echo("FAIL: " + what);
        failures++;
    }
}

var fso = new ActiveXObject("Scripting.FileSystemObject");
var shell = new ActiveXObject("WScript.Shell");
var work = WScript.Arguments(0);
if (fso.FolderExists(work)) fso.DeleteFolder(work, true);
fso.CreateFolder(work);
function write(name, text) {
    var f = fso.CreateTextFile(fso.BuildPath(work, name), true, false);
    f.Write(text);
    f.Close();
    return fso.BuildPath(work, name);
}
// The archive's size and time: what a replaced or rewritten file would change.
function bytes(path) {
    var f = fso.GetFile(path);
    return f.Size + ":" + f.DateLastModified;
}
var a = write("a.txt", "alpha"), b = write("b.txt", "beta beta beta");
var zip = new ActiveXObject("Velmor.Zip.1");
var archive = fso.BuildPath(work, "x.zip");

check(zip.Encryption == 0, "Encryption starts at 0");
var refused = false;
try { zip.Encryption = 2; } catch (e) { refused = true; }
check(refused && zip.Encryption == 0, "Encryption 2 is refused and the setting stays");
zip.Encryption = 1;
zip.Encryption = 0;

check(zip.List(fso.BuildPath(work, "none.zip")) == "" && zip.LastResult == 54, "List of nothing");
check(zip.Pack(archive, "dir\\a.txt\t" + a + "\tb.txt\t" + b) == 0 && zip.LastResult == 0, "Pack");
var lines = zip.List(archive).split("\r\n");
check(lines.length == 3 && lines[2] == "", "List gives a line per entry, each ending in CR LF");
var fields = lines[0].split("\t");
check(fields.length == 7 && fields[0] == "dir/a.txt" && fields[1] == "5" && fields[5] == "deflated" &&
      fields[6] == "", "List fields: " + lines[0]);
check(zip.Test(archive) == 0, "Test of a sound archive");

var here = shell.CurrentDirectory;
var out = fso.BuildPath(work, "out");
check(zip.UnpackFiles(archive, "DIR", out) == 0 && fso.FileExists(fso.BuildPath(out, "dir\\a.txt")) &&
      !fso.FileExists(fso.BuildPath(out, "b.txt")), "UnpackFiles picks the folder");
check(shell.CurrentDirectory == here, "UnpackFiles leaves the current folder");
check(zip.UnpackFiles(archive, "c.txt", out) == 57 && zip.LastResult == 57, "UnpackFiles of a missing name");

check(zip.Add(archive, "c.txt\t" + a) == 0, "Add");
check(zip.Remove(archive, "b.TXT") == 0 && zip.List(archive).split("\r\n").length == 3, "Remove");
var before = bytes(archive);
check(zip.Remove(archive, "b.txt") == 57 && bytes(archive) == before, "Remove of a missing name");
check(zip.Pack(archive, "a\t" + a + "\tz\t" + fso.BuildPath(work, "missing")) == 51 &&
      bytes(archive) == before, "a failed Pack keeps the archive it would have replaced");
zip.SetPassword("pw");
zip.Encryption = 1;
check(zip.Add(archive, "secret.txt\t" + b) == 0 && zip.List(archive).indexOf("\taes256") > 0,
      "Add with AES-256");
zip.SetPassword("wrong");
check(zip.Test(archive) == 55 && zip.LastResult == 55, "Test with a wrong password");

WScript.Quit(failures ? 1 : 0);
