// Packs a folder's files with a progress bar in the console; a second argument "cancel" stops
// the Pack at half way. cscript //nologo zip_progress.js C:\data [cancel]
// OnProgress takes a function: (name, done, total), and a true return value cancels.
var fso = new ActiveXObject("Scripting.FileSystemObject");
var args = WScript.Arguments;
if (args.length < 1) {
  WScript.Echo("usage: cscript //nologo zip_progress.js FOLDER [cancel]");
  WScript.Quit(2);
}
var folder = fso.GetFolder(args(0));
var list = [];
for (var e = new Enumerator(folder.Files); !e.atEnd(); e.moveNext()) {
  list.push(e.item().Name + "\t" + e.item().Path);
}
var stopHalfWay = args.length > 1 && args(1) == "cancel";

var zip = new ActiveXObject("Velmor.Zip.1");
zip.OnProgress = function (name, done, total) {
  var width = 40;
  var filled = total > 0 ? Math.round(width * done / total) : 0;
  var bar = new Array(filled + 1).join("#") + new Array(width - filled + 1).join("-");
  WScript.StdOut.Write("\r[" + bar + "] " + Math.round(total > 0 ? 100 * done / total : 0) +
                       "%  " + name + "                    ");
  return stopHalfWay && done * 2 >= total;
};
var archive = fso.BuildPath(fso.GetSpecialFolder(2), folder.Name + ".zip");
var result = zip.Pack(archive, list.join("\t"));
zip.OnProgress = null;
WScript.StdOut.WriteLine("");
WScript.Echo(result == 0 ? "packed into " + archive
                         : result + ": " + zip.ErrDescription(result));
WScript.Quit(result);
