@echo off
rem Packs the ten extract files of the data directory into one zip archive.
rem Called by the exporter as: comprimir.bat ARCHIVE DATADIR (working directory
rem DATADIR). An older archive of that name is replaced; the archive appears
rem under its name only once it is complete. Files missing from the directory
rem are left out; with none at all no archive is made. Needs tar.exe, part of
rem Windows 10 (1803) and later. Failures are tested with "if errorlevel" on
rem lines of their own, which every cmd (Wine's as well) understands.
setlocal DisableDelayedExpansion
set "archivo=%~1"
if "%archivo%"=="" exit /b 2
if not exist "%~2\" exit /b 1
cd /d "%~2"
if errorlevel 1 exit /b 1
set "parcial=%archivo%.parcial.zip"
if exist "%parcial%" del /f /q "%parcial%"
set "lista="
for %%f in (Municipios.txt TiposDeNegocio.txt Vendedores.txt Clientes.txt SKU.txt Rutas.txt Inventario.txt Ventas.txt ListadodeFacturas.txt TotalesdeControl.txt) do if exist "%%f" call set "lista=%%lista%% %%f"
if not defined lista exit /b 1
tar.exe -a -c -f "%parcial%" %lista%
if errorlevel 1 goto fallo
move /y "%parcial%" "%archivo%" >nul
if errorlevel 1 goto fallo
if not exist "%archivo%" goto fallo
exit /b 0

:fallo
if exist "%parcial%" del /f /q "%parcial%"
exit /b 1
