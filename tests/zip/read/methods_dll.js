// Every method through the component, as a script host calls it: for each archive named on
// the command line, Unpack of all of it, Test, and UnpackFiles of one entry, each result
// printed on a line of its own ("index unpack test pick") for the driver to judge; the
// extracted files land in WORK\index\all and WORK\index\pick.
// Arguments: WORK, then ARCHIVE PASSWORD NAME for each archive ("-" for no password).
var fso = new ActiveXObject("Scripting.FileSystemObject");
var args = WScript.Arguments;
var work = args(0);
for (var i = 1; i + 2 < args.length; i += 3) {
    var zip = new ActiveXObject("Velmor.Zip.1");
    if (args(i + 1) != "-") zip.SetPassword(args(i + 1));
    var row = fso.BuildPath(work, String((i - 1) / 3));
    var unpacked = zip.Unpack(args(i), fso.BuildPath(row, "all"));
    var tested = zip.Test(args(i));
    var picked = zip.UnpackFiles(args(i), args(i + 2), fso.BuildPath(row, "pick"));
    WScript.Echo((i - 1) / 3 + " " + unpacked + " " + tested + " " + picked);
}
