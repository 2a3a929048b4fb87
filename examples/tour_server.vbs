' Tour, OrvServer: the host side of a file exchange with handheld devices.
' Argument: the examples folder. The sample exchange folder (server\) is copied
' to a temporary folder first, since acknowledging a device deletes its file.
Option Explicit
Dim fso, source, work, server, i, count, line, id
Set fso = CreateObject("Scripting.FileSystemObject")
source = fso.BuildPath(WScript.Arguments(0), "server")
work = fso.BuildPath(fso.GetSpecialFolder(2), fso.GetTempName())
fso.CopyFolder source, work

Set server = CreateObject("Velmor.OrvServer.1")
WScript.Echo "OrvServer " & server.Version()
server.SetExchangeDir work
count = server.GetPPCCount()
WScript.Echo "Exchange folder: " & server.GetExchangeDir() & " (" & count & " devices)"

Sub ListDevices()
  Dim k, l, f
  For k = 0 To count - 1
    l = server.GetPPCInfoByIndex(k)
    f = server.GetFieldPPCInfo(l, "file")
    If f = "" Then f = "(nothing ready)"
    WScript.Echo "  " & server.GetFieldPPCInfo(l, "pseudonim") & " [" & _
      server.GetFieldPPCInfo(l, "directory") & "]: " & f & "  " & _
      server.GetFieldPPCInfo(l, "time") & "  crc " & server.GetFieldPPCInfo(l, "crc")
  Next
End Sub

WScript.Echo "Devices and their ready files:"
ListDevices
line = server.GetPPCInfoByIndex(0)
WScript.Echo "Info line of the first device:"
WScript.Echo "  " & line

' The host processes the file, then acknowledges it: the file is deleted and
' the device's next stacked file becomes current.
id = server.GetFieldPPCInfo(line, "device_id")
WScript.Echo "ProcessDone " & id & " (" & server.GetFieldPPCInfo(line, "file") & ")"
server.ProcessDone id
If fso.FileExists(fso.BuildPath(work, server.GetFieldPPCInfo(line, "file"))) Then
  WScript.Echo "  " & server.GetFieldPPCInfo(line, "file") & " is still there"
Else
  WScript.Echo "  " & server.GetFieldPPCInfo(line, "file") & " was deleted"
End If
WScript.Echo "  now current: " & server.GetFieldPPCInfo(server.GetPPCInfo(id), "file")
WScript.Echo "Devices after the acknowledgement:"
ListDevices

Set server = Nothing
fso.DeleteFolder work, True
