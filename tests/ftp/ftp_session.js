// A late-bound OrvFtp session against the local test server, as a script
// host uses it: open, connect, look around, download, upload, close.
var failures = 0;
function check(condition, what) {
  if (!condition) {
    WScript.Echo("FAILED: " + what);
    failures++;
  }
}

var shell = new ActiveXObject("WScript.Shell");
var fso = new ActiveXObject("Scripting.FileSystemObject");
var state = "Z:" + shell.Environment("PROCESS")("VELMOR_FTP_STATE").replace(/\//g, "\\");
var port = fso.OpenTextFile(state + "\\port").ReadAll().replace(/\s+/g, "");
var root = state + "\\root";
var server = "127.0.0.1:" + port;
var temp = fso.GetSpecialFolder(2) + "\\velmor_ftp_script_" + port;
if (!fso.FolderExists(temp)) fso.CreateFolder(temp);

// Wine does not follow a version-independent ProgID's CurVer, so both
// objects are made from the versioned one.
var ftp = new ActiveXObject("Velmor.Ftp.1");
var other = new ActiveXObject("Velmor.Ftp.1");

check(ftp.Connect(server, "tester", "secret") == 76, "Connect before OpenSession gives 76");
check(ftp.FileExists("empty.bin") == 78, "FileExists before Connect gives 78");
check(ftp.PutFile("a.bin", "b.bin") == 78, "PutFile before Connect gives 78");
// "Не подключен к серверу"
check(ftp.ErrDescription(78) ==
      "\u041d\u0435 \u043f\u043e\u0434\u043a\u043b\u044e\u0447\u0435\u043d \u043a " +
      "\u0441\u0435\u0440\u0432\u0435\u0440\u0443", "ErrDescription(78)");

ftp.SetProxy("", "", "");
check(ftp.OpenSession() == 0, "OpenSession");
check(ftp.Connect(server + ":P", "tester", "secret") == 0, "Connect");
check(other.FileExists("sub\\inner.txt") == 0, "FileExists through the second object");

var made = "script_" + port;
check(ftp.CreateDirectory(made) == 0, "CreateDirectory");
check(fso.FolderExists(root + "\\" + made), "the new folder is on the server");
check(ftp.SetCurDir(made) == 0, "SetCurDir into the new folder");
check(ftp.SetCurDir("/") == 0, "SetCurDir back to the root");
if (fso.FolderExists(root + "\\" + made)) fso.DeleteFolder(root + "\\" + made);

var local = temp + "\\ten.bin";
var result = ftp.GetFile(local, "ten_thousand.bin");
check(result == 0, "GetFile gives 0 (" + result + ")");
if (result == 0) check(fso.GetFile(local).Size == 10000, "the download has 10000 bytes");
var uploaded = "script_up_" + port + ".bin";
result = ftp.PutFile(local, "sub\\" + uploaded);
check(result == 0, "PutFile gives 0 (" + result + ")");
if (result == 0) {
  check(fso.GetFile(root + "\\sub\\" + uploaded).Size == 10000, "the server has 10000 bytes");
  fso.DeleteFile(root + "\\sub\\" + uploaded);
}

result = ftp.Connect(server, "tester", "wrong");
check(result == 79 || result == 81, "a wrong password gives a login error (" + result + ")");

ftp.CloseSession();
check(other.Connect(server, "tester", "secret") == 76, "Connect after CloseSession gives 76");

fso.DeleteFolder(temp);
if (failures > 0) WScript.Quit(1);
WScript.Echo("ftp script session passed");
WScript.Quit(0);
