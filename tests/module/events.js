// OnProgress from JScript: a function as the handler, its true as cancel, null to drop it, a
// call from inside the handler refused; OrvZip's Pack and OrvFtp's GetFile without a window.
var failures = 0;
function check(condition, what) {
  if (!condition) {
    WScript.Echo("FAILED: " + what);
    failures++;
  }
}

var shell = new ActiveXObject("WScript.Shell");
var fso = new ActiveXObject("Scripting.FileSystemObject");
var work = fso.GetSpecialFolder(2) + "\\velmor_events_js";
if (fso.FolderExists(work)) fso.DeleteFolder(work, true);
fso.CreateFolder(work);

// 16 MiB of letters that do not repeat within the compressor's window, so Pack takes a while.
var block = "";
for (var i = 0; i < 65536; i++) block += String.fromCharCode(97 + Math.floor(Math.random() * 20));
var list = "";
for (var f = 0; f < 2; f++) {
  var path = work + "\\part" + f + ".txt";
  var stream = fso.CreateTextFile(path, true);
  for (var k = 0; k < 128; k++) stream.Write(block);
  stream.Close();
  list += (list ? "\t" : "") + "part" + f + ".txt\t" + path;
}

var zip = new ActiveXObject("Velmor.Zip.1");
var events = [];
var inner = -1;
zip.OnProgress = function (name, done, total) {
  events.push({name: name, done: done, total: total});
  if (events.length == 2) inner = zip.Pack(work + "\\inner.zip", list);
};
check(zip.Pack(work + "\\a.zip", list) == 0, "Pack with a handler");
check(events.length >= 3, "several events: " + events.length);
check(events[0].done == 0 && events[0].name == "part0.txt", "the first event starts at 0");
var last = events[events.length - 1];
check(last.done == last.total && last.total == 2 * 128 * 65536, "the last event ends at total");
check(inner == 100, "a call from the handler gives 100: " + inner);
check(!fso.FileExists(work + "\\inner.zip"), "the refused call made nothing");

var count = 0;
zip.OnProgress = function () { return ++count == 2; };
check(zip.Pack(work + "\\b.zip", list) == 77, "Pack cancelled by the handler's true");
check(zip.LastResult == 77 && count == 2, "LastResult 77 after two events");

zip.OnProgress = null;
count = 0;
check(zip.Unpack(work + "\\a.zip", work + "\\out") == 0 && count == 0, "no handler after null");

// GetFile without the window: paced at a chunk per pause, cancelled by the handler.
var state = shell.Environment("PROCESS")("VELMOR_FTP_STATE");
if (state) try {
  var port = fso.OpenTextFile("Z:" + state.replace(/\//g, "\\") + "\\port").ReadAll();
  var ftp = new ActiveXObject("Velmor.Ftp.1");
  check(ftp.ShowProgressWindow === true, "the window is shown by default");
  ftp.ShowProgressWindow = false;
  check(ftp.OpenSession() == 0, "OpenSession");
  check(ftp.Connect("127.0.0.1:" + port.replace(/\s+/g, ""), "tester", "secret") == 0, "Connect");
  var heard = [];
  ftp.OnProgress = function (remote, done, total) { heard.push(done); };
  check(ftp.GetFile(work + "\\ten.bin", "ten_thousand.bin") == 0, "GetFile with a handler");
  check(heard.length >= 3 && heard[heard.length - 1] == 10000, "GetFile's events: " + heard);
  ftp.OnProgress = function () { return true; };
  check(ftp.GetFile(work + "\\cut.bin", "ten_thousand.bin") == 77, "GetFile cancelled");
  check(!fso.FileExists(work + "\\cut.bin") && ftp.LastResult == 77, "the cut file is gone");
  ftp.CloseSession();
} catch (e) {
  check(false, "the FTP part stopped: " + e.number + " " + e.description);
}

shell.CurrentDirectory = fso.GetSpecialFolder(2);  // Unpack left it in the work folder
fso.DeleteFolder(work, true);
if (failures == 0) WScript.Echo("events script passed");
WScript.Quit(failures);
