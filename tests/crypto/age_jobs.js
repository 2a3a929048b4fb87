// Runs a list of OrvCrypto calls late-bound, one per line of a job file, and writes one result
// line per job: the call's result code, "ok" for a setting that took, or the error's number
// when the call was refused. Fields are separated by tabs:
//   format N   armor 0|1   password [TEXT]   recipients [FILE]   identities [FILE]
//   enc FROM TO   dec FROM TO   user FILE (UserRecipient written to FILE)
// recipients and identities hand the file's text to the call ("" without a file).
// Arguments: JOB_FILE RESULT_FILE.
var fso = new ActiveXObject("Scripting.FileSystemObject");
var crypto = new ActiveXObject("Velmor.Crypto.1");
var jobs = fso.OpenTextFile(WScript.Arguments(0), 1, false, -1);  // UTF-16
var results = fso.CreateTextFile(WScript.Arguments(1), true, false);
function text(path) {
    if (!path) return "";
    var s = fso.OpenTextFile(path, 1, false, 0);
    var t = s.AtEndOfStream ? "" : s.ReadAll();
    s.Close();
    return t;
}
function run(f) {
    switch (f[0]) {
    case "format": crypto.Format = parseInt(f[1], 10); return "ok";
    case "armor": crypto.Armor = f[1] === "1"; return "ok";
    case "password": crypto.SetCryptPassword(f[1] || ""); return "ok";
    case "recipients": return crypto.SetRecipients(text(f[1]));
    case "identities": return crypto.SetIdentities(text(f[1]));
    case "enc": return crypto.EncryptFile(f[1], f[2]);
    case "dec": return crypto.DecryptFile(f[1], f[2]);
    case "user":
        var out = fso.CreateTextFile(f[1], true, false);
        out.Write(crypto.UserRecipient);
        out.Close();
        return "ok";
    }
    return "unknown job " + f[0];
}
while (!jobs.AtEndOfStream) {
    var line = jobs.ReadLine();
    if (line === "") continue;
    var answer;
    try {
        answer = run(line.split("\t"));
    } catch (e) {
        answer = "error " + (e.number >>> 0).toString(16);
    }
    results.WriteLine(String(answer));
}
jobs.Close();
results.Close();
