' Tour, OrvFtp: one FTP session against a local server, a look at the remote
' side, a download, and an upload that is downloaded back, each with the
' progress window.
' Arguments: the server text ("127.0.0.1:port", with ":TLS=<fingerprint>" for
' FTP over TLS), the remote file to fetch, the local file to write, the local
' file to upload into the remote folder "uploads", the local file to write its
' copy back into (Windows paths), and optionally the user and password
' (anonymous otherwise).
' tour_ftp.sh starts the server and compares all the bytes afterwards.
Option Explicit
Dim ftp, server, remote, local, source, back, user, password, r
server = WScript.Arguments(0)
remote = WScript.Arguments(1)
local = WScript.Arguments(2)
source = WScript.Arguments(3)
back = WScript.Arguments(4)
user = "anonymous"
password = "tour@"
If WScript.Arguments.Count > 6 Then
  user = WScript.Arguments(5)
  password = WScript.Arguments(6)
End If

Set ftp = CreateObject("Velmor.Ftp.1")

Sub Report(what, code)
  If code = 0 Then
    WScript.Echo what & ": 0"
  Else
    WScript.Echo what & ": " & code & " (" & ftp.ErrDescription(code) & ")"
  End If
End Sub

' Before a session the methods answer with their result codes.
Report "Connect before OpenSession", ftp.Connect(server, user, password)

r = ftp.OpenSession()
Report "OpenSession", r
If r <> 0 Then WScript.Quit 1
r = ftp.Connect(server & ":P", user, password)
Report "Connect " & server & " (passive)", r
If r <> 0 Then WScript.Quit 1

Report "FileExists " & remote, ftp.FileExists(remote)
' Windows answers 1 for a missing file; Wine's WinINet leaves no reason behind,
' which reads as a failed listing (100).
Report "FileExists missing.txt", ftp.FileExists("missing.txt")

' At most 4096 bytes every 100 ms; the progress window shows how far it came.
r = ftp.GetFile(local, remote)
Report "GetFile " & remote, r
If r <> 0 Then WScript.Quit 1

' Uploads are not paced: they run as fast as the server takes the bytes.
Report "CreateDirectory uploads", ftp.CreateDirectory("uploads")
r = ftp.PutFile(source, "uploads\readings.csv")
Report "PutFile uploads\readings.csv", r
If r = 0 Then
  Report "FileExists uploads\readings.csv", ftp.FileExists("uploads\readings.csv")
  r = ftp.GetFile(back, "uploads\readings.csv")
  Report "GetFile uploads\readings.csv (the upload back)", r
End If
Report "PutFile of a missing local file", ftp.PutFile(source & ".missing", "uploads\none.csv")

ftp.CloseSession
Report "Connect after CloseSession", ftp.Connect(server, user, password)
If r <> 0 Then WScript.Quit 1
WScript.Quit 0
