@echo off
rem Registers VelmorCOM for every user of this machine (run from an administrator console).
rem On 64-bit Windows both libraries: x64\VelmorCOM.dll with the 64-bit regsvr32, for 64-bit
rem hosts, and x86\VelmorCOM.dll with the 32-bit one in SysWOW64, for 32-bit hosts. On 32-bit
rem Windows x86\VelmorCOM.dll alone. In a 32-bit console on 64-bit Windows PROCESSOR_ARCHITECTURE
rem says x86 and PROCESSOR_ARCHITEW6432 names the machine's processor; there System32 is the
rem 32-bit folder and Sysnative the real one.
setlocal
set "REGSVR32_64=%SystemRoot%\System32\regsvr32.exe"
set "REGSVR32_32=%SystemRoot%\SysWOW64\regsvr32.exe"
if defined PROCESSOR_ARCHITEW6432 set "REGSVR32_64=%SystemRoot%\Sysnative\regsvr32.exe"
if /i "%PROCESSOR_ARCHITECTURE%"=="x86" if not defined PROCESSOR_ARCHITEW6432 (
  set "REGSVR32_64="
  set "REGSVR32_32=%SystemRoot%\System32\regsvr32.exe"
)
if not defined REGSVR32_64 goto x86
"%REGSVR32_64%" /s "%~dp0x64\VelmorCOM.dll"
if errorlevel 1 goto failed
echo VelmorCOM is registered for 64-bit hosts: %~dp0x64\VelmorCOM.dll
:x86
"%REGSVR32_32%" /s "%~dp0x86\VelmorCOM.dll"
if errorlevel 1 goto failed
echo VelmorCOM is registered for 32-bit hosts: %~dp0x86\VelmorCOM.dll
exit /b 0

:failed
echo VelmorCOM could not be registered. Run install.cmd as administrator, or install-user.cmd
echo to register it for the current user only.
exit /b 1
