@echo off
rem Registers VelmorCOM for the current user only; no administrator rights are needed. The
rem libraries and the regsvr32 of each are chosen as in install.cmd: both on 64-bit Windows,
rem x86\VelmorCOM.dll alone on 32-bit Windows.
setlocal
set "REGSVR32_64=%SystemRoot%\System32\regsvr32.exe"
set "REGSVR32_32=%SystemRoot%\SysWOW64\regsvr32.exe"
if defined PROCESSOR_ARCHITEW6432 set "REGSVR32_64=%SystemRoot%\Sysnative\regsvr32.exe"
if /i "%PROCESSOR_ARCHITECTURE%"=="x86" if not defined PROCESSOR_ARCHITEW6432 (
  set "REGSVR32_64="
  set "REGSVR32_32=%SystemRoot%\System32\regsvr32.exe"
)
if not defined REGSVR32_64 goto x86
"%REGSVR32_64%" /s /n /i:user "%~dp0x64\VelmorCOM.dll"
if errorlevel 1 goto failed
echo VelmorCOM is registered for %USERNAME%'s 64-bit hosts: %~dp0x64\VelmorCOM.dll
:x86
"%REGSVR32_32%" /s /n /i:user "%~dp0x86\VelmorCOM.dll"
if errorlevel 1 goto failed
echo VelmorCOM is registered for %USERNAME%'s 32-bit hosts: %~dp0x86\VelmorCOM.dll
exit /b 0

:failed
echo VelmorCOM could not be registered for the current user.
exit /b 1
