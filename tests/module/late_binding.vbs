' Late-bound client: every class by ProgID, Distance and the message texts by name.
Option Explicit
Dim failures : failures = 0

Sub Check(ok, what)
  If Not ok Then
    WScript.Echo "FAIL: " & what
    failures = failures + 1
  End If
End Sub

Dim progIds, p, o
progIds = Array("Velmor.Zip.1", "Velmor.Ftp.1", "Velmor.Crypto.1", "Velmor.OrvServer.1", "Velmor.OrvGps.1")
For Each p In progIds
  Set o = CreateObject(p)
  Check IsObject(o), "CreateObject " & p
  Set o = Nothing
Next

Dim gps, d
Set gps = CreateObject("Velmor.OrvGps.1")
d = gps.Distance(5500.0, 3700.0, 5600.0, 3700.0)
Check Abs(d - 111699.654379187) < 0.000001, "one degree of latitude: " & d
d = gps.Distance(5545.2, 3737.0, 5945.2, 3037.0)
Check Abs(d - 626843.861) < 0.001, "Moscow to the north-west: " & d
Check gps.Distance(5545.2, 3737.0, 5545.2, 3737.0) = 0, "same position"
' Arguments arrive as strings and integers too: the type library coerces them.
d = gps.Distance("5500", 3700, 5600, "3700")
Check Abs(d - 111699.654379187) < 0.000001, "coerced arguments: " & d

Dim zip, ftp, crypto
Set zip = CreateObject("Velmor.Zip.1")
Set ftp = CreateObject("Velmor.Ftp.1")
Set crypto = CreateObject("Velmor.Crypto.1")
' The expected texts come from a UTF-16 file beside this script: "code<TAB>text" lines.
Dim fso, stream, line, fields, expected, checked
Set fso = CreateObject("Scripting.FileSystemObject")
Set stream = fso.OpenTextFile(fso.BuildPath(fso.GetParentFolderName(WScript.ScriptFullName), "messages.utf16.txt"), 1, False, -1)
checked = 0
Do While Not stream.AtEndOfStream
  line = stream.ReadLine()
  If Len(line) > 0 Then
    fields = Split(line, vbTab)
    expected = fields(1)
    Check zip.ErrDescription(CLng(fields(0))) = expected, "zip message " & fields(0)
    Check ftp.ErrDescription(CLng(fields(0))) = expected, "ftp message " & fields(0)
    If CLng(fields(0)) <> 56 Then
      ' OrvCrypto describes 56 (its own last failure) and the age codes 86 to 88.
      If expected = zip.ErrDescription(0) Or (CLng(fields(0)) >= 86 And CLng(fields(0)) <= 88) Then
        Check crypto.ErrDescription(CLng(fields(0))) = expected, "crypto message " & fields(0)
      Else
        Check crypto.ErrDescription(CLng(fields(0))) = zip.ErrDescription(0), "crypto describes only 56 and 86 to 88: " & fields(0)
      End If
    End If
    checked = checked + 1
  End If
Loop
stream.Close
Check checked > 20, "message lines read: " & checked
Check Len(zip.ErrDescription(55)) = 19, "length of message 55"
Check crypto.ErrDescription(56) = "", "crypto 56 on a new object"

Dim server : Set server = CreateObject("Velmor.OrvServer.1")
Check server.Version() = "1.65.0.0", "server version"

If failures > 0 Then WScript.Quit 1
WScript.Echo "late binding from VBScript: all checks passed"
