' The host cycle through late binding, on a real exchange folder:
' open the folder, list the devices, pick the file out of a line,
' acknowledge it and see the next stacked file take its place.
Option Explicit

Dim fso, root, failures
Set fso = CreateObject("Scripting.FileSystemObject")
failures = 0

Sub Check(cond, what)
    If Not cond Then
        WScript.Echo "FAILED: " & what
        failures = failures + 1
    End If
End Sub

Sub WriteText(name, text)
    Dim f
    Set f = fso.CreateTextFile(fso.BuildPath(root, name), True, False)
    f.Write text
    f.Close
End Sub

Function StatusLine(id, file, stamp, crc)
    StatusLine = id & vbTab & "dev" & vbTab & file & vbTab & stamp & vbTab & crc & vbCrLf
End Function

Const ID_A = "1F2E3D4C-5B6A-4978-8695-A4B3C2D1E0F1"
Const ID_B = "00000000-1111-2222-3333-444455556666"

root = fso.BuildPath(fso.GetSpecialFolder(2), fso.GetTempName())
fso.CreateFolder root

WriteText "config.xml", "<?xml version=""1.0""?>" & vbCrLf & "<PPCS>" & vbCrLf & _
    "<PPC DEVICE_ID=""" & LCase(ID_A) & """ PSEUDONIM=""Store, &amp; &quot;Co&quot;"" DIRECTORY=""store""/>" & vbCrLf & _
    "<PPC DEVICE_ID=""" & ID_B & """ PSEUDONIM=""Van 2"" DIRECTORY=""van2""/>" & vbCrLf & _
    "</PPCS>" & vbCrLf
WriteText "Status.txt", StatusLine(ID_A, "a1.dat", "2024-05-31 14-30-05", "123") & _
                        StatusLine(ID_B, "b1.dat", "2024-06-01 08-00-00", "7")
WriteText "Stack.txt", StatusLine(ID_A, "a2.dat", "2024-05-31 15:00", "-1")
WriteText "a1.dat", "first"
WriteText "a2.dat", "second"

Dim server, line, i, count
Set server = CreateObject("Velmor.OrvServer.1")
Check server.Version() = "1.65.0.0", "Version"
server.SetExchangeDir root
Check server.GetExchangeDir() = root & "\", "GetExchangeDir"
count = server.GetPPCCount()
Check count = 2, "GetPPCCount = " & count

line = server.GetPPCInfoByIndex(0)
Check line = """" & ID_A & """,""Store, & ""Co"""",""store"",""a1.dat"",""2024-05-31 14-30-05"",""0000000123""", _
      "first line: " & line
Check server.GetFieldPPCInfo(line, "file") = "a1.dat", "file field"
Check server.GetFieldPPCInfo(line, "pseudonim") = "Store, & ""Co""", "name with a comma and quotes"
Check server.GetFieldPPCInfo(line, "CRC") = "0000000123", "crc field"
Check server.GetFieldPPCInfo(line, "pseudonym") = "", "unknown field name"

' B's file is not there: not ready, empty file field.
line = server.GetPPCInfoByIndex(99)
Check server.GetFieldPPCInfo(line, "device_id") = ID_B, "clamped index"
Check server.GetFieldPPCInfo(line, "file") = "", "B not ready"
Check server.GetFieldPPCInfo(line, "time") = "0000-00-00 00-00-00", "B time"

' Acknowledge A: its file goes, the stacked file becomes current.
server.ProcessDone server.GetFieldPPCInfo(server.GetPPCInfo(ID_A), "device_id")
Check Not fso.FileExists(fso.BuildPath(root, "a1.dat")), "a1.dat deleted"
line = server.GetPPCInfo(LCase(ID_A))
Check server.GetFieldPPCInfo(line, "file") = "a2.dat", "next stacked file: " & line
Check server.GetFieldPPCInfo(line, "time") = "2024-05-31 15-00-00", "stacked time"
Check server.GetFieldPPCInfo(line, "crc") = "4294967295", "stacked crc"

server.ProcessDone ID_A
Check Not fso.FileExists(fso.BuildPath(root, "a2.dat")), "a2.dat deleted"
Check server.GetFieldPPCInfo(server.GetPPCInfo(ID_A), "file") = "", "nothing left for A"
Check fso.FileExists(fso.BuildPath(root, "Status.txt")), "Status.txt kept"
Check server.GetPPCInfo("{" & ID_A & "}") = "", "braced id"

server.EnableServer
server.DisableServer
Set server = Nothing
fso.DeleteFolder root, True

If failures > 0 Then
    WScript.Echo failures & " check(s) failed"
    WScript.Quit 1
End If
WScript.Echo "host cycle passed"
WScript.Quit 0
