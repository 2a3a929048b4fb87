// Entry names through the component with the Russian ANSI code page (1251): the Cyrillic
// name stays in the code page, the Chinese ones travel as UTF-8, and two Chinese names no
// longer collide as "??.txt". Argument: a scratch folder.
var failures = 0;
function check(ok, what) {
    if (!ok) {
        WScript.Echo("FAIL: " + what);
        failures++;
    }
}

var fso = new ActiveXObject("Scripting.FileSystemObject");
var work = WScript.Arguments(0);
if (fso.FolderExists(work)) fso.DeleteFolder(work, true);
fso.CreateFolder(work);
var src = fso.BuildPath(work, "src");
fso.CreateFolder(src);

// "Data" and "Report" in Chinese, "Report" in Cyrillic inside a Cyrillic folder.
var folder = "\u041f\u0430\u043f\u043a\u0430";
var names = ["\u6570\u636e.txt", "\u62a5\u544a.txt", folder + "\\\u041e\u0442\u0447\u0451\u0442.txt"];
fso.CreateFolder(fso.BuildPath(src, folder));
var list = [];
for (var i = 0; i < names.length; i++) {
    var f = fso.CreateTextFile(fso.BuildPath(src, names[i]), true, false);
    f.Write("file " + i);
    f.Close();
    list.push(names[i], fso.BuildPath(src, names[i]));
}

var zip = new ActiveXObject("Velmor.Zip.1");
var archives = ["plain.zip", "secret.zip"];
for (var a = 0; a < archives.length; a++) {
    if (archives[a] == "secret.zip") zip.SetPassword("s3cret");
    var archive = fso.BuildPath(work, archives[a]);
    var r = zip.Pack(archive, list.join("\t"));
    check(r == 0, "Pack " + archives[a] + ": " + r);
    var out = fso.BuildPath(work, "out-" + archives[a]);
    r = zip.Unpack(archive, out);
    check(r == 0, "Unpack " + archives[a] + ": " + r);
    for (i = 0; i < names.length; i++) {
        var path = fso.BuildPath(out, names[i]);
        if (!fso.FileExists(path)) {
            check(false, archives[a] + ": entry " + i + " missing");
            continue;
        }
        var t = fso.OpenTextFile(path, 1, false, 0);
        check(t.ReadAll() == "file " + i, archives[a] + ": content of entry " + i);
        t.Close();
    }
}

new ActiveXObject("WScript.Shell").CurrentDirectory = fso.GetParentFolderName(work);
if (failures > 0) WScript.Quit(1);
WScript.Echo("OrvZip names round trip: all checks passed");
