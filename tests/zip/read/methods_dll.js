// Every method through the component, as a script host calls it: for each archive named on
// the command line, Unpack of all of it, Test, UnpackFiles of one entry, then Add of a file
// to a copy (WORK\index.zip) and Remove of empty.txt from it, the results printed on a line
// ("index unpack test pick add remove") for the driver to judge; the extracted files land in
// WORK\index\all and WORK\index\pick.
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
    // Add and Remove copy the other entries as they are, whatever their method.
    var copy = row + ".zip";
    fso.CopyFile(args(i), copy, true);
    var added = zip.Add(copy, "added.txt\t" + args(i));
    var removed = zip.Remove(copy, "empty.txt");
    WScript.Echo((i - 1) / 3 + " " + unpacked + " " + tested + " " + picked + " " + added + " " +
                 removed);
}
