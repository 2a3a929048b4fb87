' Tour, part one: OrvGps distances and the library's result-code messages, late-bound.
Option Explicit
Dim gps, cities, i, j, d
Set gps = CreateObject("Velmor.OrvGps.1")
' name, latitude, longitude as degrees x 100 + minutes
cities = Array( _
  Array("Moscow", 5545.2, 3737.0), _
  Array("Saint Petersburg", 5956.0, 3019.0), _
  Array("Novosibirsk", 5501.0, 8256.0), _
  Array("Kazan", 5547.0, 4907.0))
WScript.Echo "Distances (OrvGps.Distance, metres):"
For i = 0 To UBound(cities)
  For j = i + 1 To UBound(cities)
    d = gps.Distance(cities(i)(1), cities(i)(2), cities(j)(1), cities(j)(2))
    WScript.Echo "  " & cities(i)(0) & " - " & cities(j)(0) & ": " & FormatNumber(d, 0)
  Next
Next
WScript.Echo "  the same position: " & gps.Distance(5545.2, 3737.0, 5545.2, 3737.0)

Dim zip, ftp, codes, c
Set zip = CreateObject("Velmor.Zip.1")
Set ftp = CreateObject("Velmor.Ftp.1")
WScript.Echo "Result codes and their messages (ErrDescription):"
codes = Array(0, 50, 51, 52, 53, 54, 55, 76, 77, 78, 79, 80, 81, 82, 100)
For Each c In codes
  WScript.Echo "  " & c & ": " & zip.ErrDescription(c)
Next
WScript.Echo "  8 (OrvFtp): " & ftp.ErrDescription(8)
