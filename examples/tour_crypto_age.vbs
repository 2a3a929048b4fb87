' Tour: OrvCrypto in age (Format 1). Arguments: SAMPLE WORK RECIPIENT encrypts the sample to the
' recipient and with a password (armored) into WORK and writes the user's own recipient to
' WORK\user.pub; SAMPLE WORK alone decrypts SAMPLE, an age file, with the user's own identity.
Option Explicit
Dim fso, crypto, work, r
Set fso = CreateObject("Scripting.FileSystemObject")
Set crypto = CreateObject("Velmor.Crypto.1")
work = WScript.Arguments(1)

Sub Report(what, result)
  If result = 0 Then
    WScript.Echo "  " & what & ": 0"
  Else
    WScript.Echo "  " & what & ": " & result & " - " & crypto.ErrDescription(result)
  End If
End Sub

crypto.Format = 1
If WScript.Arguments.Count = 2 Then
  Report "DecryptFile sample.user.age -> user.txt (the user's own identity)", _
    crypto.DecryptFile(WScript.Arguments(0), fso.BuildPath(work, "user.txt"))
Else
  EncryptSample
End If

Sub EncryptSample()
  crypto.Armor = True
  Report "SetRecipients", crypto.SetRecipients("# alice" & vbCrLf & WScript.Arguments(2))
  Report "EncryptFile sample.txt -> sample.alice.age", _
    crypto.EncryptFile(WScript.Arguments(0), fso.BuildPath(work, "sample.alice.age"))
  crypto.SetRecipients ""
  crypto.SetCryptPassword "route-17"
  Report "EncryptFile sample.txt -> sample.pw.age (password, scrypt)", _
    crypto.EncryptFile(WScript.Arguments(0), fso.BuildPath(work, "sample.pw.age"))
  Dim lines : lines = Split(crypto.EncryptString("hello"), vbLf)
  WScript.Echo "  EncryptString(""hello""): " & lines(0) & " ... (" & (UBound(lines) + 1) & " lines)"
  Report "wrong key", crypto.SetRecipients("age1notakey")
  crypto.SetCryptPassword "not-the-password"
  Report "wrong password", crypto.DecryptFile(fso.BuildPath(work, "sample.pw.age"), fso.BuildPath(work, "wrong.txt"))
  WScript.Echo "  nothing written for it: " & (Not fso.FileExists(fso.BuildPath(work, "wrong.txt")))

  Dim pub : Set pub = fso.CreateTextFile(fso.BuildPath(work, "user.pub"), True, False)
  pub.Write crypto.UserRecipient
  pub.Close
  WScript.Echo "  UserRecipient: " & crypto.UserRecipient
End Sub
