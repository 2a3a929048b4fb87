@echo off
rem Removes the machine-wide registration of VelmorCOM (run from an administrator console): of
rem both libraries on 64-bit Windows, of x86\VelmorCOM.dll on 32-bit Windows. The regsvr32 of
rem each is chosen as in install.cmd.
setlocal
set "REGSVR32_64=%SystemRoot%\System32\regsvr32.exe"
set "REGSVR32_32=%SystemRoot%\SysWOW64\regsvr32.exe"
if defined PROCESSOR_ARCHITEW6432 set "REGSVR32_64=%SystemRoot%\Sysnative\regsvr32.exe"
if /i "%PROCESSOR_ARCHITECTURE%"=="x86" if not defined PROCESSOR_ARCHITEW6432 (
  set "REGSVR32_64="
  set "REGSVR32_32=%SystemRoot%\System32\regsvr32.exe"
)
set "FAILED="
"%REGSVR32_32%" /u /s "%~dp0x86\VelmorCOM.dll"
if errorlevel 1 set "FAILED=1"
if not defined REGSVR32_64 goto done
"%REGSVR32_64%" /u /s "%~dp0x64\VelmorCOM.dll"
if errorlevel 1 set "FAILED=1"
:done
if not defined FAILED goto unregistered
echo VelmorCOM could not be unregistered. Run uninstall.cmd as administrator.
exit /b 1

:unregistered
echo VelmorCOM is no longer registered.
exit /b 0
