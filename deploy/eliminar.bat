@echo off
rem Removes the ten extract files of the data directory once they are packed;
rem the archive stays for the upload. Called by the exporter as:
rem eliminar.bat DATADIR (working directory DATADIR).
setlocal
if not exist "%~1\" exit /b 1
cd /d "%~1"
if errorlevel 1 exit /b 1
for %%f in (Municipios.txt TiposDeNegocio.txt Vendedores.txt Clientes.txt SKU.txt Rutas.txt Inventario.txt Ventas.txt ListadodeFacturas.txt TotalesdeControl.txt) do if exist "%%f" del /f /q "%%f"
exit /b 0
