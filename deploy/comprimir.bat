@echo off
rem Packs the ten extract files of the data directory into one zip archive.
rem Called by the exporter as: comprimir.bat ARCHIVE DATADIR (working directory
rem DATADIR). The archive appears under its name only once it is complete.
rem When any of the ten files is missing or tar fails, it exits non-zero and
rem leaves nothing under the archive's name. Needs tar.exe, part of Windows 10
rem (1803) and later. Failures are tested with "if errorlevel" on lines of
rem their own, which every cmd (Wine's as well) understands.
setlocal DisableDelayedExpansion
set "archivo=%~1"
if "%archivo%"=="" exit /b 2
if not exist "%~2\" exit /b 1
cd /d "%~2"
if errorlevel 1 exit /b 1
set "parcial=%archivo%.parcial.zip"
if exist "%archivo%" del /f /q "%archivo%"
if exist "%parcial%" del /f /q "%parcial%"
set "lista=Municipios.txt TiposDeNegocio.txt Vendedores.txt Clientes.txt SKU.txt Rutas.txt Inventario.txt Ventas.txt ListadodeFacturas.txt TotalesdeControl.txt"
for %%f in (%lista%) do if not exist "%%f" goto falta
tar.exe -a -c -f "%parcial%" %lista%
if errorlevel 1 goto fallo
move /y "%parcial%" "%archivo%" >nul
if errorlevel 1 goto fallo
if not exist "%archivo%" goto fallo
exit /b 0

:falta
echo comprimir.bat: falta un archivo de datos en %CD% 1>&2
exit /b 1

:fallo
if exist "%parcial%" del /f /q "%parcial%"
exit /b 1
