' Tour: OrvCrypto encrypts a sample file and decrypts it back, with a password
' and with the current user's own key, then shows how failures are described.
' Argument: the examples folder.
Option Explicit
Dim fso, sample, work, crypto, r, original
Set fso = CreateObject("Scripting.FileSystemObject")
sample = fso.BuildPath(WScript.Arguments(0), "crypto\sample.txt")
work = fso.BuildPath(fso.GetSpecialFolder(2), "velmor-tour-crypto")
If fso.FolderExists(work) Then fso.DeleteFolder work, True
fso.CreateFolder work

Function ReadText(path)
  Dim s : Set s = fso.OpenTextFile(path, 1, False, 0)
  ReadText = s.ReadAll()
  s.Close
End Function

Function InWork(name)
  InWork = fso.BuildPath(work, name)
End Function

Sub Report(what, result)
  If result = 0 Then
    WScript.Echo "  " & what & ": 0"
  Else
    ' System texts end with a line break of their own.
    WScript.Echo "  " & what & ": " & result & " - " & Replace(crypto.ErrDescription(result), vbCrLf, "")
  End If
End Sub

original = ReadText(sample)
Set crypto = CreateObject("Velmor.Crypto.1")
WScript.Echo "Sample: " & sample & " (" & Len(original) & " bytes)"

WScript.Echo "With a password (RC2, key from the password):"
crypto.SetCryptPassword "route-17"
Report "EncryptFile sample.txt -> sample.pw.enc", crypto.EncryptFile(sample, InWork("sample.pw.enc"))
Report "DecryptFile sample.pw.enc -> sample.pw.txt", crypto.DecryptFile(InWork("sample.pw.enc"), InWork("sample.pw.txt"))
WScript.Echo "  bytes come back: " & (ReadText(InWork("sample.pw.txt")) = original)

WScript.Echo "Without a password (random key wrapped for this user):"
crypto.SetCryptPassword ""
Report "EncryptFile sample.txt -> sample.user.enc", crypto.EncryptFile(sample, InWork("sample.user.enc"))
Report "DecryptFile sample.user.enc -> sample.user.txt", crypto.DecryptFile(InWork("sample.user.enc"), InWork("sample.user.txt"))
WScript.Echo "  bytes come back: " & (ReadText(InWork("sample.user.txt")) = original)

WScript.Echo "Failures (ResultCode 56 and ErrDescription(56)):"
crypto.SetCryptPassword "not-the-password"
Report "wrong password", crypto.DecryptFile(InWork("sample.pw.enc"), InWork("wrong.txt"))
Report "missing input", crypto.EncryptFile(InWork("no-such-file.txt"), InWork("never.enc"))
Report "source and target are one file", crypto.EncryptFile(sample, sample)
WScript.Echo "  ErrDescription(55): " & crypto.ErrDescription(55)

fso.DeleteFolder work, True
