' Tour, OrvFtp: one FTP session against a local server, a look at the remote
' side and a download with the progress window.
' Arguments: the server text ("127.0.0.1:port"), the remote file to fetch and
' the local file to write (a Windows path). tour_ftp.sh starts the server and
' compares the downloaded bytes with the sample afterwards.
Option Explicit
Dim ftp, server, remote, local, r
server = WScript.Arguments(0)
remote = WScript.Arguments(1)
local = WScript.Arguments(2)

Set ftp = CreateObject("Velmor.Ftp.1")

Sub Report(what, code)
  If code = 0 Then
    WScript.Echo what & ": 0"
  Else
    WScript.Echo what & ": " & code & " (" & ftp.ErrDescription(code) & ")"
  End If
End Sub

' Before a session the methods answer with their result codes.
Report "Connect before OpenSession", ftp.Connect(server, "anonymous", "tour@")

r = ftp.OpenSession()
Report "OpenSession", r
If r <> 0 Then WScript.Quit 1
r = ftp.Connect(server & ":P", "anonymous", "tour@")
Report "Connect " & server & " (passive)", r
If r <> 0 Then WScript.Quit 1

Report "FileExists " & remote, ftp.FileExists(remote)
' Windows answers 1 for a missing file; Wine's WinINet leaves no reason behind,
' which reads as a failed listing (100).
Report "FileExists missing.txt", ftp.FileExists("missing.txt")

' At most 4096 bytes every 100 ms; the progress window shows how far it came.
r = ftp.GetFile(local, remote)
Report "GetFile " & remote, r

ftp.CloseSession
Report "Connect after CloseSession", ftp.Connect(server, "anonymous", "tour@")
If r <> 0 Then WScript.Quit 1
WScript.Quit 0
