@echo off
rem Registers VelmorCOM for the current user only; no administrator rights are needed.
setlocal
set "REGSVR32=%SystemRoot%\System32\regsvr32.exe"
if exist "%SystemRoot%\Sysnative\regsvr32.exe" set "REGSVR32=%SystemRoot%\Sysnative\regsvr32.exe"
"%REGSVR32%" /s /n /i:user "%~dp0x64\VelmorCOM.dll"
if errorlevel 1 (
  echo VelmorCOM could not be registered for the current user.
  exit /b 1
)
echo VelmorCOM is registered for %USERNAME%: %~dp0x64\VelmorCOM.dll
exit /b 0
