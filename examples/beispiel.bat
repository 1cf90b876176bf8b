@echo off
rem Rechnet das mitgelieferte Beispiel durch: kopiert den Ordner "beispiel" in einen neuen
rem Ordner, ruft dort velmora.exe mit Datendatei, Zahlungsdatei und Modus 5 auf und oeffnet
rem danach die Ergebnisdatei im Editor. Neben diese Datei schreibt es nichts.
rem
rem Aufruf: beispiel.bat [ORDNER]
rem   ORDNER  ein neuer Ordner fuer das Beispiel (ohne Angabe: einer unter %TEMP%)
setlocal
set "programm=%~dp0velmora.exe"
set "vorlage=%~dp0beispiel"
if not exist "%programm%" (
  echo velmora.exe fehlt neben beispiel.bat.
  exit /b 1
)

if not "%~1"=="" (
  set "ziel=%~f1"
  goto anlegen
)
:zufall
set "ziel=%TEMP%\velmora-beispiel-%RANDOM%"
if exist "%ziel%" goto zufall

:anlegen
if exist "%ziel%" (
  echo Den Ordner "%ziel%" gibt es schon. Bitte einen neuen Ordner angeben.
  exit /b 1
)
rem Geprueft wird das Ergebnis, nicht der Fehlerstatus: den setzen eingebaute Befehle nicht
rem ueberall verlaesslich.
mkdir "%ziel%"
copy "%vorlage%\*.*" "%ziel%" > nul
if not exist "%ziel%\konten.csv" (
  echo Das Beispiel konnte nicht nach "%ziel%" kopiert werden.
  exit /b 1
)
cd /d "%ziel%"

echo velmora.exe konten.csv zahlung.xml 5
echo im Ordner %ziel%
"%programm%" konten.csv zahlung.xml 5
set "status=%errorlevel%"
echo Rueckgabewert: %status%
if exist konten.csv.out start "" notepad.exe "%ziel%\konten.csv.out"
exit /b %status%
