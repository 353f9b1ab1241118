#!/bin/sh
# Removes the ten extract files of the data directory once they are packed;
# the archive stays for the upload. Called by the exporter as:
# eliminar.sh DATADIR (working directory DATADIR).
set -eu

[ $# -eq 1 ] || { echo "usage: eliminar.sh DATADIR" >&2; exit 2; }
cd "$1"
rm -f Municipios.txt TiposDeNegocio.txt Vendedores.txt Clientes.txt SKU.txt Rutas.txt \
    Inventario.txt Ventas.txt ListadodeFacturas.txt TotalesdeControl.txt
