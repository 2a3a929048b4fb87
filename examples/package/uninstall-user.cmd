@echo off
rem Removes the current user's registration of VelmorCOM (made by install-user.cmd).
setlocal
set "REGSVR32=%SystemRoot%\System32\regsvr32.exe"
if exist "%SystemRoot%\Sysnative\regsvr32.exe" set "REGSVR32=%SystemRoot%\Sysnative\regsvr32.exe"
"%REGSVR32%" /u /s /n /i:user "%~dp0x64\VelmorCOM.dll"
if errorlevel 1 (
  echo VelmorCOM could not be unregistered for the current user.
  exit /b 1
)
echo VelmorCOM is no longer registered for %USERNAME%.
exit /b 0
