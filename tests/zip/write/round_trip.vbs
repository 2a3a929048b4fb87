' Late-bound round trip through OrvZip: Pack and Unpack with and without a password,
' the result codes of the failures, and their message texts.
' Argument: a scratch folder (Windows path) that the script may fill and empty.
Option Explicit
Dim failures : failures = 0
Sub Check(ok, what)
  If Not ok Then
    WScript.Echo "FAIL: " & what
    failures = failures + 1
  End If
End Sub

' The expected message texts, read from the library's UTF-16 list of "code<TAB>text" lines.
Dim messages
Set messages = CreateObject("Scripting.Dictionary")
Sub LoadMessages()
  Dim fs, stream, line, fields
  Set fs = CreateObject("Scripting.FileSystemObject")
  Set stream = fs.OpenTextFile(fs.BuildPath(fs.GetParentFolderName(WScript.ScriptFullName), _
    "..\..\module\messages.utf16.txt"), 1, False, -1)
  Do While Not stream.AtEndOfStream
    line = stream.ReadLine()
    If Len(line) > 0 Then
      fields = Split(line, vbTab)
      messages(CLng(fields(0))) = fields(1)
    End If
  Loop
  stream.Close
End Sub
LoadMessages
Check messages.Count > 20, "message texts read: " & messages.Count

Dim fso, shell, work, src, zip
Set fso = CreateObject("Scripting.FileSystemObject")
Set shell = CreateObject("WScript.Shell")
work = fso.BuildPath(WScript.Arguments(0), "zip_round_trip")
If fso.FolderExists(work) Then fso.DeleteFolder work, True
fso.CreateFolder work
src = fso.BuildPath(work, "src")
fso.CreateFolder src
fso.CreateFolder fso.BuildPath(src, "sub")

Sub WriteText(path, text)
  Dim f
  Set f = fso.CreateTextFile(path, True)
  f.Write text
  f.Close
End Sub

Dim i, big
big = ""
For i = 1 To 3000
  big = big & i & ";row " & i & ";value " & (i * 7) & vbCrLf
Next
WriteText fso.BuildPath(src, "a.txt"), "first file" & vbCrLf
WriteText fso.BuildPath(src, "sub\b.csv"), big
WriteText fso.BuildPath(src, "c.zip"), "stored, not deflated"

Dim names, files
names = Array("a.txt", "sub\b.csv", "docs\c.zip")
files = Array("a.txt", "sub\b.csv", "c.zip")
Function FileList()
  Dim k, s
  s = ""
  For k = 0 To UBound(names)
    If k > 0 Then s = s & vbTab
    s = s & names(k) & vbTab & fso.BuildPath(src, files(k))
  Next
  FileList = s
End Function

Sub CompareTree(outDir, label)
  Dim k, a, b, fa, fb
  For k = 0 To UBound(names)
    a = fso.BuildPath(src, files(k))
    b = fso.BuildPath(outDir, Replace(names(k), "/", "\"))
    If Not fso.FileExists(b) Then
      Check False, label & ": missing " & names(k)
    Else
      Set fa = fso.OpenTextFile(a)
      Set fb = fso.OpenTextFile(b)
      Check fa.ReadAll() = fb.ReadAll(), label & ": content of " & names(k)
      fa.Close
      fb.Close
      ' Dates are days; the times agree to the second.
      Check Abs(CDbl(fso.GetFile(a).DateLastModified) - CDbl(fso.GetFile(b).DateLastModified)) * 86400 < 1, _
        label & ": modification time of " & names(k)
    End If
  Next
End Sub

Dim archive, r, out
Set zip = CreateObject("Velmor.Zip.1")
archive = fso.BuildPath(work, "plain.zip")
r = zip.Pack(archive, FileList())
Check r = 0, "Pack without password: " & r
out = fso.BuildPath(work, "out_plain")
fso.CreateFolder out
r = zip.Unpack(archive, out)
Check r = 0, "Unpack without password: " & r
CompareTree out, "plain"
Check LCase(shell.CurrentDirectory) = LCase(out), "current directory after Unpack: " & shell.CurrentDirectory

' With a password: the same password unpacks, none or a wrong one does not.
zip.SetPassword "S3cret pass"
archive = fso.BuildPath(work, "secret.zip")
Check zip.Pack(archive, FileList()) = 0, "Pack with password"
out = fso.BuildPath(work, "out_secret")
fso.CreateFolder out
r = zip.Unpack(archive, out)
Check r = 0, "Unpack with password: " & r
CompareTree out, "secret"

Dim other
Set other = CreateObject("Velmor.Zip.1")
fso.CreateFolder fso.BuildPath(work, "out_none")
r = other.Unpack(archive, fso.BuildPath(work, "out_none"))
' A wrong password passes the one-byte check once in 256; the damaged data then fails.
Check r = 55 Or r = 100, "Unpack without the password: " & r
other.SetPassword "wrong"
fso.CreateFolder fso.BuildPath(work, "out_wrong")
r = other.Unpack(archive, fso.BuildPath(work, "out_wrong"))
Check r = 55 Or r = 100, "Unpack with a wrong password: " & r
Check other.ErrDescription(55) = messages(55), "message 55"

' A relative archive name resolves against the extraction folder.
fso.CreateFolder fso.BuildPath(work, "out_rel")
fso.CopyFile archive, fso.BuildPath(work, "out_rel\"), True
r = zip.Unpack("secret.zip", fso.BuildPath(work, "out_rel"))
Check r = 0, "Unpack of a relative archive name: " & r
CompareTree fso.BuildPath(work, "out_rel"), "relative"

' An empty password removes it again.
zip.SetPassword ""
archive = fso.BuildPath(work, "again.zip")
Check zip.Pack(archive, FileList()) = 0, "Pack after removing the password"
fso.CreateFolder fso.BuildPath(work, "out_again")
Check other.Unpack(archive, fso.BuildPath(work, "out_again")) = 0, "unencrypted archive unpacks whatever the password"

' Failures and their texts.
r = zip.Pack(fso.BuildPath(work, "lone.zip"), "only-a-name")
Check r = 53, "a list of one field: " & r
Check Not fso.FileExists(fso.BuildPath(work, "lone.zip")), "no archive for a list of one field"
Check zip.ErrDescription(53) = messages(53), "message 53"
r = zip.Pack(fso.BuildPath(work, "missing.zip"), "x.txt" & vbTab & fso.BuildPath(src, "nope.txt"))
Check r = 51, "a missing source: " & r
Check Not fso.FileExists(fso.BuildPath(work, "missing.zip")), "no archive after a missing first source"
Check zip.ErrDescription(51) = messages(51), "message 51"
r = zip.Unpack(fso.BuildPath(work, "missing.zip"), work)
Check r = 54, "Unpack of an archive that is not there: " & r
Check zip.ErrDescription(54) = messages(54), "message 54"
r = zip.Pack(fso.BuildPath(work, "no\such\folder.zip"), FileList())
Check r = 50, "an uncreatable archive: " & r
Check zip.ErrDescription(50) = messages(50), "message 50"

' A password longer than 127 bytes is refused, never cut short.
zip.SetPassword String(128, "p")
Check zip.Pack(fso.BuildPath(work, "long.zip"), FileList()) = 50, "Pack with a password that does not fit"
Check Not fso.FileExists(fso.BuildPath(work, "long.zip")), "no archive with a password that does not fit"
Check zip.Unpack(fso.BuildPath(work, "secret.zip"), work) = 54, "Unpack with a password that does not fit"
zip.SetPassword String(127, "p")
Check zip.Pack(fso.BuildPath(work, "long.zip"), FileList()) = 0, "Pack with a 127-byte password"

shell.CurrentDirectory = WScript.Arguments(0)
If failures = 0 Then fso.DeleteFolder work, True
If failures > 0 Then
  WScript.Echo failures & " failure(s)"
  WScript.Quit 1
End If
WScript.Echo "zip round trip ok"
