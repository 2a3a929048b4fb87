' Tour, OrvFtp 3: the whole served folder in one call, then a download that
' goes on from the part a broken one left.
' Arguments: the server text, the local folder for the set, the remote file
' and the local file whose ".filepart" tour_ftp.sh left half written (Windows
' paths).
Option Explicit
Dim ftp, r
Set ftp = CreateObject("Velmor.Ftp.1")
ftp.OpenSession
r = ftp.Connect(WScript.Arguments(0), "anonymous", "tour@")
If r <> 0 Then WScript.Echo "Connect: " & r : WScript.Quit 1
ftp.SpeedLimit = 0                        ' as fast as the server sends
r = ftp.GetFiles("/", WScript.Arguments(1), 1)   ' vtRecurse
WScript.Echo "GetFiles / (with subfolders): " & r
WScript.Echo ftp.TransferredFiles
ftp.Resume = True                         ' continues the .filepart, then renames it
r = ftp.GetFile(WScript.Arguments(3), WScript.Arguments(2))
WScript.Echo "GetFile " & WScript.Arguments(2) & " resumed: " & r
ftp.CloseSession
If r <> 0 Then WScript.Quit 1
WScript.Quit 0
