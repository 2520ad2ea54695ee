@echo off
rem Registers PalvoWic.dll, the decoder of IPF, IPQ and MCG pictures, with Windows for 32-bit and 64-bit programs.
rem Keep this folder where it is: Windows loads the decoder from here.
regsvr32 /s "%~dp032bit\PalvoWic.dll" && echo The F^&C picture decoder is installed for 32-bit programs.
if exist "%SystemRoot%\SysWOW64" regsvr32 /s "%~dp064bit\PalvoWic.dll" && echo The F^&C picture decoder is installed for 64-bit programs and Explorer.
pause
