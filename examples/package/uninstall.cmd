@echo off
rem Removes the machine-wide registration of VelmorCOM (run from an administrator console).
setlocal
set "REGSVR32=%SystemRoot%\System32\regsvr32.exe"
if exist "%SystemRoot%\Sysnative\regsvr32.exe" set "REGSVR32=%SystemRoot%\Sysnative\regsvr32.exe"
"%REGSVR32%" /u /s "%~dp0x64\VelmorCOM.dll"
if errorlevel 1 (
  echo VelmorCOM could not be unregistered. Run uninstall.cmd as administrator.
  exit /b 1
)
echo VelmorCOM is no longer registered.
exit /b 0
