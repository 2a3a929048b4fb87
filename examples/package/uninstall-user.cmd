@echo off
rem Removes the current user's registration of VelmorCOM (made by install-user.cmd), of the
rem libraries install-user.cmd registers, each with its own regsvr32.
setlocal
set "REGSVR32_64=%SystemRoot%\System32\regsvr32.exe"
set "REGSVR32_32=%SystemRoot%\SysWOW64\regsvr32.exe"
if defined PROCESSOR_ARCHITEW6432 set "REGSVR32_64=%SystemRoot%\Sysnative\regsvr32.exe"
if /i "%PROCESSOR_ARCHITECTURE%"=="x86" if not defined PROCESSOR_ARCHITEW6432 (
  set "REGSVR32_64="
  set "REGSVR32_32=%SystemRoot%\System32\regsvr32.exe"
)
set "FAILED="
"%REGSVR32_32%" /u /s /n /i:user "%~dp0x86\VelmorCOM.dll"
if errorlevel 1 set "FAILED=1"
if not defined REGSVR32_64 goto done
"%REGSVR32_64%" /u /s /n /i:user "%~dp0x64\VelmorCOM.dll"
if errorlevel 1 set "FAILED=1"
:done
if not defined FAILED goto unregistered
echo VelmorCOM could not be unregistered for the current user.
exit /b 1

:unregistered
echo VelmorCOM is no longer registered for %USERNAME%.
exit /b 0
