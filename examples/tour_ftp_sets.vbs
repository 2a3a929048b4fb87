' Tour, OrvFtp 3: a whole served folder in one call, then a download that
' goes on from the part a broken one left.
' Arguments: the server text, the remote folder, the local folder for the set,
' the remote file and the local file whose ".filepart" tour_ftp.sh left half
' written (Windows paths); then optionally the user, the password, and a
' private key file with its passphrase for SFTP.
Option Explicit
Dim ftp, r, args, user, password
Set args = WScript.Arguments
user = "anonymous" : password = "tour@"
If args.Count > 6 Then user = args(5) : password = args(6)
Set ftp = CreateObject("Velmor.Ftp.1")
ftp.OpenSession
If args.Count > 8 Then
  r = ftp.SetPrivateKey(args(7), args(8))   ' ssh-keygen's ed25519 key as it is
  WScript.Echo "SetPrivateKey: " & r
End If
r = ftp.Connect(args(0), user, password)
If r <> 0 Then WScript.Echo "Connect: " & r & " (" & ftp.ErrDescription(r) & ")" : WScript.Quit 1
ftp.SpeedLimit = 0                        ' as fast as the server sends
r = ftp.GetFiles(args(1), args(2), 1)     ' vtRecurse
WScript.Echo "GetFiles " & args(1) & " (with subfolders): " & r
WScript.Echo ftp.TransferredFiles
ftp.Resume = True                         ' continues the .filepart, then renames it
r = ftp.GetFile(args(4), args(3))
WScript.Echo "GetFile " & args(3) & " resumed: " & r
ftp.SetPrivateKey "", ""
ftp.CloseSession
If r <> 0 Then WScript.Quit 1
WScript.Quit 0
