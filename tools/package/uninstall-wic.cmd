@echo off
rem Removes PalvoWic.dll, the decoder of IPF, IPQ and MCG pictures, and every registry key it wrote.
regsvr32 /s /u "%~dp032bit\PalvoWic.dll" && echo The F^&C picture decoder is removed for 32-bit programs.
if exist "%SystemRoot%\SysWOW64" regsvr32 /s /u "%~dp064bit\PalvoWic.dll" && echo The F^&C picture decoder is removed for 64-bit programs and Explorer.
pause
