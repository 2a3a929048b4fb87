' Tour, OrvZip: pack a folder with and without a password, unpack both archives elsewhere;
' then List, Test, Add, and AddFolder with a mask.
' Arguments: the sample folder and a work folder (Windows paths). tour_zip.sh lists the
' archives with unzip -l and compares the unpacked trees with the sample.
Option Explicit
Dim fso, zip, sample, work, list, r
Set fso = CreateObject("Scripting.FileSystemObject")
sample = WScript.Arguments(0)
work = WScript.Arguments(1)

' The Pack file list: entry name, tab, source path, tab, ... for every file below a folder.
Sub AddFolder(folder, prefix)
  Dim f, sub_
  For Each f In folder.Files
    If Len(list) > 0 Then list = list & vbTab
    list = list & prefix & f.Name & vbTab & f.Path
  Next
  For Each sub_ In folder.SubFolders
    AddFolder sub_, prefix & sub_.Name & "\"
  Next
End Sub
list = ""
AddFolder fso.GetFolder(sample), ""

Set zip = CreateObject("Velmor.Zip.1")
r = zip.Pack(fso.BuildPath(work, "sample.zip"), list)
WScript.Echo "Pack sample.zip: " & r
zip.SetPassword "tour-secret"
r = zip.Pack(fso.BuildPath(work, "sample-secret.zip"), list)
WScript.Echo "Pack sample-secret.zip with a password: " & r

zip.SetPassword ""
fso.CreateFolder fso.BuildPath(work, "out-plain")
r = zip.Unpack(fso.BuildPath(work, "sample.zip"), fso.BuildPath(work, "out-plain"))
WScript.Echo "Unpack sample.zip: " & r

fso.CreateFolder fso.BuildPath(work, "out-nopass")
r = zip.Unpack(fso.BuildPath(work, "sample-secret.zip"), fso.BuildPath(work, "out-nopass"))
WScript.Echo "Unpack sample-secret.zip without the password: " & r & " (" & zip.ErrDescription(r) & ")"

zip.SetPassword "tour-secret"
fso.CreateFolder fso.BuildPath(work, "out-secret")
' A relative name: Unpack first makes the extraction folder current.
fso.CopyFile fso.BuildPath(work, "sample-secret.zip"), fso.BuildPath(work, "out-secret\")
r = zip.Unpack("sample-secret.zip", fso.BuildPath(work, "out-secret"))
WScript.Echo "Unpack sample-secret.zip with the password: " & r
fso.DeleteFile fso.BuildPath(work, "out-secret\sample-secret.zip")

r = zip.Pack(fso.BuildPath(work, "broken.zip"), "readme.txt")
WScript.Echo "Pack with a name but no path: " & r & " (" & zip.ErrDescription(r) & ")"

' Looking inside and changing in place: List, Test, Add, and AddFolder with a mask.
zip.SetPassword ""
Dim line, fields
For Each line In Split(zip.List(fso.BuildPath(work, "sample.zip")), vbCrLf)
  If line <> "" Then
    fields = Split(line, vbTab)
    WScript.Echo "List: " & fields(0) & ", " & fields(1) & " bytes, " & fields(5)
  End If
Next
WScript.Echo "Test sample.zip: " & zip.Test(fso.BuildPath(work, "sample.zip"))
r = zip.Add(fso.BuildPath(work, "sample.zip"), "added\readme.txt" & vbTab & fso.BuildPath(sample, "readme.txt"))
WScript.Echo "Add added/readme.txt: " & r
zip.CompressionLevel = 9
r = zip.AddFolder(fso.BuildPath(work, "xml-and-csv.zip"), sample, "tables", "*.xml;*.csv", 1 + 4)
WScript.Echo "AddFolder of *.xml;*.csv at level 9 into xml-and-csv.zip: " & r
For Each line In Split(zip.List(fso.BuildPath(work, "xml-and-csv.zip")), vbCrLf)
  If line <> "" Then
    fields = Split(line, vbTab)
    WScript.Echo "  " & fields(0)
  End If
Next
r = zip.AddFolder(fso.BuildPath(work, "xml-and-csv.zip"), sample, "", "*.pdf", 1)
WScript.Echo "AddFolder of *.pdf (none there): " & r & " (" & zip.ErrDescription(r) & ")"

' An archive 7-Zip wrote with BZip2 (tour_zip.sh makes it when 7z is there).
If fso.FileExists(fso.BuildPath(work, "sample-bzip2.zip")) Then
  For Each line In Split(zip.List(fso.BuildPath(work, "sample-bzip2.zip")), vbCrLf)
    fields = Split(line & vbTab, vbTab)
    If Right(fields(0), 1) <> "/" And line <> "" Then
      WScript.Echo "List sample-bzip2.zip: " & fields(0) & ", method " & fields(5)
      Exit For
    End If
  Next
  fso.CreateFolder fso.BuildPath(work, "out-bzip2")
  r = zip.Unpack(fso.BuildPath(work, "sample-bzip2.zip"), fso.BuildPath(work, "out-bzip2"))
  WScript.Echo "Unpack sample-bzip2.zip (BZip2, written by 7-Zip): " & r
End If
