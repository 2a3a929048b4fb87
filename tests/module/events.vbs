' OnProgress from VBScript: Set to a handler, True to cancel, Nothing to drop it.
Option Explicit
Dim failures, fso, work, zip, count, lastDone, lastTotal, cancelAt, stream, block, i, list
failures = 0
Sub Check(condition, what)
    If Not condition Then WScript.Echo "FAILED: " & what : failures = failures + 1
End Sub

Function Progress(name, done, total)
    count = count + 1 : lastDone = done : lastTotal = total
    Progress = (count = cancelAt)
End Function
' Where the script engine lacks GetRef (Wine's), an object whose default member takes the
' arguments is the same to OrvZip.
Class Handler
    Public Default Function Run(name, done, total)
        Run = Progress(name, done, total)
    End Function
End Class

Set fso = CreateObject("Scripting.FileSystemObject")
work = fso.GetSpecialFolder(2) & "\velmor_events_vbs"
If fso.FolderExists(work) Then fso.DeleteFolder work, True
fso.CreateFolder work
' 24 MiB of letters that do not repeat within the compressor's window.
Randomize
For i = 1 To 65536 : block = block & Chr(97 + Int(Rnd * 20)) : Next
Set stream = fso.CreateTextFile(work & "\part.txt", True)
For i = 1 To 384 : stream.Write block : Next
stream.Close
list = "part.txt" & vbTab & work & "\part.txt"

Set zip = CreateObject("Velmor.Zip.1")
On Error Resume Next
Set zip.OnProgress = GetRef("Progress")
If Err.Number <> 0 Then Set zip.OnProgress = New Handler
On Error GoTo 0
count = 0 : cancelAt = 0
Check zip.Pack(work & "\a.zip", list) = 0, "Pack with a handler"
Check count >= 3 And lastDone = lastTotal And lastTotal = 384 * 65536, "Pack's events: " & count
count = 0 : cancelAt = 2
Check zip.Pack(work & "\b.zip", list) = 77, "Pack cancelled by the handler's True"
Check count = 2 And zip.LastResult = 77, "LastResult 77 after two events"
Set zip.OnProgress = Nothing
count = 0
Check zip.Test(work & "\a.zip") = 0 And count = 0, "no handler after Nothing"

fso.DeleteFolder work, True
If failures = 0 Then WScript.Echo "events script passed"
WScript.Quit failures
