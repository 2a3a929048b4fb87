' OnProgress from VBScript: Set to a GetRef, True to cancel, Nothing to drop it.
Option Explicit
Dim failures, fso, work, zip, count, lastDone, lastTotal, cancelAt, stream, block, i, k, list, p
failures = 0
Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAILED: " & what
        failures = failures + 1
    End If
End Sub

Function Progress(name, done, total)
    count = count + 1
    lastDone = done
    lastTotal = total
    Progress = (count = cancelAt)
End Function

Set fso = CreateObject("Scripting.FileSystemObject")
work = fso.GetSpecialFolder(2) & "\velmor_events_vbs"
If fso.FolderExists(work) Then fso.DeleteFolder work, True
fso.CreateFolder work
Randomize
block = ""
For i = 1 To 65536
    block = block & Chr(97 + Int(Rnd * 20))
Next
For i = 0 To 1
    p = work & "\part" & i & ".txt"
    Set stream = fso.CreateTextFile(p, True)
    For k = 1 To 128
        stream.Write block
    Next
    stream.Close
    If list <> "" Then list = list & vbTab
    list = list & "part" & i & ".txt" & vbTab & p
Next

' GetRef gives a handler where the script engine has it (Wine's has not); an object whose
' default member takes the arguments is the same to OrvZip.
Class Handler
    Public Default Function Run(name, done, total)
        Run = Progress(name, done, total)
    End Function
End Class

Set zip = CreateObject("Velmor.Zip.1")
On Error Resume Next
Set zip.OnProgress = GetRef("Progress")
If Err.Number <> 0 Then Set zip.OnProgress = New Handler
On Error GoTo 0
count = 0 : cancelAt = 0
Check zip.Pack(work & "\a.zip", list) = 0, "Pack with a handler"
Check count >= 3, "several events: " & count
Check lastDone = lastTotal And lastTotal = 2 * 128 * 65536, "the last event ends at total"

count = 0 : cancelAt = 2
Check zip.Pack(work & "\b.zip", list) = 77, "Pack cancelled by the handler's True"
Check count = 2 And zip.LastResult = 77, "LastResult 77 after two events"

count = 0 : cancelAt = 0
Check zip.Unpack(work & "\a.zip", work & "\out") = 0, "Unpack with a handler"
Check count >= 2 And lastDone = lastTotal, "Unpack's events: " & count

Set zip.OnProgress = Nothing
count = 0
Check zip.Test(work & "\a.zip") = 0 And count = 0, "no handler after Nothing"

CreateObject("WScript.Shell").CurrentDirectory = fso.GetSpecialFolder(2)
fso.DeleteFolder work, True
If failures = 0 Then WScript.Echo "events script passed"
WScript.Quit failures
