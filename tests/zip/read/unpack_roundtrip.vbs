' Late-bound round trip through OrvZip: Pack, then Unpack with and without a password, the
' result codes of failures and their texts. Argument: a scratch folder.
Option Explicit
Dim failures : failures = 0

Sub Check(ok, what)
  If Not ok Then
    WScript.Echo "FAIL: " & what
    failures = failures + 1
  End If
End Sub

Dim fso : Set fso = CreateObject("Scripting.FileSystemObject")

' The expected message texts: "code<TAB>text" lines of the UTF-16 table the module tests use.
Function Message(code)
  Dim table, stream, line
  table = fso.BuildPath(fso.GetParentFolderName(WScript.ScriptFullName), "..\..\module\messages.utf16.txt")
  Set stream = fso.OpenTextFile(table, 1, False, -1)
  Message = "<no text for " & code & ">"
  Do While Not stream.AtEndOfStream
    line = Split(stream.ReadLine(), vbTab)
    If UBound(line) >= 1 Then
      If CLng(line(0)) = code Then Message = line(1)
    End If
  Loop
  stream.Close
End Function

Dim msgOpen, msgPassword, msgGeneral
msgOpen = Message(54)
msgPassword = Message(55)
msgGeneral = Message(100)

Dim work : work = WScript.Arguments(0)
If fso.FolderExists(work) Then fso.DeleteFolder work, True
fso.CreateFolder work
Dim src : src = fso.BuildPath(work, "src")
fso.CreateFolder src
fso.CreateFolder fso.BuildPath(src, "sub")

Sub WriteText(path, text)
  Dim f : Set f = fso.CreateTextFile(path, True, False)
  f.Write text
  f.Close
End Sub

Function ReadText(path)
  If Not fso.FileExists(path) Then
    ReadText = "<missing " & path & ">"
  ElseIf fso.GetFile(path).Size = 0 Then
    ReadText = ""
  Else
    Dim f : Set f = fso.OpenTextFile(path, 1, False, 0)
    ReadText = f.ReadAll()
    f.Close
  End If
End Function

Dim i, longText : longText = ""
For i = 1 To 3000
  longText = longText & "line " & i & ";" & (i * 7919 Mod 1000) & vbCrLf
Next
WriteText fso.BuildPath(src, "a.txt"), "alpha"
WriteText fso.BuildPath(src, "sub\long.csv"), longText
WriteText fso.BuildPath(src, "empty.txt"), ""
WriteText fso.BuildPath(src, "stored.zip"), "not really an archive, stored by its suffix"

Dim list
list = "a.txt" & vbTab & fso.BuildPath(src, "a.txt") & vbTab & _
       "sub\long.csv" & vbTab & fso.BuildPath(src, "sub\long.csv") & vbTab & _
       "empty.txt" & vbTab & fso.BuildPath(src, "empty.txt") & vbTab & _
       "inner/stored.zip" & vbTab & fso.BuildPath(src, "stored.zip")

Sub CheckSame(out, what)
  Check ReadText(fso.BuildPath(out, "a.txt")) = "alpha", what & ": a.txt"
  Check ReadText(fso.BuildPath(out, "sub\long.csv")) = longText, what & ": sub\long.csv"
  Check fso.FileExists(fso.BuildPath(out, "empty.txt")), what & ": empty.txt"
  Check ReadText(fso.BuildPath(out, "inner\stored.zip")) = ReadText(fso.BuildPath(src, "stored.zip")), what & ": inner\stored.zip"
  Check fso.GetFile(fso.BuildPath(out, "sub\long.csv")).DateLastModified = _
        fso.GetFile(fso.BuildPath(src, "sub\long.csv")).DateLastModified, what & ": time of sub\long.csv"
End Sub

Dim zip, r, out
Set zip = CreateObject("Velmor.Zip.1")

' Without a password.
Dim plain : plain = fso.BuildPath(work, "plain.zip")
r = zip.Pack(plain, list)
Check r = 0, "Pack without password: " & r
out = fso.BuildPath(work, "out-plain")
fso.CreateFolder out
r = zip.Unpack(plain, out)
Check r = 0, "Unpack without password: " & r
CheckSame out, "plain"
Check LCase(fso.GetAbsolutePathName(".")) = LCase(out), "current folder after Unpack: " & fso.GetAbsolutePathName(".")

' A relative archive name resolves against the folder Unpack makes current.
fso.CopyFile plain, fso.BuildPath(out, "copy.zip")
fso.DeleteFile fso.BuildPath(out, "a.txt")
r = zip.Unpack("copy.zip", out)
Check r = 0, "Unpack of a relative name: " & r
Check ReadText(fso.BuildPath(out, "a.txt")) = "alpha", "relative name: a.txt"

' With a password on both sides.
Dim secret : secret = fso.BuildPath(work, "secret.zip")
zip.SetPassword "s3cret pass"
r = zip.Pack(secret, list)
Check r = 0, "Pack with password: " & r
out = fso.BuildPath(work, "out-secret")
fso.CreateFolder out
r = zip.Unpack(secret, out)
Check r = 0, "Unpack with password: " & r
CheckSame out, "secret"

' Wrong password, and none at all: 55 and its text. The check is one byte, so about one
' wrong password in 256 passes it by chance; the data then fail to decompress (100), never
' give 0. A chance pass is tried again on a freshly packed archive, whose headers are new
' random bytes: four passes in a row come once in 2^32 runs.
Function UnpackWithWrongPassword(unzipper)
  Dim attempt, result
  For attempt = 1 To 4
    result = unzipper.Unpack(secret, out)
    If result <> 100 Then Exit For
    Check zip.Pack(secret, list) = 0, "Pack again with password"
  Next
  UnpackWithWrongPassword = result
End Function

Dim other : Set other = CreateObject("Velmor.Zip.1")
other.SetPassword "wrong"
out = fso.BuildPath(work, "out-wrong")
fso.CreateFolder out
r = UnpackWithWrongPassword(other)
Check r = 55, "Unpack with a wrong password: " & r
Check other.ErrDescription(r) = msgPassword, "text of 55"
other.SetPassword ""
r = UnpackWithWrongPassword(other)
Check r = 55, "Unpack of an encrypted archive without password: " & r
' The empty password removes it: the plain archive unpacks again.
r = other.Unpack(plain, out)
Check r = 0, "Unpack after the password was removed: " & r

' A missing archive: 54, and the folder still becomes current.
out = fso.BuildPath(work, "out-missing")
fso.CreateFolder out
r = zip.Unpack(fso.BuildPath(work, "missing.zip"), out)
Check r = 54, "Unpack of a missing archive: " & r
Check zip.ErrDescription(r) = msgOpen, "text of 54"
Check LCase(fso.GetAbsolutePathName(".")) = LCase(out), "current folder after 54"

' An output file that cannot be created (a folder of that name is in the way): 100, and
' the entry before it stays.
out = fso.BuildPath(work, "out-blocked")
fso.CreateFolder out
fso.CreateFolder fso.BuildPath(out, "sub")
fso.CreateFolder fso.BuildPath(out, "sub\long.csv")
r = zip.Unpack(plain, out)
Check r = 100, "Unpack onto a blocking folder: " & r
Check zip.ErrDescription(r) = msgGeneral, "text of 100"
Check ReadText(fso.BuildPath(out, "a.txt")) = "alpha", "entry before the failure stays"
Check Not fso.FileExists(fso.BuildPath(out, "empty.txt")), "entries after the failure are not attempted"

' Leave the scratch folder so it can be removed by the next run.
Dim shell : Set shell = CreateObject("WScript.Shell")
shell.CurrentDirectory = fso.GetParentFolderName(work)

If failures > 0 Then WScript.Quit 1
WScript.Echo "OrvZip round trip from VBScript: all checks passed"
