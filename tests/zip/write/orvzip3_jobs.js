// Runs a list of OrvZip calls late-bound, one per line of a job file, and writes one result
// line per job: the call's result code, "ok" for a property that took its value, or
// "E_INVALIDARG" when the call was refused. Fields are separated by tabs; in a list of names
// or a Pack list, "|" stands for a tab. The peers' test driver checks what the calls made.
//   folder ARCHIVE FOLDER ENTRYFOLDER MASKS FLAGS    AddFolder
//   pack ARCHIVE LIST   add ARCHIVE LIST             Pack, Add
//   files ARCHIVE NAMES FOLDER   remove ARCHIVE NAMES   UnpackFiles, Remove
//   level [N]   password TEXT   encryption N           properties and SetPassword
//   copy FROM TO   hide PATH                         file helpers (hide: the hidden attribute)
// Arguments: JOB_FILE RESULT_FILE.
var fso = new ActiveXObject("Scripting.FileSystemObject");
var zip = new ActiveXObject("Velmor.Zip.1");
var jobs = fso.OpenTextFile(WScript.Arguments(0), 1, false, -1);  // UTF-16
var results = fso.CreateTextFile(WScript.Arguments(1), true, false);
function tabs(text) { return text.replace(/\|/g, "\t"); }
function run(f) {
    switch (f[0]) {
    case "folder": return zip.AddFolder(f[1], f[2], f[3], f[4], parseInt(f[5], 10));
    case "pack": return zip.Pack(f[1], tabs(f[2]));
    case "add": return zip.Add(f[1], tabs(f[2]));
    case "files": return zip.UnpackFiles(f[1], tabs(f[2]), f[3]);
    case "remove": return zip.Remove(f[1], tabs(f[2]));
    case "level":
        if (f.length > 1) zip.CompressionLevel = parseInt(f[1], 10);
        return zip.CompressionLevel;
    case "password": zip.SetPassword(f[1] || ""); return "ok";
    case "encryption": zip.Encryption = parseInt(f[1], 10); return "ok";
    case "copy": fso.CopyFile(f[1], f[2], true); return "ok";
    case "hide":
        if (fso.FileExists(f[1])) {
            var file = fso.GetFile(f[1]);
            file.Attributes = file.Attributes | 2;
            return "ok";
        }
        // Wine's Folder object cannot set attributes; its attrib can.
        return new ActiveXObject("WScript.Shell").Run('attrib +h "' + f[1] + '"', 0, true) == 0
                   ? "ok" : "attrib failed";
    }
    return "unknown job " + f[0];
}
while (!jobs.AtEndOfStream) {
    var line = jobs.ReadLine();
    if (line == "") continue;
    var outcome;
    try {
        outcome = run(line.split("\t"));
    } catch (e) {
        outcome = (e.number & 0xFFFFFFFF) == (0x80070057 | 0) ? "E_INVALIDARG" : "error " + e.number;
    }
    results.WriteLine(String(outcome));
}
results.Close();
