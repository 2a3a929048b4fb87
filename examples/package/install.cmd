@echo off
rem Registers VelmorCOM for every user of this machine (run from an administrator console).
rem The 64-bit regsvr32 is used even when this runs in a 32-bit console: there System32 is the
rem 32-bit one and Sysnative names the real System32.
setlocal
set "REGSVR32=%SystemRoot%\System32\regsvr32.exe"
if exist "%SystemRoot%\Sysnative\regsvr32.exe" set "REGSVR32=%SystemRoot%\Sysnative\regsvr32.exe"
"%REGSVR32%" /s "%~dp0x64\VelmorCOM.dll"
if errorlevel 1 (
  echo VelmorCOM could not be registered. Run install.cmd as administrator, or install-user.cmd
  echo to register it for the current user only.
  exit /b 1
)
echo VelmorCOM is registered: %~dp0x64\VelmorCOM.dll
exit /b 0
