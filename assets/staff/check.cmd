@echo off
rem The site check: checks this PC's set-up for cardwedge, waits 30 seconds for cards laid on
rem the readers (nothing is typed), then opens the report in Notepad.
setlocal
cd /d "%~dp0"
set fallback=%LOCALAPPDATA%\cardwedge\cardwedge-check.txt
del "%~dp0cardwedge-check.txt" 2>nul
del "%fallback%" 2>nul
echo cardwedge site check: checking this PC, then waiting 30 seconds for cards.
echo Lay each card to check on its reader now, one after another. Nothing is typed.
cardwedge.exe --check 30 >nul
set status=%ERRORLEVEL%
rem The report is beside the program, or in the log's folder when this folder cannot be written.
set report=%fallback%
if not exist "%report%" set report=%~dp0cardwedge-check.txt
echo Result %status%: 0 nothing stops cards, 1 warnings, 2 an error. Opening the report.
start "" notepad.exe "%report%"
