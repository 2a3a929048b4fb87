Attribute VB_Name = "VelmorCOM"
' VelmorCOM from VBA in 32-bit or 64-bit Office (Excel, Access, Word).
'
' Import: in the VBA editor (Alt+F11), File > Import File... and pick this file. The library must
' be registered for Office's bitness (install.cmd registers both DLLs on 64-bit Windows, or
' install-user.cmd for the current user only). The objects are created late-bound, so no
' reference is needed; for early binding and IntelliSense add a reference to "VelmorCOMLib"
' (Tools > References, or Browse... to x64\VelmorCOM.tlb in 64-bit Office, x86\VelmorCOM.tlb in
' 32-bit Office) and declare the variables As VelmorCOMLib.OrvZip and so on. The module declares
' no Windows functions, so it needs neither PtrSafe nor LongPtr and runs unchanged in both.
Option Explicit

' Distance in metres between two positions written as degrees x 100 + minutes (5545.2 is
' 55 degrees 45.2 minutes). In Excel also a worksheet function:
'   =VelmorDistance(5545.2; 3737; 5956; 3019)
Public Function VelmorDistance(ByVal latitude1 As Double, ByVal longitude1 As Double, _
                               ByVal latitude2 As Double, ByVal longitude2 As Double) As Double
    Dim gps As Object
    Set gps = CreateObject("Velmor.OrvGps.1")
    VelmorDistance = gps.Distance(latitude1, longitude1, latitude2, longitude2)
End Function

' Packs files into a ZIP archive. entries and paths are parallel arrays: the name each file gets
' inside the archive, and the file to read. Returns 0 or a result code (see VelmorMessage).
Public Function VelmorPack(ByVal archiveName As String, entries As Variant, paths As Variant, _
                           Optional ByVal password As String = "") As Long
    Dim zip As Object, files As String, i As Long
    For i = LBound(entries) To UBound(entries)
        If Len(files) > 0 Then files = files & vbTab
        files = files & entries(i) & vbTab & paths(i)
    Next i
    Set zip = CreateObject("Velmor.Zip.1")
    zip.SetPassword password
    VelmorPack = zip.Pack(archiveName, files)
End Function

' The message of a result code of OrvZip or OrvFtp.
Public Function VelmorMessage(ByVal code As Long) As String
    Dim zip As Object
    Set zip = CreateObject("Velmor.Zip.1")
    VelmorMessage = zip.ErrDescription(code)
End Function

' One call of every component; the answers go to the Immediate window (Ctrl+G).
Public Sub VelmorDemo()
    Dim ftp As Object, crypto As Object, server As Object
#If Win64 Then
    Debug.Print "64-bit Office: x64\VelmorCOM.dll"
#Else
    Debug.Print "32-bit Office: x86\VelmorCOM.dll"
#End If
    Debug.Print "OrvGps.Distance: "; Round(VelmorDistance(5545.2, 3737, 5956, 3019)); " m"
    Debug.Print "OrvZip.ErrDescription(55): "; VelmorMessage(55)
    Set ftp = CreateObject("Velmor.Ftp.1")
    Debug.Print "OrvFtp.FileExists before Connect: "; ftp.FileExists("readme.txt")
    Set crypto = CreateObject("Velmor.Crypto.1")
    Debug.Print "OrvCrypto.ErrDescription(1): "; crypto.ErrDescription(1)
    Set server = CreateObject("Velmor.OrvServer.1")
    Debug.Print "OrvServer.Version: "; server.Version()
End Sub
